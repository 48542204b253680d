// The conversion run (see conversion_run.h).
#include "driver/conversion_run.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "driver/frame_loop.h"
#include "driver/frame_names.h"
#include "output/output_buffer.h"
#include "targa/targa_header.h"

bool build_output_name(char* out, const char* base)
{
    out[0] = '\0';
    const char* dot = std::strrchr(base, '.');
    if (dot == nullptr) return false;
    const size_t stem_length = static_cast<size_t>(dot - base);
    if (stem_length + 4 > NAME_BUFFER_SIZE - 1) return false;
    std::memcpy(out, base, stem_length);
    std::memcpy(out + stem_length, ".qfb", 5);
    return true;
}

// 24-bit 4444 becomes 1555 (there is no alpha to keep); 32-bit 565 drops the alpha.
static PixelFormat settle_format(PixelFormat requested, int32_t bits_per_pixel)
{
    if (bits_per_pixel == 24 && requested == FORMAT_4444) {
        std::printf("There's no alpha in a 24bpp image!  Using 1555 format instead.\n");
        return FORMAT_1555;
    }
    if (bits_per_pixel == 32 && requested == FORMAT_565) std::printf("Alpha channel is being dropped.\n");
    return requested;
}

// Both buffers are fixed: refuse a set whose images or whole file would not fit, before any work.
// On success layout is the file's: its size and every level's place.
static bool check_capacity(const char* first_name, int32_t width, int32_t height, int32_t bits_per_pixel,
                           PixelFormat format, int32_t fps, const FrameSet& set, qfb_file* layout)
{
    const uint64_t image_bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
                                 static_cast<uint64_t>(bits_per_pixel / 8);
    if (image_bytes > PIXEL_BUFFER_SIZE) {
        std::printf("%s is too large: %" PRIu64 " bytes of pixels, more than the %zu bytes an image may have.\n",
                    first_name, image_bytes, PIXEL_BUFFER_SIZE);
        return false;
    }
    const qfb_header fields = {width, height, format, fps, set.frame_count, set.mipmap_count};
    if (qfb_layout(&fields, layout) != QFB_OK || layout->size > OUTPUT_BUFFER_CAPACITY) {
        std::printf("This frame set is too large: its QFB file would be larger than the %zu bytes a QFB file may have.\n",
                    OUTPUT_BUFFER_CAPACITY);
        return false;
    }
    return true;
}

// Asks the kernel to back the output buffer with huge pages where it can: the converters then
// fault its fresh memory in 2 MB at a time instead of 4 KB, and on a large set the 4 KB faults
// cost more than the conversion itself. Pages never touched cost nothing either way. Only
// advice: the run writes the same bytes whether or not it is taken.
static void advise_huge_pages(uint8_t* start, size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t HUGE_PAGE = uintptr_t{1} << 21;  // x86-64 and arm64 with 4 KB pages
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(HUGE_PAGE - 1);
    if (end > first) (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

// True when the output name leads to the same file as a member of the set (a single image named
// "x.qfb", or an output that links to a frame): saving would destroy that input.
static bool output_is_an_input(const char* output_name, const FrameSet& set, const qfb_file& layout)
{
    struct stat output {};
    if (stat(output_name, &output) != 0) return false;  // nothing there yet
    qfb_level level;
    for (int more = qfb_first_level(&layout, &level); more; more = qfb_next_level(&layout, &level)) {
        char name[NAME_BUFFER_SIZE];
        struct stat member {};
        if (build_frame_filename(name, set.base, member_frame(set.first_frame, level.frame), level.level) &&
            stat(name, &member) == 0 && member.st_dev == output.st_dev && member.st_ino == output.st_ino)
            return true;
    }
    return false;
}

int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set)
{
    char first_name[NAME_BUFFER_SIZE];
    char output_name[NAME_BUFFER_SIZE];
    if (!build_frame_filename(first_name, set.base, set.first_frame, 0) ||
        !build_output_name(output_name, set.base)) {
        print_names_too_long(set.base);
        return 1;
    }

    int32_t width = 0, height = 0, bits_per_pixel = 0;
    TargaError why = TargaError::none;
    if (read_targa_info(first_name, &width, &height, &bits_per_pixel, &why) != 0) {
        print_unreadable(first_name, targa_error_text(why));
        return 1;
    }
    std::printf("%d x %d, %dbpp\n", width, height, bits_per_pixel);
    if (bits_per_pixel != 24 && bits_per_pixel != 32) {
        std::printf("Only 24 and 32 bit Targas are supported.\n");
        return 1;
    }
    const PixelFormat written = settle_format(format, bits_per_pixel);
    qfb_file layout;
    if (!check_capacity(first_name, width, height, bits_per_pixel, written, fps, set, &layout)) return 1;
    if (output_is_an_input(output_name, set, layout)) {
        std::printf("The output file %s is one of the input files and would be overwritten.\n", output_name);
        return 1;
    }

    reset_output();
    advise_huge_pages(output_buffer, OUTPUT_BUFFER_CAPACITY);
    write_header(width, height, written, set.frame_count, set.mipmap_count, fps);
    switch (convert_frames(set.base, layout, bits_per_pixel, written, set.first_frame)) {
    case FrameLoopResult::converted:
        break;
    case FrameLoopResult::mismatch:
        std::printf("Not all frames are of the same size and bits-per-pixel.");
        return 1;
    case FrameLoopResult::unreadable:
        return 1;
    }

    if (!save_output(output_name)) {
        std::printf("Couldn't write file: %s\n", output_name);
        return 1;
    }
    std::printf("qfb file created:  %s (%zu bytes)\nConversion complete.\n", output_name, output_size());
    return 0;
}
