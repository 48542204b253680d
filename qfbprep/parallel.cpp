// load_and_work_in_parallel (see parallel.h): threads take the next loaded piece in turn.
#include "qfbprep/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {
// A frame set's images are few and equal in size: more threads than this gain nothing.
constexpr unsigned MAX_THREADS = 8;

// Threads besides the calling one for count pieces: one per further core.
size_t helpers_for(size_t count)
{
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), MAX_THREADS));
    return std::min<size_t>(cores, count) > 0 ? std::min<size_t>(cores, count) - 1 : 0;
}
}  // namespace

bool load_and_work_in_parallel(size_t count, const std::function<bool(size_t)>& load,
                               const std::function<void(size_t)>& work)
{
    std::mutex mutex;
    std::condition_variable more;
    size_t loaded = 0, next = 0;  // pieces loaded; the next piece to work on
    bool loading = true;
    // Takes loaded pieces until there are none and no more will come.
    auto worker = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            more.wait(lock, [&] { return next < loaded || !loading; });
            if (next == loaded) return;
            const size_t i = next++;
            lock.unlock();
            work(i);
            lock.lock();
        }
    };
    const size_t helpers = helpers_for(count);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(worker);
    bool all = true;
    for (size_t i = 0; i < count && all; ++i) {
        all = load(i);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (all) ++loaded;
            else loaded = next;  // the job fails: the pieces not yet taken need no work
        }
        more.notify_one();
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        loading = false;
    }
    more.notify_all();
    worker();
    for (std::thread& thread : threads) thread.join();
    return all;
}
