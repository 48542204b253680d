// Runs independent pieces of work (one image each) on the machine's cores while they are loaded.
#pragma once

#include <cstddef>
#include <functional>

// Calls load(i) for every i below count in order on the calling thread, stopping at the first
// that returns false, and work(i) for each loaded piece on the other cores' threads as soon as it
// is loaded (on the calling thread too once loading is over), so that loading overlaps the work.
// Returns when all work is done: true when every piece was loaded. Loads and works of different
// pieces must not share anything they write.
bool load_and_work_in_parallel(size_t count, const std::function<bool(size_t)>& load,
                               const std::function<void(size_t)>& work);
