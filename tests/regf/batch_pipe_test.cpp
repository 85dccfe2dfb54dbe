// The pipe between the compactor's reading and writing halves: batches arrive whole and in
// order, a writer that falls behind lets the reader run ahead on batches of its own, and the
// writer's error reaches the reader.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "regf/batch_pipe.h"

namespace kelvara::regf {
namespace {

// Marks the current batch with its number, as the reader would fill it with keys.
void Fill(BatchPipe& pipe, std::uint32_t number) {
    pipe.Current().events.push_back({KeyBatch::Step::Begin, number, 0, 0});
}

TEST(BatchPipe, DeliversEveryBatchOnceAndInOrder) {
    for (bool threaded : {false, true}) {
        std::vector<std::uint32_t> seen;
        BatchPipe pipe(threaded, [&](KeyBatch& batch) {
            for (const auto& event : batch.events) seen.push_back(event.index);
            return Status(Done{});
        });
        const std::uint32_t sent = 500;
        for (std::uint32_t i = 0; i < sent; ++i) {
            Fill(pipe, i);
            if (i + 1 < sent) {
                ASSERT_TRUE(pipe.Send().ok());
            }
        }
        ASSERT_TRUE(pipe.Close().ok());
        ASSERT_EQ(seen.size(), sent) << "threaded " << threaded;
        for (std::uint32_t i = 0; i < sent; ++i) ASSERT_EQ(seen[i], i) << "threaded " << threaded;
    }
}

TEST(BatchPipe, AWriterThatFallsBehindLetsTheReaderRunAhead) {
    // The writer holds its first batch until the reader has handed over twenty: with only a
    // fixed few batches the reader would wait for it, and the writer would give up waiting.
    constexpr std::uint32_t kAhead = 20;
    std::atomic<std::uint32_t> handedOver{0};
    bool readerKeptUp = true;
    std::vector<std::uint32_t> seen;
    BatchPipe pipe(true, [&](KeyBatch& batch) {
        if (seen.empty()) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (handedOver.load() < kAhead && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            readerKeptUp = handedOver.load() >= kAhead;
        }
        seen.push_back(batch.events.front().index);
        return Status(Done{});
    });
    for (std::uint32_t i = 0; i < kAhead; ++i) {
        Fill(pipe, i);
        ASSERT_TRUE(pipe.Send().ok());
        handedOver.store(i + 1);
    }
    Fill(pipe, kAhead);
    ASSERT_TRUE(pipe.Close().ok());
    EXPECT_TRUE(readerKeptUp) << "the reader waited for a writer that was behind";
    ASSERT_EQ(seen.size(), kAhead + 1);
    for (std::uint32_t i = 0; i <= kAhead; ++i) EXPECT_EQ(seen[i], i);
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
