// Carries key batches from the compactor's reading half to its writing half: on a thread of
// its own when the hive is large enough for the two halves to overlap, or by calling the
// writer right away. Either way the batches are written in order, one at a time. The reader
// never waits for the writer's thread to be run by the system, which on a busy or virtual
// machine can take milliseconds: until it runs, and at the end for what it has not taken, the
// reader writes the batches itself.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "regf/key_batch.h"
#include "regf/regf.h"

namespace kelvara::regf {

class BatchPipe {
public:
    using Consumer = std::function<Status(KeyBatch&)>;
    // Threaded batches hold up to `threadedEvents` events (see KeyBatch). `onWriterThread`, if
    // given, runs first thing on the writer's thread: tests use it to play a thread that the
    // system runs late.
    BatchPipe(bool threaded, Consumer consume, std::size_t threadedEvents = KeyBatch::kThreadedEvents,
              std::function<void()> onWriterThread = {});
    ~BatchPipe();
    BatchPipe(const BatchPipe&) = delete;
    BatchPipe& operator=(const BatchPipe&) = delete;

    // The batch the reader fills.
    KeyBatch& Current() { return *current_; }
    // Hands the current batch over and gives the reader an empty one. An error is the writer's
    // first one: the reader should stop.
    Status Send();
    // Writes what is left and returns when all is written; the writer's first error.
    Status Close();
    // Writes nothing more (the reader failed); returns once no batch is being written.
    void Abandon();

private:
    // What the writer's thread shares with the pipe. The thread holds on to it by itself: a
    // thread that the system runs late may find the pipe gone, and then looks only here.
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<KeyBatch*> full;    // waiting to be written, oldest first
        std::deque<KeyBatch*> empty;   // ready for the reader
        bool started = false;          // the writer's thread has run
        bool writing = false;          // one thread or the other is writing a batch
        bool released = false;         // the pipe needs the thread no more
        bool failed = false;
        Status error = Done{};
    };

    // Without a thread: writes the current batch right away and empties it for reuse.
    Status WriteCurrentHere();
    static void WriterLoop(std::shared_ptr<Shared> shared, BatchPipe* pipe, std::function<void()> first);
    // Writes `batch` with `lock` held on entry and exit, letting it go meanwhile; the batch is
    // then ready for the reader again, or `reused` by it straight away.
    enum class After { ToEmpty, Reused };
    void Write(std::unique_lock<std::mutex>& lock, KeyBatch& batch, After after);
    // Lets the writer's thread go once no batch is being written.
    void Release(std::unique_lock<std::mutex>& lock);

    Consumer consume_;
    bool threaded_;
    std::size_t threadedEvents_;
    KeyBatch* current_ = nullptr;
    std::deque<KeyBatch> batches_;        // every batch there is; the pointers stay valid
    std::shared_ptr<Shared> shared_;
    std::thread writer_;
};

}  // namespace kelvara::regf
