// The KTX2 file's fixed layout, which the writer and the reader share: the identifier, where each
// header field stands, the level index, the alignment of levels, the keys this library writes or
// reads, and the little-endian access to fields. Everything in a KTX2 file is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

// «KTX 20», CR LF, Ctrl-Z, LF.
constexpr uint8_t KTX2_IDENTIFIER[12] = {0xAB, 0x4B, 0x54, 0x58, 0x20, 0x32, 0x30, 0xBB, 0x0D, 0x0A, 0x1A, 0x0A};

// Byte offsets of the header's fields; the index ends at KTX2_HEADER_SIZE, where the level index
// begins, one entry (byte offset, byte length, uncompressed byte length) a level, largest first.
enum : size_t {
    KTX2_VK_FORMAT = 12,
    KTX2_TYPE_SIZE = 16,
    KTX2_PIXEL_WIDTH = 20,
    KTX2_PIXEL_HEIGHT = 24,
    KTX2_PIXEL_DEPTH = 28,
    KTX2_LAYER_COUNT = 32,
    KTX2_FACE_COUNT = 36,
    KTX2_LEVEL_COUNT = 40,
    KTX2_SUPERCOMPRESSION = 44,
    KTX2_DFD_OFFSET = 48,
    KTX2_DFD_LENGTH = 52,
    KTX2_KVD_OFFSET = 56,
    KTX2_KVD_LENGTH = 60,
    KTX2_SGD_OFFSET = 64,  // 64-bit
    KTX2_SGD_LENGTH = 72,  // 64-bit
    KTX2_HEADER_SIZE = 80,
    KTX2_LEVEL_ENTRY_SIZE = 24,
};

// Bytes of one texel of the five formats (the header's typeSize), and the alignment of each level's
// data: the least common multiple of the texel size and 4.
constexpr uint32_t KTX2_TEXEL_SIZE = 2;
constexpr uint64_t KTX2_LEVEL_ALIGNMENT = 4;

// Keys of the key/value data, in the order of their code points (the order a file lists them in).
constexpr char KTX2_KEY_ANIMATION[] = "KTXanimData";
constexpr char KTX2_KEY_ORIENTATION[] = "KTXorientation";
constexpr char KTX2_KEY_WRITER[] = "KTXwriter";
// KTXanimData's value: duration, timescale and loop count, three 32-bit numbers.
constexpr uint32_t KTX2_ANIMATION_SIZE = 12;

inline uint32_t ktx2_get32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint64_t ktx2_get64(const uint8_t* p) { return uint64_t{ktx2_get32(p)} | uint64_t{ktx2_get32(p + 4)} << 32; }

inline void ktx2_put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void ktx2_put64(uint8_t* p, uint64_t v)
{
    ktx2_put32(p, static_cast<uint32_t>(v));
    ktx2_put32(p + 4, static_cast<uint32_t>(v >> 32));
}
