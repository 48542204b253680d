// The mapping loader (see targa_mapping.h): the shared checks, one read-only mapping per image,
// and the SIGBUS guard around the walk over its rows.
#include "targa/targa_mapping.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "targa/binary_file.h"
#include "targa/targa_loader.h"

namespace {

// The walk in progress (one at a time): where a SIGBUS in its mapped bytes jumps to, those
// bytes, and the handler that was there before the walk's.
sigjmp_buf walk_jump;
const uint8_t* volatile walk_begin = nullptr;
const uint8_t* volatile walk_end = nullptr;
struct sigaction walk_previous;

// Only async-signal-safe calls here: siglongjmp, sigaction, raise.
void on_sigbus(int signal, siginfo_t* info, void*)
{
    const uint8_t* address = static_cast<const uint8_t*>(info->si_addr);
    if (info->si_code > 0 && address >= walk_begin && address < walk_end) siglongjmp(walk_jump, 1);
    // Not a fault in the mapping: the handler from before takes over. A fault repeats under it
    // when this returns; a signal sent by a process is sent again (it stays blocked until then).
    sigaction(signal, &walk_previous, nullptr);
    if (info->si_code <= 0) raise(signal);
}

// The jump target. Between sigsetjmp and the visits this frame holds only the arguments and the
// row counter, all trivially destructible, so leaving it by a jump skips no destructor. The
// signal mask is saved and restored: the jump comes from the handler, where SIGBUS is blocked.
// True when the walk was cut short by a SIGBUS in the mapping.
bool visit_rows(const MappedTarga& image, MappedTarga::RowVisitor visit, void* context)
{
    if (sigsetjmp(walk_jump, 1) != 0) return true;
    for (int32_t r = 0; r < image.height(); ++r) visit(image.row(r), r, context);
    return false;
}

// Pixels are mapped in whole pages; the page size does not change while the process runs.
uint64_t page_size()
{
    static const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<uint64_t>(size) : 4096;
}

}  // namespace

void MappedTarga::reset()
{
    if (mapping_ != nullptr) munmap(mapping_, mapping_bytes_);
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    mapping_ = nullptr;
    mapping_bytes_ = 0;
    pixels_ = nullptr;
    row_bytes_ = 0;
    width_ = 0;
    height_ = 0;
    bits_per_pixel_ = 0;
    top_first_ = true;
    pixels_end_ = 0;
}

const uint8_t* MappedTarga::row(int32_t top_row) const
{
    const size_t stored = static_cast<size_t>(top_first_ ? top_row : height_ - 1 - top_row);
    return pixels_ + stored * row_bytes_;
}

TargaError MappedTarga::for_each_row(RowVisitor visit, void* context) const
{
    if (mapping_ == nullptr) return TargaError::none;  // no rows
    struct sigaction guard {};
    guard.sa_sigaction = on_sigbus;
    guard.sa_flags = SA_SIGINFO;
    sigemptyset(&guard.sa_mask);
    walk_begin = static_cast<const uint8_t*>(mapping_);
    walk_end = walk_begin + mapping_bytes_;
    // sigaction fails only for a bad signal number or address, never for these: without the
    // guard a shrinking file would end the process, so the rows are then not touched at all.
    if (sigaction(SIGBUS, &guard, &walk_previous) != 0) return TargaError::read_failed;
    const bool shrank = visit_rows(*this, visit, context);
    sigaction(SIGBUS, &walk_previous, nullptr);
    walk_begin = nullptr;
    walk_end = nullptr;
    if (shrank) return TargaError::changed_while_reading;
    // A cut inside the last mapped page raises nothing: the bytes past the new end read as
    // zeros. The file's length after the walk tells.
    struct stat info {};
    if (fstat(fd_, &info) != 0) return TargaError::read_failed;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) < pixels_end_) return TargaError::changed_while_reading;
    return TargaError::none;
}

TargaError map_targa(const char* name, size_t dest_size, MappedTarga& out, bool& use_loader)
{
    out.reset();
    use_loader = false;
    TargaPixels pixels;
    {
        BinaryFile file;  // closed at the end of this block: the mapping opens the file itself
        const TargaError error = locate_targa_pixels(file, name, dest_size, nullptr, pixels);
        if (error != TargaError::none) return error;
    }
    use_loader = true;
    if (targa_is_rle(pixels.header) || pixels.image_bytes == 0) return TargaError::none;

    // O_NONBLOCK: should the name now lead to a named pipe, the open must not wait for a writer.
    // It changes nothing for the regular file that is mapped.
    out.fd_ = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    // Only a regular file of the length just checked: anything else changed meanwhile, and
    // read_targa checks it again.
    if (out.fd_ < 0 || fstat(out.fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<uint64_t>(info.st_size) != pixels.file_length) {
        out.reset();
        return TargaError::none;
    }
    // The mapping starts at the page holding the first pixel byte and ends with the last one;
    // the checks made sure that the file holds them all.
    const uint64_t offset = pixels.start - pixels.start % page_size();
    const uint64_t bytes = pixels.start + pixels.image_bytes - offset;
    if (bytes > SIZE_MAX) {  // only where size_t is narrower than 64 bits
        out.reset();
        return TargaError::none;
    }
    // No MAP_POPULATE: with the pages in the page cache, each fault maps a run of them, and
    // populating the whole image up front measured no faster.
    void* mapping =
        mmap(nullptr, static_cast<size_t>(bytes), PROT_READ, MAP_PRIVATE, out.fd_, static_cast<off_t>(offset));
    if (mapping == MAP_FAILED) {
        out.reset();
        return TargaError::none;
    }
    const TargaHeader& header = pixels.header;
    out.mapping_ = mapping;
    out.mapping_bytes_ = static_cast<size_t>(bytes);
    out.pixels_ = static_cast<const uint8_t*>(mapping) + (pixels.start - offset);
    out.width_ = header.width;
    out.height_ = header.height;
    out.bits_per_pixel_ = header.pixel_depth;
    out.row_bytes_ = static_cast<size_t>(header.width) * (header.pixel_depth / 8u);
    out.top_first_ = (header.image_descriptor & TARGA_TOP_FIRST) != 0;
    out.pixels_end_ = pixels.start + pixels.image_bytes;
    use_loader = false;
    return TargaError::none;
}
