#include "plain_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace kelvara::bench {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

double TimePlainCopy(const std::string& from, const std::string& to, std::string& error) {
    const auto start = std::chrono::steady_clock::now();
    Fd in{open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) {
        error = "cannot open " + from + ": " + std::strerror(errno);
        return -1;
    }
    Fd out{open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (out.fd < 0) {
        error = "cannot create " + to + ": " + std::strerror(errno);
        return -1;
    }
    std::vector<char> buffer(128 << 10);
    for (;;) {
        const ssize_t n = read(in.fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "reading " + from + ": " + std::strerror(errno);
            return -1;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out.fd, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                error = "writing " + to + ": " + std::strerror(errno);
                return -1;
            }
            done += w;
        }
    }
    if (close(out.fd) != 0) {
        out.fd = -1;
        error = "closing " + to + ": " + std::strerror(errno);
        return -1;
    }
    out.fd = -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kelvara::bench
