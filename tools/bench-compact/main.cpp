// bench-compact: how fast the compactor is against a plain copy, how much memory it takes,
// and whether its output is as small as the reachable content allows, on the sample
// installation's hives and on a large hive built for the purpose.
//
//   bench-compact [--sample DIR] [--work DIR] [--big-mb N | --no-big] [--dirty] [--repeat N] [HIVE...]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "big_hive.h"
#include "child_run.h"
#include "plain_copy.h"
#include "regf/regf.h"

#ifndef KV_DEFAULT_SAMPLE
#define KV_DEFAULT_SAMPLE "sample"
#endif

namespace fs = std::filesystem;
using namespace kelvara;

namespace {

struct Options {
    std::string sample = KV_DEFAULT_SAMPLE;
    std::string work;
    std::uint64_t bigMegabytes = 100;
    bool dirty = false;   // also the big hive left dirty, its last write only in its .LOG1
    int repeat = 3;
    std::vector<std::string> hives;
};

struct Figures {
    std::string label;
    std::uint64_t size = 0;
    double fragmentation = 0;
    std::uint64_t reachable = 0;     // as the checker counts it in the original
    double copySeconds = 0;
    bench::CompactRun compact;
    bool outputSound = false;
    std::string problem;
};

constexpr double MB = 1024.0 * 1024.0;

bool IsHiveFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, 4) && std::memcmp(magic, "regf", 4) == 0;
}

std::vector<std::string> HivesUnder(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && IsHiveFile(it->path())) found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string SelfPath(const char* argv0) {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return argv0;
    return std::string(buffer, static_cast<std::size_t>(n));
}

Figures Measure(const std::string& self, const std::string& hive, const std::string& label,
                const Options& options) {
    Figures f;
    f.label = label;
    const regf::CheckReport before = regf::CheckFileWithLogs(hive);
    f.size = before.stats.fileSize;
    f.fragmentation = before.stats.FragmentationPercent();
    f.reachable = before.stats.reachableBytes;
    if (!before.sound) {
        f.problem = "the original is not sound: " + (before.problems.empty() ? std::string("?") : before.problems.front());
    }
    const std::string copy = options.work + "/plain-copy";
    const std::string output = options.work + "/compacted";
    // Copies and compactions take turns, so that whatever else the machine does meanwhile
    // slows both alike; each figure is the best of its runs.
    f.copySeconds = 1e9;
    for (int i = 0; i < options.repeat; ++i) {
        std::string error;
        const double s = bench::TimeCopyInChild(self, hive, copy, error);
        if (s < 0) {
            f.problem = "plain copy failed: " + error;
            return f;
        }
        f.copySeconds = std::min(f.copySeconds, s);
        fs::remove(copy);

        fs::remove(output);
        bench::CompactRun run = bench::RunCompactionInChild(self, hive, output);
        if (!run.ok) {
            f.compact = run;
            f.problem = "compaction failed: " + run.error;
            return f;
        }
        const std::uint64_t peak = std::max(f.compact.peakKilobytes, run.peakKilobytes);
        if (!f.compact.ok || run.seconds < f.compact.seconds) f.compact = run;
        f.compact.peakKilobytes = peak;
    }
    const regf::CheckReport after = regf::CheckFile(output);
    f.outputSound = after.sound;
    if (!after.sound && f.problem.empty()) {
        f.problem = "the compacted copy is not sound: " + (after.problems.empty() ? std::string("?") : after.problems.front());
    }
    fs::remove(output);
    return f;
}

// The big hive as a machine that lost power leaves it: a write of the first 4 MB of its bins
// reached the .LOG1 but only garbage reached the file. Recovery must give back the big hive.
bool MakeDirtyCopy(const std::string& clean, const std::string& folder, std::string& dirtyPath) {
    std::ifstream in(clean, std::ios::binary | std::ios::ate);
    if (!in) return false;
    std::vector<std::uint8_t> after(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(after.data()), static_cast<std::streamsize>(after.size()))) return false;
    std::vector<std::uint8_t> before = after;
    const std::size_t torn = std::min<std::size_t>(4 << 20, before.size() - 4096);
    for (std::size_t i = 0; i < torn; ++i) before[4096 + i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::vector<std::uint8_t> log = regf::WriteLogEntries({before, after});
    after.clear();
    after.shrink_to_fit();
    // A write began: the primary sequence number is one up, and the checksum follows it.
    before[4] = static_cast<std::uint8_t>(before[4] + 1);
    std::uint32_t sum = 0;
    for (int i = 0; i < 508; i += 4)
        sum ^= before[i] | before[i + 1] << 8 | before[i + 2] << 16 | static_cast<std::uint32_t>(before[i + 3]) << 24;
    if (sum == 0) sum = 1;
    if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
    for (int i = 0; i < 4; ++i) before[508 + i] = static_cast<std::uint8_t>(sum >> (8 * i));
    fs::create_directories(folder);
    dirtyPath = folder + "/NTUSER.DAT";
    std::ofstream hive(dirtyPath, std::ios::binary | std::ios::trunc);
    hive.write(reinterpret_cast<const char*>(before.data()), static_cast<std::streamsize>(before.size()));
    std::ofstream logFile(folder + "/ntuser.dat.LOG1", std::ios::binary | std::ios::trunc);
    logFile.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    return static_cast<bool>(hive) && static_cast<bool>(logFile);
}

const char* Mark(bool met) { return met ? "yes" : "NO"; }

void Print(const std::vector<Figures>& all) {
    std::printf("\n%-34s %8s %6s %8s %8s %6s %7s %8s %6s %8s %11s %11s %7s %s\n", "hive", "size MB",
                "free%", "copy ms", "compact", "x copy", "MB/s", "peak MB", "x size", "limit MB",
                "output B", "packed B", "excess", "goals time/mem/size");
    for (const auto& f : all) {
        if (!f.compact.ok) {
            std::printf("%-34.34s %8.2f  %s\n", f.label.c_str(), f.size / MB, f.problem.c_str());
            continue;
        }
        const double ratio = f.compact.seconds / std::max(f.copySeconds, 1e-9);
        const double peakMB = f.compact.peakKilobytes / 1024.0;
        const double limitMB = 2.0 * f.size / MB + 16;
        // The smallest file that holds the cells written in 4096-byte bins, after the base
        // block. The output may exceed it by the bin tails no remaining cell fitted, and fall
        // below it where a large cell's bin spans pages under one header.
        const std::uint64_t packed = regf::PackedHiveSize(f.compact.reachableBytes);
        const long long excess = static_cast<long long>(f.compact.outputSize) - static_cast<long long>(packed);
        std::printf("%-34.34s %8.2f %6.1f %8.1f %8.1f %6.2f %7.1f %8.1f %6.2f %8.1f %11llu %11llu %7lld %s/%s/%s%s%s\n",
                    f.label.c_str(), f.size / MB, f.fragmentation, f.copySeconds * 1000,
                    f.compact.seconds * 1000, ratio, f.size / MB / f.compact.seconds, peakMB,
                    peakMB / (f.size / MB), limitMB, static_cast<unsigned long long>(f.compact.outputSize),
                    static_cast<unsigned long long>(packed), excess, Mark(ratio <= 3.0),
                    Mark(peakMB <= limitMB), Mark(excess <= 0),
                    f.problem.empty() ? "" : "  ", f.problem.c_str());
        if (f.compact.reachableBytes != f.reachable) {
            std::printf("%-34s   (reachable: %llu B in the original as the checker counts, %llu B written)\n", "",
                        static_cast<unsigned long long>(f.reachable),
                        static_cast<unsigned long long>(f.compact.reachableBytes));
        }
    }
    std::printf("\ngoals: compaction within 3x the plain copy; peak memory under 2 x size + 16 MB;\n"
                "output size at most the packed size of the reachable cells (base block + full 4096-byte bins).\n"
                "copy and compact = best of the runs (ms), each timed inside a fresh process of its own;\n"
                "peak = the compaction process's VmHWM, its whole resident peak (program and\n"
                "libraries included); x size = peak / hive size. A dirty hive is recovered from its\n"
                "logs in memory before it is compacted, as the offline platform saves it.\n");
}

int Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: bench-compact [--sample DIR] [--work DIR] [--big-mb N | --no-big] [--dirty] [--repeat N] [HIVE...]\n"
                 "Compacts every hive under DIR (default %s) and the given HIVE files, and a\n"
                 "hive of N MB (default 100) built in the work folder, and prints per hive the\n"
                 "plain copy's time, the compaction's time, throughput, peak memory and sizes.\n"
                 "--dirty also compacts the big hive left dirty with its last write in a .LOG1.\n",
                 KV_DEFAULT_SAMPLE);
    return to == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], bench::kChildSwitch) == 0) return bench::CompactChildMain(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], bench::kCopyChildSwitch) == 0) return bench::CopyChildMain(argv[2], argv[3]);
    Options options;
    bool big = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasNext = i + 1 < argc;
        if (arg == "--help" || arg == "-h") return Usage(stdout);
        if (arg == "--sample" && hasNext) options.sample = argv[++i];
        else if (arg == "--work" && hasNext) options.work = argv[++i];
        else if (arg == "--big-mb" && hasNext) options.bigMegabytes = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--no-big") big = false;
        else if (arg == "--dirty") options.dirty = true;
        else if (arg == "--repeat" && hasNext) options.repeat = std::max(1, std::atoi(argv[++i]));
        else if (!arg.empty() && arg[0] != '-') options.hives.push_back(arg);
        else {
            std::fprintf(stderr, "bench-compact: unknown or incomplete argument '%s'\n", arg.c_str());
            return Usage(stderr);
        }
    }
    if (options.work.empty()) options.work = (fs::temp_directory_path() / "bench-compact").string();
    std::error_code ec;
    fs::create_directories(options.work, ec);
    if (ec) {
        std::fprintf(stderr, "bench-compact: cannot create %s: %s\n", options.work.c_str(), ec.message().c_str());
        return 1;
    }
    const std::string self = SelfPath(argv[0]);

    std::vector<std::pair<std::string, std::string>> jobs;   // path, label
    if (options.hives.empty()) {
        const auto found = HivesUnder(options.sample);
        if (found.empty()) std::fprintf(stderr, "bench-compact: no hive files under %s\n", options.sample.c_str());
        for (const auto& h : found) jobs.emplace_back(h, fs::path(h).filename().string());
    }
    for (const auto& h : options.hives) jobs.emplace_back(h, fs::path(h).filename().string());
    if (big && options.bigMegabytes > 0) {
        const std::string path = options.work + "/big-" + std::to_string(options.bigMegabytes) + "MB.hive";
        if (!fs::exists(path)) {
            std::printf("building a %llu MB hive in %s ...\n", static_cast<unsigned long long>(options.bigMegabytes), path.c_str());
            std::fflush(stdout);
            const regf::Status built = bench::BuildBigHive(path, options.bigMegabytes * 1024 * 1024);
            if (!built) {
                std::fprintf(stderr, "bench-compact: building the big hive failed: %s\n", built.error().ToString().c_str());
                return 1;
            }
        }
        jobs.emplace_back(path, "big hive (" + std::to_string(options.bigMegabytes) + " MB asked)");
        if (options.dirty) {
            std::string dirty;
            std::printf("making a dirty copy of it with a .LOG1 ...\n");
            std::fflush(stdout);
            if (!MakeDirtyCopy(path, options.work + "/dirty-" + std::to_string(options.bigMegabytes) + "MB", dirty)) {
                std::fprintf(stderr, "bench-compact: cannot make the dirty copy of the big hive\n");
                return 1;
            }
            jobs.emplace_back(dirty, "big hive, dirty, with its .LOG1");
        }
    }
    if (jobs.empty()) return 1;

    std::vector<Figures> all;
    bool failed = false;
    for (const auto& [path, label] : jobs) {
        std::printf("measuring %s ...\n", label.c_str());
        std::fflush(stdout);
        all.push_back(Measure(self, path, label, options));
        failed = failed || !all.back().compact.ok || !all.back().outputSound;
    }
    Print(all);
    return failed ? 1 : 0;
}
