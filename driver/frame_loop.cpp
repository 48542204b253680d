// The frame and mipmap loop (see conversion_run.h).
#include "conversion_run.h"

#include <cstdio>

#include "cli.h"
#include "frameset.h"
#include "output.h"

namespace {

// Where the rows of one image go: row r lands at dest + r x width words.
struct RowTarget {
    const PixelConverter* converter;
    uint16_t* dest;
    size_t width;
};

void convert_row(const uint8_t* row, int32_t top_row, void* context)
{
    const RowTarget& target = *static_cast<const RowTarget*>(context);
    target.converter->convert(row, target.dest + static_cast<size_t>(top_row) * target.width, target.width);
}

}  // namespace

FrameLoopResult convert_frames(const FrameSet& set, const qfb_file& layout, TargaFile& first, PixelFormat format,
                               MemberMismatch* mismatch)
{
    const TargaHeader top = first.header();
    qfb_level level;
    for (int more = qfb_first_level(&layout, &level); more; more = qfb_next_level(&layout, &level)) {
        // Discovery has named every member already: the name fits.
        const std::string name = member_name(set.base, member_frame(set.first_frame(), level.frame), level.level);
        std::printf("%s:  ", name.c_str());
        // The first member is open already; every other is opened here, once.
        TargaFile other;
        const bool is_first = level.frame == 0 && level.level == 0;
        TargaFile& file = is_first ? first : other;
        TargaError why = is_first ? TargaError::none : file.open(name.c_str());
        const TargaHeader& h = file.header();
        if (why == TargaError::none && check_member(top, h, level.level) != SetProblem::none) {
            *mismatch = MemberMismatch{name, h, level_side(top.width, level.level), level_side(top.height, level.level),
                                       top.pixel_depth};
            return FrameLoopResult::mismatch;
        }
        // The cursor always stands at an even offset from the aligned buffer start: 32 + 2 * pixels.
        uint16_t* dest = reinterpret_cast<uint16_t*>(output_cursor);
        // Without a converter create_bitmap reports the combination, after the file is loaded.
        const PixelConverter* converter = select_converter(h.pixel_depth, format);
        if (why == TargaError::none) why = file.locate(PIXEL_BUFFER_SIZE);
        if (why == TargaError::none && converter != nullptr && !targa_is_rle(h)) {
            std::fputs(converter->notice, stdout);
            RowTarget target{converter, dest, static_cast<size_t>(h.width)};
            why = file.visit_rows(convert_row, &target);
        } else if (why == TargaError::none && (why = file.load(pixel_buffer)) == TargaError::none) {
            create_bitmap(pixel_buffer, dest, h.width, h.height, h.pixel_depth, format);
        }
        if (why != TargaError::none) {
            say_unreadable_targa(name.c_str(), targa_error_text(why));
            return FrameLoopResult::unreadable;
        }
        output_cursor += level.size;
    }
    return FrameLoopResult::converted;
}
