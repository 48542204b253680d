// A stop asked of a watch by a signal: the handler main installs asks, the watch's wait looks.
// Only while a job takes stops (TakingStops alive) does a signal stop it instead of ending the
// process.
#pragma once

#include <atomic>

// Called from the signal handler (lock-free atomics only): true when a job takes stops, which
// will end by itself; false when the signal should end the process as always.
bool ask_stop();
// Set once a stop was asked while a job took stops.
const std::atomic<bool>& stop_asked();

class TakingStops {
public:
    TakingStops();
    ~TakingStops();
    TakingStops(const TakingStops&) = delete;
    TakingStops& operator=(const TakingStops&) = delete;
};
