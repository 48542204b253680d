// Runs independent pieces of work (one image each) on the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

// Calls work(i) for every i below count, spread over up to one thread per core; returns when
// all are done. The pieces must not share anything they write.
void for_each_in_parallel(size_t count, const std::function<void(size_t)>& work);
