// The memory of files read whole (see files.h): blocks kept on each thread for its next file, the
// large ones on huge pages. Where the first touch of each fresh 4 KB page is dear (on a virtual
// machine that shadows the guest's page tables it costs several microseconds, more than copying
// the page), a file read into memory that is already there costs only the copy.
#include "files.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr size_t HUGE_PAGE = HUGE_PAGE_SIZE;
constexpr size_t PAGE = 4096;
constexpr int SPARES = 2;  // a run holds its first frame open while it reads the others

struct Block {
    uint8_t* allocation = nullptr;
    uint8_t* data = nullptr;
    size_t capacity = 0;
};

// The blocks this thread let go, kept for its next files; freed with the thread. A block let go
// after that (by an object that outlives the thread's own) is freed at once.
thread_local bool spares_gone = false;
struct Spares {
    Block blocks[SPARES];
    ~Spares()
    {
        for (Block& block : blocks) delete[] std::exchange(block, Block{}).allocation;
        spares_gone = true;
    }
};
thread_local Spares spares;

size_t round_up(size_t n, size_t to) { return (n + to - 1) / to * to; }

// A block of at least size bytes: a spare that holds them, else a new one (a large one on huge
// pages); capacity 0 when out of memory.
Block take(size_t size)
{
    Block* best = nullptr;
    for (Block& spare : spares.blocks)
        if (spare.capacity >= size && (best == nullptr || spare.capacity < best->capacity)) best = &spare;
    if (best != nullptr) return std::exchange(*best, Block{});
    const bool huge = size >= HUGE_PAGE / 2;
    Block block;
    block.capacity = round_up(size == 0 ? 1 : size, huge ? HUGE_PAGE : PAGE);
    const size_t slack = huge ? HUGE_PAGE : 0;
    if (block.capacity + slack < size) return Block{};  // overflow
    block.allocation = new (std::nothrow) uint8_t[block.capacity + slack];
    if (block.allocation == nullptr) return Block{};
    const uintptr_t start = reinterpret_cast<uintptr_t>(block.allocation);
    block.data = huge ? reinterpret_cast<uint8_t*>(round_up(start, HUGE_PAGE)) : block.allocation;
    if (huge) advise_huge_pages(block.data, block.capacity);
    return block;
}

// Keeps the block for the next file in place of the smallest spare, or frees it.
void give_back(Block block)
{
    if (spares_gone) {
        delete[] block.allocation;
        return;
    }
    Block* smallest = &spares.blocks[0];
    for (Block& spare : spares.blocks)
        if (spare.capacity < smallest->capacity) smallest = &spare;
    if (smallest->capacity < block.capacity) std::swap(*smallest, block);
    delete[] block.allocation;
}

}  // namespace

ReadMemory::~ReadMemory() { release(); }

bool ReadMemory::reserve(size_t size, size_t keep)
{
    if (size <= capacity_) return true;
    Block block = take(size);
    if (block.capacity == 0) return false;
    if (keep > 0) std::memcpy(block.data, data_, keep);
    release();
    allocation_ = block.allocation;
    data_ = block.data;
    capacity_ = block.capacity;
    return true;
}

void ReadMemory::release()
{
    if (allocation_ != nullptr) give_back(Block{allocation_, data_, capacity_});
    allocation_ = data_ = nullptr;
    capacity_ = 0;
}
