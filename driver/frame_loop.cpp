// The frame and mipmap loop (see frame_loop.h).
#include "driver/frame_loop.h"

#include <cstdio>

#include "driver/frame_names.h"
#include "output/output_buffer.h"
#include "output/pixel_convert.h"
#include "targa/targa_header.h"
#include "targa/targa_loader.h"

void print_unreadable(const char* name, const char* reason)
{
    std::printf("Couldn't read Targa file %s: %s.\n", name, reason);
}

// One level: probe, compare with the expected geometry, load, convert, advance the cursor.
static FrameLoopResult convert_level(const char* name, int32_t expected_width, int32_t expected_height,
                                     int32_t bits_per_pixel, PixelFormat format)
{
    std::printf("%s:  ", name);
    int32_t width = 0, height = 0, depth = 0;
    TargaError why = TargaError::none;
    if (read_targa_info(name, &width, &height, &depth, &why) != 0) {
        print_unreadable(name, targa_error_text(why));
        return FrameLoopResult::unreadable;
    }
    if (width != expected_width || height != expected_height || depth != bits_per_pixel)
        return FrameLoopResult::mismatch;
    if (read_targa(name, pixel_buffer, PIXEL_BUFFER_SIZE, nullptr, &why) != 0) {
        print_unreadable(name, targa_error_text(why));
        return FrameLoopResult::unreadable;
    }
    // The cursor always stands at an even offset from the aligned buffer start: 32 + 2 * pixels.
    create_bitmap(pixel_buffer, reinterpret_cast<uint16_t*>(output_cursor), width, height, depth, format);
    output_cursor += static_cast<size_t>(width) * static_cast<size_t>(height) * 2;
    return FrameLoopResult::converted;
}

FrameLoopResult convert_frames(const char* base, int32_t width, int32_t height, int32_t bits_per_pixel,
                               PixelFormat format, int32_t first_frame, int32_t frame_count,
                               int32_t mipmap_count)
{
    const int32_t frames = first_frame == SINGLE_IMAGE ? 1 : frame_count;
    for (int32_t i = 0; i < frames; ++i) {
        const int32_t frame = first_frame == SINGLE_IMAGE ? SINGLE_IMAGE : first_frame + i;
        int32_t level_width = width;
        int32_t level_height = height;
        for (int32_t level = 0; level <= mipmap_count; ++level) {
            char name[NAME_BUFFER_SIZE];
            if (!build_frame_filename(name, base, frame, level)) {
                // Discovery has already named every member; this only guards the buffer.
                print_unreadable(base, "a member's name is too long");
                return FrameLoopResult::unreadable;
            }
            const FrameLoopResult result = convert_level(name, level_width, level_height, bits_per_pixel, format);
            if (result != FrameLoopResult::converted) return result;
            level_width /= 2;
            level_height /= 2;
        }
    }
    return FrameLoopResult::converted;
}
