// The list of temporary files that a signal's handler removes (see temporary_files.h): slots of
// atomics in chunks that are only ever added, walked without a lock or an allocation.
#include "temporary_files.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "files.h"
#include "platform.h"

namespace {

enum SlotState : int {
    FREE,
    CLAIMED,  // its owner writes the name and creates the file
    LISTED,   // the file exists under the name
    TAKEN,    // a handler removes it; the slot is never used again
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slots");
static_assert(std::atomic<void*>::is_always_lock_free, "a signal handler walks the chunks");

constexpr size_t CHUNK_SLOTS = 32;  // one chunk serves a run; a job's batch adds chunks as it needs

}  // namespace

struct TemporarySlot {
    std::atomic<int> state{FREE};
    char* name = nullptr;  // the slot's own copy, written only by the owner of a CLAIMED slot
    size_t room = 0;       // bytes at name
};

namespace {

struct Chunk {
    TemporarySlot slots[CHUNK_SLOTS];
    std::atomic<Chunk*> next{nullptr};
};

Chunk first_chunk;
std::atomic<int> ending{0};  // 0: running; 1: a handler removes the files; 2: removed

// A FREE slot made CLAIMED; null when no chunk could be added.
TemporarySlot* claim_slot()
{
    for (Chunk* chunk = &first_chunk;;) {
        for (TemporarySlot& slot : chunk->slots) {
            int expected = FREE;
            if (slot.state.compare_exchange_strong(expected, CLAIMED)) return &slot;
        }
        Chunk* next = chunk->next.load();
        if (next == nullptr) {
            Chunk* added = new (std::nothrow) Chunk;
            if (added == nullptr) return nullptr;
            if (chunk->next.compare_exchange_strong(next, added)) {
                next = added;
            } else {
                delete added;  // another thread added one: next is that one
            }
        }
        chunk = next;
    }
}

}  // namespace

TemporarySlot* list_temporary(const std::string& name)
{
    TemporarySlot* slot = claim_slot();
    if (slot == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    // Claimed before the test: a handler that began meanwhile waits for this slot, else this sees it.
    if (ending.load() != 0) {
        slot->state.store(FREE);
        errno = EINTR;
        return nullptr;
    }
    if (slot->room <= name.size()) {
        delete[] slot->name;
        slot->name = new (std::nothrow) char[name.size() + 1];
        slot->room = slot->name == nullptr ? 0 : name.size() + 1;
        if (slot->name == nullptr) {
            slot->state.store(FREE);
            errno = ENOMEM;
            return nullptr;
        }
    }
    std::memcpy(slot->name, name.c_str(), name.size() + 1);
    return slot;
}

void temporary_created(TemporarySlot* slot) { slot->state.store(LISTED); }

void unlist_temporary(TemporarySlot* slot)
{
    if (slot == nullptr) return;
    int expected = slot->state.load();
    if (expected != TAKEN) slot->state.compare_exchange_strong(expected, FREE);
}

void remove_listed_temporaries()
{
    int expected = 0;
    if (!ending.compare_exchange_strong(expected, 1)) {
        while (ending.load() != 2) {
        }
        return;
    }
    for (Chunk* chunk = &first_chunk; chunk != nullptr; chunk = chunk->next.load()) {
        for (TemporarySlot& slot : chunk->slots) {
            int state;
            while ((state = slot.state.load()) == CLAIMED) {
                // Its owner, on another thread with these signals held, is creating the file.
            }
            if (state == LISTED && slot.state.compare_exchange_strong(state, TAKEN)) platform::remove_file(slot.name);
        }
    }
    ending.store(2);
}

namespace {

bool (*stop_instead)() = nullptr;

bool before_ending()
{
    if (stop_instead != nullptr && stop_instead()) return false;
    remove_listed_temporaries();
    return true;
}

}  // namespace

void install_interrupt_cleanup(bool (*stop)())
{
    stop_instead = stop;
    platform::install_interrupt_handler(before_ending);
}
