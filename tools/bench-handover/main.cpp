// The cost of the hand-over as a user meets it: the Linux program's /Silent (analyse, hand over,
// restart) and then /Undo on a fresh copy of the sample installation, each against the floor of
// any tool that rewrites those hives durably: copying the same hive files and flushing each file
// and each folder. Prints the median of each over the runs.
//
//   bench-handover [--repeat N] [--sample FOLDER] [--program KELVARA] [--without-undo 1]
// (--without-undo for a program that has no /Undo, to compare with an older build)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The program on the folder with one switch, its output thrown away; false when it failed.
bool RunProgram(const std::string& program, const fs::path& root, const char* switchName) {
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        setenv("KELVARA_OFFLINE_ROOT", root.c_str(), 1);
        // A folder of its own for the single-instance channel, so that a program running
        // elsewhere does not take this start for a second one.
        const fs::path channel = root.string() + "-runtime";
        fs::create_directories(channel);
        setenv("XDG_RUNTIME_DIR", channel.c_str(), 1);
        execl(program.c_str(), program.c_str(), switchName, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Flush(const fs::path& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// The hive files of the installation: every file below its config folder and its profiles.
std::vector<fs::path> HiveFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root));
    return files;
}

// Copies each file beside itself and flushes it, then flushes each folder once.
bool CopyAndSync(const fs::path& root, const std::vector<fs::path>& files) {
    std::set<fs::path> folders;
    for (const fs::path& file : files) {
        const fs::path copy = root / (file.string() + ".copy");
        std::error_code ec;
        fs::copy_file(root / file, copy, fs::copy_options::overwrite_existing, ec);
        if (ec || !Flush(copy, O_RDONLY)) return false;
        folders.insert(copy.parent_path());
    }
    for (const fs::path& folder : folders)
        if (!Flush(folder, O_RDONLY | O_DIRECTORY)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5;
    bool withUndo = true;
    std::string sample = KV_DEFAULT_SAMPLE, program = KV_KELVARA_PROGRAM;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--sample") sample = argv[i + 1];
        else if (option == "--program") program = argv[i + 1];
        else if (option == "--without-undo") withUndo = std::string(argv[i + 1]) != "1";
        else {
            std::fprintf(stderr, "usage: bench-handover [--repeat N] [--sample FOLDER] [--program KELVARA] "
                                 "[--without-undo 1]\n");
            return 2;
        }
    }
    const std::vector<fs::path> files = HiveFiles(sample);
    std::uintmax_t bytes = 0;
    for (const fs::path& file : files) bytes += fs::file_size(fs::path(sample) / file);

    std::vector<double> silent, undo, copy;
    const fs::path work = fs::temp_directory_path() / ("bench-handover-" + std::to_string(getpid()));
    for (int run = 0; run < repeat; ++run) {
        fs::remove_all(work);
        fs::copy(sample, work, fs::copy_options::recursive);
        auto start = Clock::now();
        if (!RunProgram(program, work, "/Silent")) {
            std::fprintf(stderr, "%s /Silent failed on %s\n", program.c_str(), work.c_str());
            return 1;
        }
        silent.push_back(SecondsSince(start));
        if (!fs::exists(work / "Windows/System32/config/SYSTEM.bak")) {
            std::fprintf(stderr, "%s /Silent replaced nothing in %s\n", program.c_str(), work.c_str());
            return 1;
        }
        start = Clock::now();
        if (withUndo && !RunProgram(program, work, "/Undo")) {
            std::fprintf(stderr, "%s /Undo failed on %s\n", program.c_str(), work.c_str());
            return 1;
        }
        undo.push_back(SecondsSince(start));

        fs::remove_all(work);
        fs::copy(sample, work, fs::copy_options::recursive);
        start = Clock::now();
        if (!CopyAndSync(work, files)) {
            std::fprintf(stderr, "copying and syncing %s failed\n", work.c_str());
            return 1;
        }
        copy.push_back(SecondsSince(start));
    }
    fs::remove_all(work);
    fs::remove_all(work.string() + "-runtime");

    const double floor = Median(copy);
    std::printf("%zu hive files, %.1f MB, median of %d runs, on %s\n", files.size(), bytes / 1048576.0, repeat,
                fs::temp_directory_path().c_str());
    std::printf("  copy + sync of the files   %8.1f ms\n", floor * 1000);
    std::printf("  /Silent (the whole job)    %8.1f ms   %5.1f x copy + sync\n", Median(silent) * 1000,
                Median(silent) / floor);
    if (withUndo)
        std::printf("  /Undo                      %8.1f ms   %5.1f x copy + sync\n", Median(undo) * 1000,
                    Median(undo) / floor);
    return 0;
}
