// QFB header encoding and checking, level geometry and file size (see qfb_format.h).
#include "output/qfb_format.h"

#include <cstring>
#include <limits>

namespace {

void put_u32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t get_u32(const uint8_t* in)
{
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
           (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
}

constexpr uint32_t INT32_LIMIT = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());

}  // namespace

void encode_qfb_header(const QfbHeader& header, uint8_t out[QFB_HEADER_SIZE])
{
    std::memcpy(out, QFB_MAGIC, sizeof QFB_MAGIC);
    put_u32(out + 4, QFB_HEADER_CONSTANT);
    put_u32(out + 8, static_cast<uint32_t>(header.width));
    put_u32(out + 12, static_cast<uint32_t>(header.height));
    put_u32(out + 16, static_cast<uint32_t>(header.format));
    put_u32(out + 20, static_cast<uint32_t>(header.fps));
    put_u32(out + 24, static_cast<uint32_t>(header.frame_count));
    put_u32(out + 28, static_cast<uint32_t>(header.mipmap_count));
}

QfbHeaderStatus decode_qfb_header(const uint8_t* bytes, size_t size, QfbHeader* header)
{
    if (bytes == nullptr || size < QFB_HEADER_SIZE) return QfbHeaderStatus::too_short;
    if (std::memcmp(bytes, QFB_MAGIC, sizeof QFB_MAGIC) != 0) return QfbHeaderStatus::bad_magic;
    if (get_u32(bytes + 4) != QFB_HEADER_CONSTANT) return QfbHeaderStatus::bad_constant;
    const uint32_t width = get_u32(bytes + 8), height = get_u32(bytes + 12);
    const uint32_t format = get_u32(bytes + 16), fps = get_u32(bytes + 20);
    const uint32_t frames = get_u32(bytes + 24), mipmaps = get_u32(bytes + 28);
    // Every field is a non-negative 32-bit signed value in the writer.
    if (width > INT32_LIMIT || height > INT32_LIMIT) return QfbHeaderStatus::bad_dimensions;
    if (format > 2) return QfbHeaderStatus::bad_format;
    if (fps == 0 || fps > INT32_LIMIT) return QfbHeaderStatus::bad_fps;
    if (frames == 0 || frames > INT32_LIMIT) return QfbHeaderStatus::bad_frame_count;
    if (mipmaps > INT32_LIMIT) return QfbHeaderStatus::bad_mipmap_count;
    header->width = static_cast<int32_t>(width);
    header->height = static_cast<int32_t>(height);
    header->format = static_cast<int32_t>(format);
    header->fps = static_cast<int32_t>(fps);
    header->frame_count = static_cast<int32_t>(frames);
    header->mipmap_count = static_cast<int32_t>(mipmaps);
    return QfbHeaderStatus::ok;
}

const char* qfb_header_status_text(QfbHeaderStatus status)
{
    switch (status) {
    case QfbHeaderStatus::ok: return "valid header";
    case QfbHeaderStatus::too_short: return "too short for a QFB header";
    case QfbHeaderStatus::bad_magic: return "not a QFB file (wrong magic)";
    case QfbHeaderStatus::bad_constant: return "unknown QFB version (constant field is not 1)";
    case QfbHeaderStatus::bad_dimensions: return "width or height out of range";
    case QfbHeaderStatus::bad_format: return "unknown pixel format";
    case QfbHeaderStatus::bad_fps: return "fps out of range";
    case QfbHeaderStatus::bad_frame_count: return "frame count out of range";
    case QfbHeaderStatus::bad_mipmap_count: return "mipmap count out of range";
    }
    return "unknown status";
}

void qfb_level_size(int32_t width, int32_t height, int32_t level, int32_t* w, int32_t* h)
{
    // Halving 31 times takes any int32 to 0 (or -1 / 0 stays), so longer loops change nothing.
    const int32_t steps = level < 0 ? 0 : (level > 31 ? 31 : level);
    for (int32_t i = 0; i < steps; ++i) {
        width /= 2;
        height /= 2;
    }
    *w = width;
    *h = height;
}

bool qfb_file_size(int32_t width, int32_t height, int32_t frame_count, int32_t mipmap_count,
                   uint64_t* size)
{
    if (width < 0 || height < 0 || frame_count < 0 || mipmap_count < 0) return false;
    constexpr uint64_t MAX = std::numeric_limits<uint64_t>::max();
    uint64_t frame_bytes = 0;
    uint64_t w = static_cast<uint64_t>(width), h = static_cast<uint64_t>(height);
    // Once a side reaches 0 every further level is empty, so the loop stops there.
    for (int32_t level = 0; level <= mipmap_count && w != 0 && h != 0; ++level) {
        const uint64_t level_bytes = w * h * 2;  // < 2^63: both sides are below 2^31
        if (level_bytes > MAX - frame_bytes) return false;
        frame_bytes += level_bytes;
        w /= 2;
        h /= 2;
    }
    const uint64_t frames = static_cast<uint64_t>(frame_count);
    if (frame_bytes != 0 && frames > (MAX - QFB_HEADER_SIZE) / frame_bytes) return false;
    *size = QFB_HEADER_SIZE + frames * frame_bytes;
    return true;
}

bool qfb_level_offset(int32_t width, int32_t height, int32_t mipmap_count, int32_t frame,
                      int32_t level, uint64_t* offset)
{
    if (frame < 0 || level < 0 || level > mipmap_count) return false;
    // One frame, and the levels above `level`, are sized by qfb_file_size less its header.
    uint64_t one_frame = 0, levels_above = QFB_HEADER_SIZE;
    if (!qfb_file_size(width, height, 1, mipmap_count, &one_frame)) return false;
    if (level > 0 && !qfb_file_size(width, height, 1, level - 1, &levels_above)) return false;
    const uint64_t frame_bytes = one_frame - QFB_HEADER_SIZE;
    const uint64_t within = levels_above - QFB_HEADER_SIZE;
    constexpr uint64_t MAX = std::numeric_limits<uint64_t>::max();
    const uint64_t frames = static_cast<uint64_t>(frame);
    if (frame_bytes != 0 && frames > (MAX - QFB_HEADER_SIZE - within) / frame_bytes) return false;
    *offset = QFB_HEADER_SIZE + frames * frame_bytes + within;
    return true;
}
