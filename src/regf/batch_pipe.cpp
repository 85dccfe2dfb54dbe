#include "regf/batch_pipe.h"

#include <system_error>

namespace kelvara::regf {

namespace {
// Enough that the reader can run ahead while the writer works through a batch.
constexpr int kBatchesInFlight = 3;
}  // namespace

BatchPipe::BatchPipe(bool threaded, Consumer consume) : consume_(std::move(consume)), threaded_(threaded) {
    for (int i = 0; i < (threaded ? kBatchesInFlight : 1); ++i) empty_.push_back(&batches_.emplace_back());
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
