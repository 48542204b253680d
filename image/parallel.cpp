// load_work_and_finish (see parallel.h): threads take the next loaded piece in turn.
#include "parallel.h"

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

bool load_work_and_finish(size_t count, const std::function<bool(size_t)>& load,
                          const std::function<void(size_t)>& work, const std::function<void(size_t)>& finish)
{
    std::mutex mutex;
    std::condition_variable changed;  // a piece loaded or done, or loading over
    size_t loaded = 0, next = 0;      // pieces loaded; the next piece to work on
    std::vector<char> done(count, 0);
    bool loading = true;
    // Works on the next piece; the lock is held on entry and on return.
    auto work_next = [&](std::unique_lock<std::mutex>& lock) {
        const size_t i = next++;
        lock.unlock();
        work(i);
        lock.lock();
        done[i] = 1;
        changed.notify_all();
    };
    auto helper = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return next < loaded || !loading; });
            if (next == loaded) return;
            work_next(lock);
        }
    };
    const size_t helpers = helpers_for(count);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(helper);

    size_t finished = 0;
    // Finishes the pieces whose turn has come and whose work is done, without waiting.
    auto finish_ready = [&] {
        for (;;) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                if (finished == loaded || done[finished] == 0) return;
            }
            finish(finished++);
        }
    };
    // The calling thread's turn when it does not read: the next piece to finish once its work is
    // done, or else another to work on, or else a wait. The lock is held on entry and on return.
    auto take_turn = [&](std::unique_lock<std::mutex>& lock) {
        if (done[finished] != 0) {
            lock.unlock();
            finish(finished++);
            lock.lock();
        } else if (next < loaded) {
            work_next(lock);
        } else {
            changed.wait(lock);
        }
    };
    // At most this many pieces wait in memory between their reading and their finish, whatever
    // the count: past it the calling thread works too rather than reading far ahead.
    const size_t window = 2 * (helpers + 1);
    bool all = true;
    for (size_t i = 0; i < count && all; ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            while (loaded - finished >= window) take_turn(lock);
        }
        all = load(i);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (all) {
                ++loaded;
            } else {
                loaded = next;  // the job fails: the pieces not yet taken need no work
            }
        }
        changed.notify_all();
        if (all) finish_ready();
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        loading = false;
        changed.notify_all();
        // The rest, in turn.
        while (all && finished < count) take_turn(lock);
    }
    for (std::thread& thread : threads) thread.join();
    return all;
}
