// The SIGBUS guard (see fault_guard.h): one handler for the process, one visit per thread.
#include "fault_guard.h"

#include <setjmp.h>
#include <signal.h>

#include <cstdint>

namespace {

// The visit in progress on a thread: where a fault in its bytes jumps to, and those bytes.
struct Visit {
    sigjmp_buf jump;
    const uint8_t* begin;
    const uint8_t* end;
};

// Thread-local storage of an executable, so that reading it in the handler calls nothing.
thread_local Visit* current = nullptr;
struct sigaction previous;
bool installed = false;

// Only async-signal-safe calls here: siglongjmp, sigaction, raise.
void on_sigbus(int signal, siginfo_t* info, void*)
{
    const Visit* visit = current;
    const uint8_t* address = static_cast<const uint8_t*>(info->si_addr);
    if (visit != nullptr && info->si_code > 0 && address >= visit->begin && address < visit->end)
        siglongjmp(current->jump, 1);
    // Not a fault in a guarded mapping: the handler from before takes over. A fault repeats under
    // it when this returns; a signal sent by a process is sent again.
    sigaction(signal, &previous, nullptr);
    if (info->si_code <= 0) raise(signal);
}

}  // namespace

void install_fault_guard()
{
    struct sigaction guard {};
    guard.sa_sigaction = on_sigbus;
    guard.sa_flags = SA_SIGINFO;
    sigemptyset(&guard.sa_mask);
    // Fails only for a bad signal number or address: the files are then read, never mapped.
    installed = sigaction(SIGBUS, &guard, &previous) == 0;
}

bool fault_guard_installed() { return installed; }

bool run_guarded(const void* begin, size_t size, void (*visit)(void*), void* context)
{
    Visit here;
    here.begin = static_cast<const uint8_t*>(begin);
    here.end = here.begin + size;
    Visit* const outer = current;
    // The signal mask is saved and restored: the jump comes from the handler, where SIGBUS is blocked.
    if (sigsetjmp(here.jump, 1) != 0) {
        current = outer;
        return false;
    }
    current = &here;
    visit(context);
    current = outer;
    return true;
}
