// for_each_in_parallel (see parallel.h): threads take the next piece from a shared counter.
#include "qfbprep/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {
// A frame set's images are few and equal in size: more threads than this gain nothing.
constexpr unsigned MAX_THREADS = 8;
}  // namespace

void for_each_in_parallel(size_t count, const std::function<void(size_t)>& work)
{
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), MAX_THREADS));
    const size_t helpers = std::min<size_t>(cores, count) > 0 ? std::min<size_t>(cores, count) - 1 : 0;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(worker);
    worker();
    for (std::thread& thread : threads) thread.join();
}
