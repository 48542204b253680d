// The frame and mipmap loop (see frame_loop.h).
#include "driver/frame_loop.h"

#include <cstdio>

#include "driver/frame_names.h"
#include "output/output_buffer.h"
#include "output/pixel_convert.h"
#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "targa/targa_mapping.h"

void print_unreadable(const char* name, const char* reason)
{
    std::printf("Couldn't read Targa file %s: %s.\n", name, reason);
}

namespace {
// Where the rows of one mapped image go: row r lands at dest + r x width words.
struct RowTarget {
    const PixelConverter* converter;
    uint16_t* dest;
    size_t width;
};
}  // namespace

static void convert_mapped_row(const uint8_t* row, int32_t top_row, void* context)
{
    const RowTarget& target = *static_cast<const RowTarget*>(context);
    target.converter->convert(row, target.dest + static_cast<size_t>(top_row) * target.width, target.width);
}

// Maps the file's pixels and converts them row by row into dest, without a copy in between.
// Sets use_loader when the file must go through read_targa instead (nothing printed then).
static TargaError convert_mapped(const char* name, int32_t width, int32_t height, int32_t bits_per_pixel,
                                 const PixelConverter& converter, uint16_t* dest, bool& use_loader)
{
    MappedTarga image;
    const TargaError error = map_targa(name, PIXEL_BUFFER_SIZE, image, use_loader);
    if (error != TargaError::none || use_loader) return error;
    // The probe saw this geometry a moment ago and the output has room for just that much: a
    // file replaced since then is not converted.
    if (image.width() != width || image.height() != height || image.bits_per_pixel() != bits_per_pixel)
        return TargaError::changed_while_reading;
    // The converter reads whole rows of its own pixel size; a depth it was not made for (only 24
    // and 32 reach this far) goes through the loader, which reads into a buffer that fits.
    if (converter.source_bytes * static_cast<size_t>(width) != image.row_bytes()) {
        use_loader = true;
        return TargaError::none;
    }
    std::fputs(converter.notice, stdout);
    RowTarget target{&converter, dest, static_cast<size_t>(width)};
    return image.for_each_row(convert_mapped_row, &target);
}

// One level: probe, compare with the expected geometry, convert (from a mapping of the file, or
// after loading it into the pixel buffer), advance the cursor past the level.
static FrameLoopResult convert_level(const char* name, const qfb_level& level, int32_t bits_per_pixel,
                                     PixelFormat format)
{
    std::printf("%s:  ", name);
    int32_t width = 0, height = 0, depth = 0;
    TargaError why = TargaError::none;
    if (read_targa_info(name, &width, &height, &depth, &why) != 0) {
        print_unreadable(name, targa_error_text(why));
        return FrameLoopResult::unreadable;
    }
    if (width != level.width || height != level.height || depth != bits_per_pixel)
        return FrameLoopResult::mismatch;
    // The cursor always stands at an even offset from the aligned buffer start: 32 + 2 * pixels.
    uint16_t* dest = reinterpret_cast<uint16_t*>(output_cursor);
    // Without a converter create_bitmap reports the combination, after the file is loaded.
    const PixelConverter* converter = select_converter(depth, format);
    bool use_loader = true;
    if (converter != nullptr) why = convert_mapped(name, width, height, depth, *converter, dest, use_loader);
    if (use_loader && why == TargaError::none && read_targa(name, pixel_buffer, PIXEL_BUFFER_SIZE, nullptr, &why) == 0)
        create_bitmap(pixel_buffer, dest, width, height, depth, format);
    if (why != TargaError::none) {
        print_unreadable(name, targa_error_text(why));
        return FrameLoopResult::unreadable;
    }
    output_cursor += level.size;
    return FrameLoopResult::converted;
}

FrameLoopResult convert_frames(const char* base, const qfb_file& layout, int32_t bits_per_pixel, PixelFormat format,
                               int32_t first_frame)
{
    qfb_level level;
    for (int more = qfb_first_level(&layout, &level); more; more = qfb_next_level(&layout, &level)) {
        char name[NAME_BUFFER_SIZE];
        if (!build_frame_filename(name, base, member_frame(first_frame, level.frame), level.level)) {
            // Discovery has already named every member; this only guards the buffer.
            print_unreadable(base, "a member's name is too long");
            return FrameLoopResult::unreadable;
        }
        const FrameLoopResult result = convert_level(name, level, bits_per_pixel, format);
        if (result != FrameLoopResult::converted) return result;
    }
    return FrameLoopResult::converted;
}
