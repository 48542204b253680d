// Runs a job's pieces (a frame or two each) on the machine's cores: read in order on the calling
// thread, worked on (made and written into temporary files) by every core, and finished (taken
// into the job's result) in order on the calling thread, the three overlapping.
#pragma once

#include <cstddef>
#include <functional>

// Calls load(i) for every i below count in order on the calling thread, stopping at the first
// that returns false; work(i) for each loaded piece on the other cores' threads as soon as it is
// loaded (on the calling thread too, once loading is over or while it waits); and finish(i) on
// the calling thread, in order, for each piece whose work is done, between loads and after them.
// Loading waits while two pieces per thread are loaded and not yet finished, so that a job's
// memory does not grow with its piece count. When a load fails,
// the pieces not yet finished are not finished. Returns when all is done: true when every piece
// was loaded. The three calls for different pieces must not share anything they write.
bool load_work_and_finish(size_t count, const std::function<bool(size_t)>& load,
                          const std::function<void(size_t)>& work, const std::function<void(size_t)>& finish);
