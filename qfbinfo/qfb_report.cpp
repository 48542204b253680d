// The QFB report (see qfb_report.h).
#include "qfbinfo/qfb_report.h"

#include <cinttypes>
#include <cstdio>

#include "output/pixel_format.h"

void print_qfb_report(const char* name, const QfbHeader& h, uint64_t file_size)
{
    const char* format = pixel_format_name(static_cast<PixelFormat>(h.format));
    std::printf("file        %s\n", name);
    std::printf("size        %" PRIu64 " bytes\n", file_size);
    std::printf("magic       .qfb\n");
    std::printf("version     %u\n", static_cast<unsigned>(QFB_HEADER_CONSTANT));
    std::printf("width       %d\n", h.width);
    std::printf("height      %d\n", h.height);
    std::printf("format      %s\n", format != nullptr ? format : "unknown");
    std::printf("fps         %d\n", h.fps);
    std::printf("frames      %d\n", h.frame_count);
    std::printf("mipmaps     %d\n", h.mipmap_count);
    std::printf("%6s %5s %13s %10s %10s\n", "frame", "level", "W x H", "bytes", "offset");
    for (int32_t frame = 0; frame < h.frame_count; ++frame) {
        uint64_t offset = 0;
        // Cannot fail: the checked file's size already holds every frame.
        if (!qfb_level_offset(h.width, h.height, h.mipmap_count, frame, 0, &offset)) return;
        for (int32_t level = 0; level <= h.mipmap_count; ++level) {
            int32_t w = 0, hgt = 0;
            qfb_level_size(h.width, h.height, level, &w, &hgt);
            const uint64_t bytes = static_cast<uint64_t>(w) * static_cast<uint64_t>(hgt) * 2;
            char size[32];
            std::snprintf(size, sizeof size, "%d x %d", w, hgt);
            std::printf("%6d %5d %13s %10" PRIu64 " %10" PRIu64 "\n", frame + 1, level, size, bytes, offset);
            offset += bytes;
        }
    }
}
