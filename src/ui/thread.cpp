#include "ui/thread.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "ui/application.h"
#include "ui/form_link.h"
#include "ui/widget_set.h"

namespace kelvara::ui {
namespace {

std::atomic<int> runningThreads{0};

}  // namespace

namespace detail {

struct ThreadState {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> terminateRequested{false};
    bool running = false;
    bool finished = false;
    std::unique_ptr<ThreadPeer> peer;

    // Marks the end once: by Execute returning or by a forced end, whichever comes first.
    bool MarkFinished() {
        if (!running) return false;
        running = false;
        finished = true;
        --runningThreads;
        changed.notify_all();
        return true;
    }
};

}  // namespace detail

int RunningThreadCount() { return runningThreads.load(); }

bool ThreadHandle::Running() const {
    if (!state_) return false;
    std::lock_guard lock(state_->mutex);
    return state_->running;
}

bool ThreadHandle::Finished() const {
    if (!state_) return false;
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

void ThreadHandle::Terminate() const {
    if (state_) state_->terminateRequested = true;
}

bool ThreadHandle::ForceEnd(unsigned exitCode) const {
    if (!state_) return false;
    // Holding the mutex keeps the thread out of it while it is ended, so it cannot leave the
    // mutex locked behind.
    std::lock_guard lock(state_->mutex);
    if (!state_->running || !state_->peer) return false;
    std::lock_guard posting(detail::PostingMutex());
    if (!state_->peer->ForceEnd(exitCode)) return false;
    state_->MarkFinished();
    return true;
}

void ThreadHandle::WaitFor() const {
    if (!state_) return;
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return !state_->running; });
}

Thread::Thread() : handle_(std::make_shared<detail::ThreadState>()) {}

Thread::~Thread() = default;

bool Thread::Terminated() const { return handle_.state_->terminateRequested.load(); }

void Thread::Start() {
    if (started_) return;
    started_ = true;
    auto state = handle_.state_;
    {
        std::lock_guard lock(state->mutex);
        state->running = true;
        ++runningThreads;
    }
    auto body = [this, state] { Run(); };
    std::unique_ptr<ThreadPeer> peer;
    try {
        if (Application* app = Application::Current())
            peer = app->Widgets().StartThread(body);
        else
            peer = WidgetSet::StartStdThread(body);
    } catch (...) {
        // No thread was made: it neither runs nor counts as running.
        std::lock_guard lock(state->mutex);
        state->running = false;
        --runningThreads;
        started_ = false;
        throw;
    }
    // `this` may be gone already (free on terminate): only the shared state is touched here.
    std::lock_guard lock(state->mutex);
    if (state->running) state->peer = std::move(peer);
}

void Thread::Run() {
    auto state = handle_.state_;
    try {
        Execute();
    } catch (...) {
        // A worker has nobody to report to: it ends, as if Execute had returned.
    }
    bool freeSelf = freeOnTerminate_.load();
    {
        std::lock_guard lock(state->mutex);
        state->MarkFinished();
        state->peer.reset();
    }
    if (freeSelf) delete this;
}

}  // namespace kelvara::ui
