#pragma once
// A worker thread object: Execute runs on a thread of its own; it may be created suspended and
// started later; Terminate() only raises a request flag that Execute looks at; with
// FreeOnTerminate the object deletes itself when Execute returns, so its creator must not
// touch it afterwards: keep a ThreadHandle instead, which stays valid.
#include <atomic>
#include <memory>

namespace kelvara::ui {

class ThreadPeer;
class Thread;

namespace detail {
struct ThreadState;
}

// Creates a thread object and starts it unless it is created suspended (starting in the base
// constructor would run Execute before the derived object exists).
template <class ThreadClass, class... Args>
ThreadClass* StartThread(bool createSuspended, Args&&... args);

// A safe reference to a thread that may have freed itself.
class ThreadHandle {
public:
    ThreadHandle() = default;
    bool Running() const;
    bool Finished() const;
    // Raises the termination request (no effect once finished).
    void Terminate() const;
    // Ends the thread at once where the platform can (TerminateThread on Windows). False when
    // it cannot (the headless set has no forced end) or the thread is not running.
    bool ForceEnd(unsigned exitCode = 0) const;
    // Blocks until Execute has returned (or the thread was ended).
    void WaitFor() const;

private:
    friend class Thread;
    explicit ThreadHandle(std::shared_ptr<detail::ThreadState> s) : state_(std::move(s)) {}
    std::shared_ptr<detail::ThreadState> state_;
};

class Thread {
public:
    // Threads are made with new (they may delete themselves); start with Start() or make them
    // with StartThread<T>(...).
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts a suspended thread (once).
    void Start();
    void Terminate() { handle_.Terminate(); }
    bool Terminated() const;
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool f) { freeOnTerminate_ = f; }
    ThreadHandle Handle() const { return handle_; }
    // Waits for Execute to return; only for threads that do not free themselves.
    void WaitFor() { handle_.WaitFor(); }

protected:
    virtual void Execute() = 0;

private:
    void Run();
    ThreadHandle handle_;
    std::atomic<bool> freeOnTerminate_{false};
    bool started_ = false;
};

template <class ThreadClass, class... Args>
ThreadClass* StartThread(bool createSuspended, Args&&... args) {
    auto* t = new ThreadClass(std::forward<Args>(args)...);
    if (!createSuspended) t->Start();
    return t;
}

// Threads started and not yet finished, in this process.
int RunningThreadCount();

}  // namespace kelvara::ui
