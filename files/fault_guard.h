// The guard that turns a fault in a read-only mapping of a file (the file was cut short while it
// was read: touching a page past its new end raises SIGBUS) into a result instead of the end of
// the process. The signal handler is process-wide state: a tool's main installs it once, before
// any thread exists, and a library that finds it missing reads files instead of mapping them.
#pragma once

#include <cstddef>

// Installs the handler of SIGBUS. Called from main at start-up, before any thread exists.
void install_fault_guard();
bool fault_guard_installed();

// Runs visit(context) on the calling thread; a SIGBUS raised by touching bytes from begin to
// begin + size meanwhile ends the visit there, and the result is false. visit must hold nothing
// that needs destroying, since it is left by a jump. Any thread may run one guarded visit at a
// time; a SIGBUS elsewhere goes to the handler there was before the guard's.
bool run_guarded(const void* begin, size_t size, void (*visit)(void*), void* context);
