// The pipe between the compactor's reading and writing halves: batches are written whole, in
// order and one at a time, by the writer's thread or, while that thread has not run, by the
// reader; a writer that falls behind lets the reader run ahead; the writer's error reaches the
// reader.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "regf/batch_pipe.h"

namespace kelvara::regf {
namespace {

using Clock = std::chrono::steady_clock;

// Marks the current batch with its number, as the reader would fill it with keys.
void Fill(BatchPipe& pipe, std::uint32_t number) {
    pipe.Current().events.push_back({KeyBatch::Step::Begin, number, 0, 0});
}

// What the writer saw: each batch's number and the thread that wrote it. Fails the test if two
// batches are ever written at the same time.
struct Written {
    std::vector<std::uint32_t> numbers;
    std::vector<std::thread::id> threads;
    std::atomic<int> inside{0};
    std::atomic<std::uint32_t> byAnotherThread{0};   // than the one that made this
    const std::thread::id reader = std::this_thread::get_id();

    Status Take(const KeyBatch& batch) {
        EXPECT_EQ(inside.fetch_add(1), 0) << "two batches written at once";
        for (const auto& event : batch.events) {
            numbers.push_back(event.index);
            threads.push_back(std::this_thread::get_id());
        }
        if (std::this_thread::get_id() != reader) byAnotherThread.fetch_add(1);
        inside.fetch_sub(1);
        return Done{};
    }

    void ExpectInOrder(std::uint32_t count) const {
        ASSERT_EQ(numbers.size(), count);
        for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(numbers[i], i);
    }
};

// Holds the writer's thread at its start until opened, or for ten seconds at most: a thread
// the system runs late. Kept alive by that thread too, which may outlive the test's pipe.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    bool passed = false;   // the thread went on

    void Open() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    }
    bool Passed() {
        std::lock_guard<std::mutex> lock(mutex);
        return passed;
    }
    static std::function<void()> HoldUntilOpen(const std::shared_ptr<Gate>& gate) {
        return [gate] {
            std::unique_lock<std::mutex> lock(gate->mutex);
            gate->opened.wait_for(lock, std::chrono::seconds(10), [&] { return gate->open; });
            gate->passed = true;
        };
    }
};

TEST(BatchPipe, WritesEveryBatchOnceInOrderAndOneAtATime) {
    for (bool threaded : {false, true}) {
        Written written;
        BatchPipe pipe(threaded, [&](KeyBatch& batch) { return written.Take(batch); });
        const std::uint32_t sent = 500;
        for (std::uint32_t i = 0; i < sent; ++i) {
            Fill(pipe, i);
            if (i + 1 < sent) {
                ASSERT_TRUE(pipe.Send().ok());
            }
        }
        ASSERT_TRUE(pipe.Close().ok());
        SCOPED_TRACE(threaded ? "threaded" : "on the reader's thread");
        written.ExpectInOrder(sent);
    }
}

TEST(BatchPipe, AWriterThatFallsBehindLetsTheReaderRunAhead) {
    // The writer's thread holds the first batch it gets until the reader has handed over twenty
    // more: with only a fixed few batches the reader would wait for it, and it would give up
    // waiting. Batches the reader writes itself, before that thread runs, are not held.
    constexpr std::uint32_t kAhead = 20;
    const std::thread::id reader = std::this_thread::get_id();
    std::atomic<std::uint32_t> handedOver{0};
    std::atomic<std::uint32_t> writtenCount{0};
    std::atomic<bool> writerHolds{false};
    bool readerKeptUp = false;
    std::vector<std::uint32_t> seen;
    BatchPipe pipe(true, [&](KeyBatch& batch) {
        if (std::this_thread::get_id() != reader && !writerHolds.load()) {
            const std::uint32_t from = handedOver.load();
            writerHolds.store(true);
            const auto until = Clock::now() + std::chrono::seconds(10);
            while (handedOver.load() < from + kAhead && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            readerKeptUp = handedOver.load() >= from + kAhead;
        }
        seen.push_back(batch.events.front().index);
        writtenCount.fetch_add(1);
        return Status(Done{});
    });
    // One batch at a time until the writer's thread holds one, so that the lead starts there.
    std::uint32_t number = 0;
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (!writerHolds.load() && Clock::now() < until) {
        Fill(pipe, number++);
        ASSERT_TRUE(pipe.Send().ok());
        handedOver.store(number);
        while (writtenCount.load() < number && !writerHolds.load() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ASSERT_TRUE(writerHolds.load()) << "the writer's thread never ran";
    for (std::uint32_t i = 0; i < kAhead; ++i) {
        Fill(pipe, number++);
        ASSERT_TRUE(pipe.Send().ok());
        handedOver.store(number);
    }
    Fill(pipe, number++);
    ASSERT_TRUE(pipe.Close().ok());
    EXPECT_TRUE(readerKeptUp) << "the reader waited for a writer that was behind";
    ASSERT_EQ(seen.size(), number);
    for (std::uint32_t i = 0; i < number; ++i) EXPECT_EQ(seen[i], i);
}

TEST(BatchPipe, AWriterThreadThatNeverRunsDoesNotHoldUpTheCopy) {
    auto gate = std::make_shared<Gate>();
    Written written;
    {
        BatchPipe pipe(true, [&](KeyBatch& batch) { return written.Take(batch); }, KeyBatch::kThreadedEvents,
                       Gate::HoldUntilOpen(gate));
        // Each batch is written as it is handed over, not left waiting for the thread.
        for (std::uint32_t i = 0; i < 20; ++i) {
            Fill(pipe, i);
            ASSERT_TRUE(pipe.Send().ok());
            ASSERT_EQ(written.numbers.size(), i + 1);
        }
        Fill(pipe, 20);
        ASSERT_TRUE(pipe.Close().ok());
    }
    // Everything was written, by the reader, while the writer's thread was still held; the
    // pipe is gone before that thread runs.
    EXPECT_FALSE(gate->Passed()) << "closing waited for the writer's thread";
    written.ExpectInOrder(21);
    for (auto id : written.threads) EXPECT_EQ(id, std::this_thread::get_id());
    gate->Open();
}

TEST(BatchPipe, AWriterThreadThatRunsLateTakesOverInOrder) {
    auto gate = std::make_shared<Gate>();
    Written written;
    BatchPipe pipe(true, [&](KeyBatch& batch) { return written.Take(batch); }, KeyBatch::kThreadedEvents,
                   Gate::HoldUntilOpen(gate));
    constexpr std::uint32_t kBeforeItRuns = 10;
    std::uint32_t number = 0;
    for (; number < kBeforeItRuns; ++number) {
        Fill(pipe, number);
        ASSERT_TRUE(pipe.Send().ok());
    }
    gate->Open();
    // Until the writer's thread has written a batch, pausing now and then to let it run.
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (written.byAnotherThread.load() == 0 && Clock::now() < until) {
        Fill(pipe, number++);
        ASSERT_TRUE(pipe.Send().ok());
        if (number % 16 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Fill(pipe, number++);
    ASSERT_TRUE(pipe.Close().ok());
    EXPECT_GT(written.byAnotherThread.load(), 0u) << "the writer's thread never took over";
    written.ExpectInOrder(number);
    for (std::uint32_t i = 0; i < kBeforeItRuns; ++i)
        EXPECT_EQ(written.threads[i], std::this_thread::get_id()) << "batch " << i;
}

TEST(BatchPipe, TheWritersErrorStopsTheReader) {
    BatchPipe pipe(true, [](KeyBatch& batch) {
        if (batch.events.front().index == 5) return Status(Error{"the writer failed", 0});
        return Status(Done{});
    });
    Status last = Done{};
    // However far ahead the reader runs, a Send or the Close reports the writer's error.
    for (std::uint32_t i = 0; i < 200 && last.ok(); ++i) {
        Fill(pipe, i);
        last = pipe.Send();
    }
    if (last.ok()) last = pipe.Close();
    ASSERT_FALSE(last.ok());
    EXPECT_EQ(last.error().message, "the writer failed");
}

}  // namespace
}  // namespace kelvara::regf
