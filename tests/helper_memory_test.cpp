// The base layer's second thread and large blocks, as the fast converter uses them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>

#include "base/helper_thread.hpp"
#include "base/large_block.hpp"

namespace chpimport {
namespace {

// Every byte of a block is its own, small blocks and those on huge pages or small ones
// alike, and a move hands the memory over.
TEST(LargeBlock, HoldsEveryByteItAsksFor) {
    for (const auto& [bytes, use] : {std::pair{std::size_t{1}, BlockUse::Whole},
                                     {std::size_t{5000}, BlockUse::Whole},
                                     {std::size_t{1} << 20, BlockUse::Whole},
                                     {(std::size_t{5} << 20) + 3, BlockUse::Whole},
                                     {std::size_t{1} << 20, BlockUse::Part},
                                     {(std::size_t{3} << 20) + 1, BlockUse::Part}}) {
        SCOPED_TRACE(testing::Message() << bytes << (use == BlockUse::Part ? " part" : " whole"));
        LargeBlock block(bytes, use);
        ASSERT_EQ(block.size(), bytes);
        for (std::size_t i = 0; i < bytes; ++i)
            block.data()[i] = static_cast<std::uint8_t>(i % 251);
        LargeBlock moved;
        moved = std::move(block);
        EXPECT_EQ(block.data(), nullptr);
        ASSERT_EQ(moved.size(), bytes);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            wrong += moved.data()[i] != static_cast<std::uint8_t>(i % 251);
        EXPECT_EQ(wrong, 0u);
    }
}

// Tasks run one after the other on one thread that is not the caller's, and Wait returns
// only once the last has finished.
TEST(HelperThread, RunsTaskAfterTaskOnOneThread) {
    HelperThread helper;
    helper.Wait(); // nothing started: returns at once
    std::thread::id first;
    std::atomic<int> done{0};
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(helper.Start([&, i] {
            if (i == 0) first = std::this_thread::get_id();
            EXPECT_EQ(std::this_thread::get_id(), first);
            std::this_thread::yield();
            EXPECT_EQ(done.load(), i); // the one before has finished
            done = i + 1;
        }));
        if (i % 3 == 0) helper.Wait();
    }
    helper.Wait();
    EXPECT_EQ(done.load(), 20);
    EXPECT_NE(first, std::this_thread::get_id());
}

} // namespace
} // namespace chpimport
