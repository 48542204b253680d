// The QFB report, and its line for the levels without pixels (see qfb_jobs.h).
#include <cinttypes>
#include <cstdio>

#include "info_texts.h"
#include "qfb_jobs.h"

void print_empty_levels(const qfb_file& file)
{
    int32_t filled = 0;
    const int32_t last = file.header.mipmap_count;
    if (qfb_pixel_level_count(&file, &filled) != QFB_OK || filled > last) return;
    if (filled == last)
        say(InfoText::no_empty_level, last);
    else
        say(InfoText::empty_levels, filled, last);
}

void print_qfb_report(const char* name, const qfb_file& file, uint64_t file_size)
{
    const qfb_header& h = file.header;
    const char* format = qfb_format_name(h.format);
    std::printf("file        %s\n", name);
    std::printf("size        %" PRIu64 " bytes\n", file_size);
    std::printf("magic       .qfb\n");
    std::printf("version     %d\n", QFB_FILE_VERSION);
    std::printf("width       %d\n", h.width);
    std::printf("height      %d\n", h.height);
    std::printf("format      %s\n", format != nullptr ? format : "unknown");
    std::printf("fps         %d\n", h.fps);
    std::printf("frames      %d\n", h.frame_count);
    std::printf("mipmaps     %d\n", h.mipmap_count);
    std::printf("%6s %5s %13s %10s %10s\n", "frame", "level", "W x H", "bytes", "offset");
    qfb_level level;
    for (int more = qfb_first_pixel_level(&file, &level); more; more = qfb_next_pixel_level(&file, &level)) {
        char size[32];
        std::snprintf(size, sizeof size, "%d x %d", level.width, level.height);
        std::printf("%6d %5d %13s %10" PRIu64 " %10" PRIu64 "\n", level.frame + 1, level.level, size, level.size,
                    level.offset);
    }
    print_empty_levels(file);
}
