#include "ui/headless/instance_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kelvara::ui::headless {
namespace {

// One message on the wire: msg (4 bytes), wParam (8), lParam (8), little-endian.
constexpr std::size_t kWireSize = 20;

std::string FileBase(const std::string& dir, const std::string& className) {
    std::string name;
    for (char c : className) {
        if (c == '\0') break;
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += plain ? c : '_';
    }
    if (name.empty()) name = "_";
    return dir + "/" + name;
}

void PutLE(std::uint8_t* at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t GetLE(const std::uint8_t* at, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return v;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

class SocketWindow : public RemoteWindow {
public:
    explicit SocketWindow(std::string path) : path_(std::move(path)) {}

    bool Post(unsigned msg, std::uintptr_t w, std::intptr_t l) override {
        sockaddr_un addr;
        if (!FillAddress(path_, addr)) return false;
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        std::uint8_t wire[kWireSize];
        PutLE(wire, msg, 4);
        PutLE(wire + 4, static_cast<std::uint64_t>(w), 8);
        PutLE(wire + 12, static_cast<std::uint64_t>(l), 8);
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                  write(fd, wire, kWireSize) == static_cast<ssize_t>(kWireSize);
        close(fd);
        return ok;
    }
    // Without a display there is no foreground; the message posted does the showing.
    bool SetForeground() override { return true; }

private:
    std::string path_;
};

}  // namespace

std::string DefaultRuntimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg) return std::string(xdg) + "/kelvara";
    return "/tmp/kelvara-" + std::to_string(getuid());
}

InstanceServer::InstanceServer(const std::string& dir, const std::string& className, FormHandle target)
    : target_(std::move(target)) {
    mkdir(dir.c_str(), 0700);
    std::string base = FileBase(dir, className);
    socketPath_ = base + ".sock";
    lockFd_ = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) return;
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        close(lockFd_);
        lockFd_ = -1;
        return;
    }
    sockaddr_un addr;
    if (!FillAddress(socketPath_, addr)) return;
    unlink(socketPath_.c_str());  // a socket left by a process that died
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0 ||
        pipe2(stopPipe_, O_CLOEXEC) != 0) {
        close(fd);
        return;
    }
    listenFd_ = fd;
    thread_ = std::thread([this] { Serve(); });
}

InstanceServer::~InstanceServer() {
    if (thread_.joinable()) {
        char stop = 1;
        (void)!write(stopPipe_[1], &stop, 1);
        thread_.join();
    }
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    for (int fd : stopPipe_)
        if (fd >= 0) close(fd);
    if (lockFd_ >= 0) close(lockFd_);  // releases the lock
}

void InstanceServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int conn = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) continue;
        std::uint8_t wire[kWireSize];
        std::size_t got = 0;
        while (got < kWireSize) {
            ssize_t n = read(conn, wire + got, kWireSize - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        close(conn);
        if (got != kWireSize) continue;  // a torn or foreign message is dropped
        target_.Post(static_cast<unsigned>(GetLE(wire, 4)), static_cast<std::uintptr_t>(GetLE(wire + 4, 8)),
                     static_cast<std::intptr_t>(GetLE(wire + 12, 8)));
    }
}

std::unique_ptr<RemoteWindow> FindInstance(const std::string& dir, const std::string& className) {
    std::string base = FileBase(dir, className);
    int fd = open((base + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // closing drops our lock if we got it
    if (!held) return nullptr;
    return std::make_unique<SocketWindow>(base + ".sock");
}

}  // namespace kelvara::ui::headless
