#include "ui/widget_set.h"

#include <thread>

namespace kelvara::ui {
namespace {

// A std::thread, detached at once: the thread object outlives nobody's join, and a forced end
// does not exist for it.
class StdThreadPeer : public ThreadPeer {
public:
    bool ForceEnd(unsigned) override { return false; }
};

}  // namespace

std::unique_ptr<ThreadPeer> WidgetSet::StartStdThread(std::function<void()> body) {
    std::thread(std::move(body)).detach();
    return std::make_unique<StdThreadPeer>();
}

}  // namespace kelvara::ui
