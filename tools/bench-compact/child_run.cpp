#include "child_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "plain_copy.h"
#include "regf/regf.h"

namespace kelvara::bench {

namespace {

struct ChildResult {
    bool exited = false;     // exited with status 0
    int status = 0;
    std::string output;      // what it printed
    rusage usage{};
    std::string error;       // why it could not run
};

ChildResult RunChild(const std::string& self, const char* mode, const std::string& input, const std::string& output) {
    ChildResult child;
    int fds[2];
    if (pipe(fds) != 0) {
        child.error = std::string("pipe: ") + std::strerror(errno);
        return child;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        child.error = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return child;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(self.c_str(), self.c_str(), mode, input.c_str(), output.c_str(), static_cast<char*>(nullptr));
        std::fprintf(stderr, "bench-compact: cannot run %s: %s\n", self.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(fds[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        child.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    while (wait4(pid, &child.status, 0, &child.usage) < 0 && errno == EINTR) {
    }
    child.exited = WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
    if (!child.exited) {
        child.error = child.output.empty()
                          ? "the " + std::string(mode + 2) + " process failed (status " + std::to_string(child.status) + ")"
                          : child.output;
        while (!child.error.empty() && child.error.back() == '\n') child.error.pop_back();
    }
    return child;
}

}  // namespace

CompactRun RunCompactionInChild(const std::string& self, const std::string& input,
                                const std::string& output) {
    CompactRun run;
    const ChildResult child = RunChild(self, kChildSwitch, input, output);
    if (!child.exited) {
        run.error = child.error;
        return run;
    }
    // ru_maxrss also remembers the parent's memory that the child held between fork and exec,
    // so the child's own high-water mark (VmHWM) is preferred; ru_maxrss is the fallback.
    run.peakKilobytes = static_cast<std::uint64_t>(child.usage.ru_maxrss);
    std::istringstream in(child.output);
    std::uint64_t highWater = 0;
    in >> run.seconds >> run.outputSize >> run.reachableBytes >> run.keys >> run.values >>
        run.securityDescriptors >> highWater;
    if (!in) {
        run.error = "unreadable answer from the compaction process: " + child.output;
        return run;
    }
    if (highWater > 0) run.peakKilobytes = highWater;
    run.ok = true;
    return run;
}

double TimeCopyInChild(const std::string& self, const std::string& input, const std::string& output,
                       std::string& error) {
    const ChildResult child = RunChild(self, kCopyChildSwitch, input, output);
    if (!child.exited) {
        error = child.error;
        return -1;
    }
    std::istringstream in(child.output);
    double seconds = -1;
    if (!(in >> seconds) || seconds < 0) {
        error = "unreadable answer from the copy process: " + child.output;
        return -1;
    }
    return seconds;
}

int CopyChildMain(const std::string& input, const std::string& output) {
    std::string error;
    const double seconds = TimePlainCopy(input, output, error);
    if (seconds < 0) {
        std::printf("%s\n", error.c_str());
        return 1;
    }
    std::printf("%.6f\n", seconds);
    return 0;
}

namespace {

// This process's peak resident memory in KB, from /proc/self/status; 0 when unknown.
std::uint64_t HighWaterKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

}  // namespace

int CompactChildMain(const std::string& input, const std::string& output) {
    const auto start = std::chrono::steady_clock::now();
    // As the offline platform saves hives: a dirty one is recovered from its logs first.
    regf::CompactOptions options;
    options.recoverFromLogs = true;
    const auto result = regf::Compact(input, output, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result) {
        std::printf("%s\n", result.error().ToString().c_str());
        return 1;
    }
    const regf::CompactStats& s = result.value();
    std::printf("%.6f %llu %llu %u %u %u %llu\n", seconds,
                static_cast<unsigned long long>(s.outputSize),
                static_cast<unsigned long long>(s.reachableBytes), s.keys, s.values,
                s.securityDescriptors, static_cast<unsigned long long>(HighWaterKilobytes()));
    return 0;
}

}  // namespace kelvara::bench
