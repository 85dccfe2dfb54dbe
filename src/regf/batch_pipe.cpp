#include "regf/batch_pipe.h"

#include <system_error>

namespace kelvara::regf {

namespace {
// The reader starts with a few batches and makes more, up to the most, only when the writer
// falls behind: parts of a hive that are quick to read and slow to write (many values) then
// build a lead that carries the writer through parts that go the other way (many keys).
constexpr std::size_t kFirstBatches = 3;
constexpr std::size_t kMostBatches = 32;
}  // namespace

BatchPipe::BatchPipe(bool threaded, Consumer consume, std::size_t threadedEvents, std::function<void()> onWriterThread)
    : consume_(std::move(consume)), threaded_(threaded), threadedEvents_(threadedEvents),
      shared_(std::make_shared<Shared>()) {
    const std::size_t events = threaded ? threadedEvents : KeyBatch::kInlineEvents;
    for (std::size_t i = 0; i < (threaded ? kFirstBatches : 1); ++i)
        shared_->empty.push_back(&batches_.emplace_back(events));
    current_ = shared_->empty.front();
    shared_->empty.pop_front();
    if (!threaded_) return;
    try {
        writer_ = std::thread(WriterLoop, shared_, this, std::move(onWriterThread));
    } catch (const std::system_error&) {
        // No thread to be had (the system is out of them): the writer runs as batches fill.
        threaded_ = false;
    }
}

BatchPipe::~BatchPipe() { Abandon(); }

Status BatchPipe::WriteCurrentHere() {
    Status done = consume_(*current_);
    current_->Clear();
    return done;
}

Status BatchPipe::Send() {
    current_->Seal();
    if (!threaded_) return WriteCurrentHere();
    Shared& shared = *shared_;
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (shared.failed) return shared.error;
    if (!shared.started) {
        // The system has not run the writer's thread yet, which can take milliseconds: the
        // reader writes this batch itself rather than let work pile up for a thread that is
        // not there. Nothing was queued before, so the order holds.
        Write(lock, *current_, After::Reused);
        return shared.failed ? shared.error : Status(Done{});
    }
    shared.full.push_back(current_);
    shared.changed.notify_all();
    if (shared.empty.empty() && batches_.size() < kMostBatches) {
        // Only this thread adds batches, and the writer only ever holds pointers to them.
        current_ = &batches_.emplace_back(threadedEvents_);
        return Done{};
    }
    shared.changed.wait(lock, [&] { return !shared.empty.empty() || shared.failed; });
    if (shared.failed) return shared.error;
    current_ = shared.empty.front();
    shared.empty.pop_front();
    return Done{};
}

Status BatchPipe::Close() {
    current_->Seal();
    if (!threaded_) return WriteCurrentHere();
    Shared& shared = *shared_;
    std::unique_lock<std::mutex> lock(shared.mutex);
    shared.full.push_back(current_);
    current_ = nullptr;
    shared.changed.notify_all();
    // The reader writes whatever the writer's thread leaves: while that thread runs it keeps
    // taking the next batch itself, but a thread the system is slow to start or wake would
    // otherwise keep the copy waiting.
    for (;;) {
        shared.changed.wait(lock, [&] { return !shared.writing || shared.failed; });
        if (shared.failed || shared.full.empty()) break;
        KeyBatch* batch = shared.full.front();
        shared.full.pop_front();
        Write(lock, *batch, After::ToEmpty);
    }
    Status result = shared.failed ? shared.error : Status(Done{});
    Release(lock);
    return result;
}

void BatchPipe::Abandon() {
    if (!writer_.joinable()) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    Release(lock);
}

void BatchPipe::Release(std::unique_lock<std::mutex>& lock) {
    Shared& shared = *shared_;
    // A batch being written uses this pipe and its consumer: wait for it.
    shared.changed.wait(lock, [&] { return !shared.writing; });
    shared.released = true;
    shared.changed.notify_all();
    lock.unlock();
    // Not joined: a thread that has not run yet (or sleeps) could take milliseconds to end.
    // From here on it touches nothing but `shared`, which it keeps alive.
    if (writer_.joinable()) writer_.detach();
}

void BatchPipe::Write(std::unique_lock<std::mutex>& lock, KeyBatch& batch, After after) {
    Shared& shared = *shared_;
    shared.writing = true;
    lock.unlock();
    Status done = consume_(batch);
    batch.Clear();
    lock.lock();
    shared.writing = false;
    if (!done && !shared.failed) {
        shared.error = done;
        shared.failed = true;
    }
    if (after == After::ToEmpty) shared.empty.push_back(&batch);
    shared.changed.notify_all();
}

void BatchPipe::WriterLoop(std::shared_ptr<Shared> shared, BatchPipe* pipe, std::function<void()> first) {
    if (first) first();
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->started = true;
    for (;;) {
        shared->changed.wait(lock, [&] {
            return shared->released || shared->failed || (!shared->full.empty() && !shared->writing);
        });
        // Once released, the pipe may be gone: only `shared` is looked at.
        if (shared->released || shared->failed) return;
        KeyBatch* batch = shared->full.front();
        shared->full.pop_front();
        pipe->Write(lock, *batch, After::ToEmpty);
    }
}

}  // namespace kelvara::regf
