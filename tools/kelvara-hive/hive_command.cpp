#include "hive_command.h"

#include <cstdio>

#include "regf/regf.h"

namespace kelvara::tools {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "Usage: kelvara-hive COMMAND ARGUMENTS\n"
    "Checks, compacts and measures Windows registry hive files.\n"
    "\n"
    "Commands:\n"
    "  check HIVE         check the hive's structure and report what is wrong, with offsets;\n"
    "                     exit 0 when sound, 1 when damaged or dirty; layouts that other\n"
    "                     readers misread are listed as warnings and change no exit status\n"
    "  compact HIVE OUT   write a compacted copy of HIVE to OUT (replacing it); exit 0 when\n"
    "                     written, 1 when refused (a damaged or dirty hive), with the reason\n"
    "  stat HIVE          print the file size, used, free and reachable bytes and the\n"
    "                     fragmentation percent\n"
    "  --help             show this text\n";

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "kelvara-hive: " << problem << "\n\n" << kUsageText;
    return kUsage;
}

int Check(const std::string& hive, std::ostream& out) {
    regf::CheckReport report = regf::CheckFile(hive);
    out << hive << ":\n" << report.Text();
    return report.sound ? kDone : kRefused;
}

int Stat(const std::string& hive, std::ostream& out, std::ostream& err) {
    auto file = regf::HiveFile::Open(hive);
    if (!file) {
        err << "kelvara-hive: " << file.error().ToString() << "\n";
        return kRefused;
    }
    regf::HiveStats stats = regf::Check(*file).stats;
    out << "file size:        " << stats.fileSize << " bytes\n"
        << "used:             " << stats.usedBytes << " bytes\n"
        << "free:             " << stats.freeBytes << " bytes\n"
        << "reachable:        " << stats.reachableBytes << " bytes\n"
        << "fragmentation:    " << Percent(stats.FragmentationPercent()) << " %\n"
        << "compacted size:   about " << regf::PackedHiveSize(stats.reachableBytes) << " bytes\n";
    if (file->IsDirty()) out << "note: the hive is dirty (its last write did not finish)\n";
    return kDone;
}

int Compact(const std::string& hive, const std::string& output, std::ostream& out, std::ostream& err,
            bool showProgress) {
    regf::CompactOptions options;
    int shown = -1;
    if (showProgress) {
        options.progress = [&](std::uint64_t done, std::uint64_t total) {
            int percent = total ? static_cast<int>(done * 100 / total) : 100;
            if (percent == shown) return;
            shown = percent;
            err << "\rcompacting: " << percent << " %" << std::flush;
        };
    }
    auto stats = regf::Compact(hive, output, options);
    if (shown >= 0) err << "\n";
    if (!stats) {
        err << "kelvara-hive: not compacted: " << stats.error().ToString() << "\n";
        return kRefused;
    }
    out << "wrote " << output << ": " << stats->outputSize << " bytes (from " << stats->inputSize << "), "
        << stats->keys << " keys, " << stats->values << " values, " << stats->securityDescriptors
        << " security descriptors\n";
    return kDone;
}

}  // namespace

int RunHiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool showProgress) {
    if (args.empty()) return Usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "/?") {
        out << kUsageText;
        return kDone;
    }
    auto expect = [&](std::size_t operands) { return args.size() == operands + 1; };
    if (command == "check") return expect(1) ? Check(args[1], out) : Usage(err, "check takes one hive file");
    if (command == "stat") return expect(1) ? Stat(args[1], out, err) : Usage(err, "stat takes one hive file");
    if (command == "compact")
        return expect(2) ? Compact(args[1], args[2], out, err, showProgress)
                         : Usage(err, "compact takes a hive file and an output file");
    return Usage(err, "unknown command \"" + command + "\"");
}

}  // namespace kelvara::tools
