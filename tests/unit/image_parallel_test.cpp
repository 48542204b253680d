// How the image library runs a job's pieces across threads: each loaded piece worked on once and finished
// in order; after a failed load nothing further is finished; and however many pieces a job has,
// only a few wait in memory between being read and being finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "parallel.h"

namespace {

TEST(LoadWorkAndFinish, FinishesInOrderAndKeepsFewPiecesWaiting)
{
    // No core count gives more threads than 8, and the calling thread reads at most two pieces
    // a thread ahead of the last one finished.
    constexpr size_t MOST_WAITING = 16;
    const struct Row {
        const char* what;
        size_t count;
        size_t failing;  // the load that fails, or count for none
        bool slow_work;  // work far slower than loading, as dithering a frame is
    } rows[] = {
        {"no pieces", 0, 0, false},
        {"one piece", 1, 1, false},
        {"many pieces, slow work", 200, 200, true},
        {"many pieces, fast work", 200, 200, false},
        {"the first load fails", 5, 0, false},
        {"a later load fails", 100, 60, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::atomic<int>> worked(row.count);
        std::vector<size_t> finished;
        std::atomic<size_t> waiting{0}, most{0};
        const bool all = load_work_and_finish(
            row.count,
            [&](size_t i) {
                if (i == row.failing) return false;
                const size_t now = ++waiting;
                size_t seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                return true;
            },
            [&](size_t i) {
                if (row.slow_work) std::this_thread::sleep_for(std::chrono::microseconds(200));
                ++worked[i];
            },
            [&](size_t i) {
                EXPECT_EQ(worked[i].load(), 1) << "piece " << i << " finished before its work or worked twice";
                finished.push_back(i);
                --waiting;
            });
        EXPECT_EQ(all, row.failing >= row.count);
        const size_t expected = std::min(row.failing, row.count);
        ASSERT_LE(finished.size(), expected);
        if (all) {
            EXPECT_EQ(finished.size(), row.count);
        }
        for (size_t i = 0; i < finished.size(); ++i) EXPECT_EQ(finished[i], i);
        for (size_t i = 0; i < row.count; ++i) EXPECT_LE(worked[i].load(), 1) << "piece " << i;
        EXPECT_LE(most.load(), MOST_WAITING);
    }
}

}  // namespace
