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

BatchPipe::BatchPipe(bool threaded, Consumer consume, std::size_t threadedEvents)
    : consume_(std::move(consume)), threaded_(threaded), threadedEvents_(threadedEvents) {
    const std::size_t events = threaded ? threadedEvents : KeyBatch::kInlineEvents;
    for (std::size_t i = 0; i < (threaded ? kFirstBatches : 1); ++i) empty_.push_back(&batches_.emplace_back(events));
    current_ = empty_.front();
    empty_.pop_front();
    if (!threaded_) return;
    try {
        writer_ = std::thread([this] { WriterLoop(); });
    } catch (const std::system_error&) {
        // No thread to be had (the system is out of them): the writer runs as batches fill.
        threaded_ = false;
    }
}

BatchPipe::~BatchPipe() {
    if (writer_.joinable()) {
        Abandon();
        writer_.join();
    }
}

Status BatchPipe::Send() {
    current_->Seal();
    if (!threaded_) {
        Status done = consume_(*current_);
        current_->Clear();
        return done;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    full_.push_back(current_);
    changed_.notify_all();
    if (empty_.empty() && !failed_ && batches_.size() < kMostBatches) {
        // Only this thread adds batches, and the writer only ever holds pointers to them.
        current_ = &batches_.emplace_back(threadedEvents_);
        return Done{};
    }
    changed_.wait(lock, [&] { return !empty_.empty() || failed_; });
    if (failed_) return error_;
    current_ = empty_.front();
    empty_.pop_front();
    return Done{};
}

Status BatchPipe::Close() {
    if (!threaded_) {
        current_->Seal();
        Status done = consume_(*current_);
        current_->Clear();
        return done;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        current_->Seal();
        full_.push_back(current_);
        current_ = nullptr;
        closing_ = true;
        changed_.notify_all();
    }
    writer_.join();
    return error_;
}

void BatchPipe::Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
}

void BatchPipe::WriterLoop() {
    for (;;) {
        KeyBatch* batch = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !full_.empty() || closing_ || abandoned_; });
            if (abandoned_ || full_.empty()) return;
            batch = full_.front();
            full_.pop_front();
        }
        Status done = consume_(*batch);
        batch->Clear();
        std::lock_guard<std::mutex> lock(mutex_);
        if (!done) {
            error_ = done;
            failed_ = true;
            changed_.notify_all();
            return;
        }
        empty_.push_back(batch);
        changed_.notify_all();
    }
}

}  // namespace kelvara::regf
