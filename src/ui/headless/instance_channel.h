#pragma once
// Single instance without windows: the first process that makes a window of a class name
// holds an exclusive lock on "<dir>/<class>.lock" and listens on the Unix socket
// "<dir>/<class>.sock". A second process finds the lock held, connects, and sends the message
// it would post; the first posts it to its form.
#include <memory>
#include <string>
#include <thread>

#include "ui/form_handle.h"
#include "ui/widget_set.h"

namespace kelvara::ui::headless {

class InstanceServer {
public:
    // Claims the class name in dir for `target`; Claimed() is false when another holds it.
    InstanceServer(const std::string& dir, const std::string& className, FormHandle target);
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;
    bool Claimed() const { return listenFd_ >= 0; }

private:
    void Serve();
    std::string socketPath_;
    FormHandle target_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

// The running instance's window of that class name, or nullptr when none runs.
std::unique_ptr<RemoteWindow> FindInstance(const std::string& dir, const std::string& className);

// The folder for locks and sockets: $XDG_RUNTIME_DIR/kelvara, else /tmp/kelvara-<uid>.
std::string DefaultRuntimeDir();

}  // namespace kelvara::ui::headless
