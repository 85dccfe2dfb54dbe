// Carries key batches from the compactor's reading half to its writing half: on a thread of
// its own when the hive is large enough for the two halves to overlap, or by calling the
// writer right away. Either way the writer sees the batches in order, one at a time.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "regf/key_batch.h"
#include "regf/regf.h"

namespace kelvara::regf {

class BatchPipe {
public:
    using Consumer = std::function<Status(KeyBatch&)>;
    // Threaded batches hold up to `threadedEvents` events (see KeyBatch).
    BatchPipe(bool threaded, Consumer consume, std::size_t threadedEvents = KeyBatch::kThreadedEvents);
    ~BatchPipe();
    BatchPipe(const BatchPipe&) = delete;
    BatchPipe& operator=(const BatchPipe&) = delete;

    // The batch the reader fills.
    KeyBatch& Current() { return *current_; }
    // Hands the current batch over and gives the reader an empty one. An error is the writer's
    // first one: the reader should stop.
    Status Send();
    // Hands over what is left and waits until the writer is done; the writer's first error.
    Status Close();
    // Stops the writer without waiting for what is queued (the reader failed).
    void Abandon();

private:
    void WriterLoop();
    Status WriterError();

    Consumer consume_;
    bool threaded_;
    std::size_t threadedEvents_;
    KeyBatch* current_ = nullptr;
    std::deque<KeyBatch> batches_;        // every batch there is; the pointers stay valid
    std::deque<KeyBatch*> full_;          // waiting for the writer, oldest first
    std::deque<KeyBatch*> empty_;         // ready for the reader
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closing_ = false;
    bool abandoned_ = false;
    bool failed_ = false;
    Status error_ = Done{};
    std::thread writer_;
};

}  // namespace kelvara::regf
