// KTX2, the Khronos texture container, for the 16-bit words of QFB files, both ways. A file's frames
// become one texture: a 2D texture for one frame, a 2D array of one layer a frame for several, its
// levels from full size down to the last non-empty one, in one of five packed Vulkan formats:
//
//   QFB format   portable (every API maps it)       as stored (Vulkan, Direct3D)
//   565          R5G6B5_UNORM_PACK16 (4)            R5G6B5_UNORM_PACK16 (4)
//   4444         R4G4B4A4_UNORM_PACK16 (2)          A4R4G4B4_UNORM_PACK16 (1000340000)
//   1555         R5G5B5A1_UNORM_PACK16 (6)          A1R5G5B5_UNORM_PACK16 (8), the flag inverted
//
// The fps goes in KTXanimData (duration 1, timescale fps, loop count 0) when there are several
// frames (the key belongs to array textures). The data format descriptor is the basic block of the
// format, with the sRGB transfer function: the words hold sRGB-encoded colour as a PNG file does,
// and these formats have no _SRGB variant that would say so.
//
// The reader takes any uncompressed, not supercompressed 2D texture or 2D array in one of the five
// formats, checks every size and offset against the bytes it is given (64-bit arithmetic) before it
// copies anything, and refuses the rest with a named problem. It never prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Frames as a QFB file holds them: little-endian 16-bit words in QFB's layouts, frame after frame,
// each frame's levels from full size down, rows top first; level l is (width >> l) x (height >> l),
// and every level is at least 1 x 1 (a QFB file's empty levels are left out). The words are a QFB
// file's bytes after its header.
struct Ktx2Frames {
    int32_t format = 0;         // QFB_FORMAT_1555, QFB_FORMAT_4444 or QFB_FORMAT_565
    uint32_t width = 0, height = 0;
    uint32_t frame_count = 0;
    uint32_t level_count = 0;   // per frame
    uint32_t fps = 0;           // 0: none (a KTX2 texture of one frame carries none)
    std::vector<uint8_t> words;
};

// One level of one frame: its size in pixels and where its words start in Ktx2Frames::words.
struct Ktx2Level {
    uint32_t width = 0, height = 0;
    uint64_t offset = 0;  // in bytes
};
// Level `level` of frame `frame` (both from 0, within the counts).
Ktx2Level ktx2_level(const Ktx2Frames& frames, uint32_t frame, uint32_t level);
// Words of one frame, all its levels.
uint64_t ktx2_frame_words(const Ktx2Frames& frames);
// Levels a frame of width x height holds down to the last that is at least 1 x 1 (0 for an empty
// frame): what QFB's halving and KTX2's chain have in common.
uint32_t ktx2_level_limit(uint32_t width, uint32_t height);

// A level widened to 8-bit blue, green, red, alpha by bit replication (libqfb's expansion), into
// width x height x 4 bytes at bgra: truncating each channel to its field gives the words back.
void ktx2_widen_bgra(const Ktx2Frames& frames, uint32_t frame, uint32_t level, uint8_t* bgra);

// Which of each QFB format's two Vulkan formats the writer uses (see the table above).
enum class Ktx2Choice { portable, as_stored };

// The Vulkan format of a QFB format under a choice, and its name ("VK_FORMAT_R5G6B5_UNORM_PACK16").
uint32_t ktx2_vk_format(int32_t qfb_format, Ktx2Choice choice);
const char* ktx2_vk_format_name(uint32_t vk_format);

// What the reader found wrong with a file, or what the writer refuses.
enum class Ktx2Problem {
    none,
    too_short,           // fewer bytes than the header and its level index
    not_ktx2,            // the identifier is not KTX2's
    supercompressed,     // a supercompression scheme other than none
    unsupported_format,  // a vkFormat other than the five
    bad_type_size,       // typeSize is not 2
    not_2d,              // a 1D, 3D or cubemap texture
    too_large,           // wider or taller than a QFB frame may be
    bad_level_count,     // more levels than the full chain of the size has
    bad_index,           // the descriptor, key/value data or global data lie outside the file
    bad_descriptor,      // the data format descriptor does not describe the vkFormat
    unsupported_transfer,  // a transfer function other than sRGB and linear
    premultiplied,       // colour premultiplied by alpha: QFB words are straight
    bad_key_value,       // the key/value data are not well formed
    bad_animation,       // KTXanimData not 12 bytes, or a duration or timescale of 0
    bad_level,           // a level's size or place does not fit the texture or the file
    bad_frames,          // (writer) frames that are not a texture: see Ktx2Frames
};
// A short lower-case phrase for a problem ("it is supercompressed"); never null.
const char* ktx2_problem_text(Ktx2Problem problem);

// The KTX2 file of frames in the chosen formats, with KTXwriter set to writer where it is not
// empty. bad_frames when the frames break Ktx2Frames's rules, a format is unknown, the words are not
// exactly the frames' or several frames have no fps.
Ktx2Problem write_ktx2(const Ktx2Frames& frames, Ktx2Choice choice, const std::string& writer,
                       std::vector<uint8_t>* out);

// What the reader gives besides the frames.
struct Ktx2Texture {
    Ktx2Frames frames;
    uint32_t vk_format = 0;
    bool srgb = false;            // the descriptor's transfer function: sRGB, else linear
    uint32_t dropped_levels = 0;  // levels past the QFB chain (see read_ktx2)
};

// Reads a KTX2 file of size bytes at data into *texture. A KTX2 chain goes down to 1 x 1 where one
// side reaches 1 before the other (8 x 2 has 4 x 1, 2 x 1, 1 x 1) while QFB's halving empties a
// level there (2 x 0): the levels are kept while both sides are at least 1, the smaller ones are
// left out and counted in dropped_levels. levelCount 0 (the consumer may make the levels) is one
// level. On a problem *texture is left as it was.
Ktx2Problem read_ktx2(const uint8_t* data, size_t size, Ktx2Texture* texture);
