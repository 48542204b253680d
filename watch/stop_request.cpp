// A stop asked of a watch by a signal (see stop_request.h).
#include "stop_request.h"

namespace {

std::atomic<bool> taking{false};
std::atomic<bool> asked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");

}  // namespace

bool ask_stop()
{
    if (!taking.load()) return false;
    asked.store(true);
    return true;
}

const std::atomic<bool>& stop_asked() { return asked; }

TakingStops::TakingStops() { taking.store(true); }
TakingStops::~TakingStops() { taking.store(false); }
