// GIF decoding through giflib's record-by-record calls, from bytes in memory. The facts of the
// format (GIF89a) it relies on:
// - The file starts "GIF87a" or "GIF89a", then the logical screen descriptor: width and height
//   (16 bits each, little-endian), a packed byte whose top bit says a global colour table of
//   2^(1 + low 3 bits) entries of red, green, blue follows, the background index and aspect byte.
// - Then blocks, each led by one byte: 0x2C an image, 0x21 an extension, 0x3B the trailer that
//   ends the file. Anything else is a damaged file; so is a file that ends before its trailer.
// - An image: left, top, width, height (16 bits each), a packed byte (top bit: a local colour table
//   follows, used instead of the global one; bit 6: interlaced), the LZW minimum code size, then
//   data sub-blocks (a length byte, that many bytes) ending with an empty one. giflib checks the
//   LZW data; its rows come in stored order, which interlacing makes rows 0, 8, 16, ...; then 4,
//   12, ...; then 2, 6, ...; then 1, 3, ....
// - An extension: a label byte, then sub-blocks ending with an empty one. The graphic control
//   extension (label 0xF9) applies to the next image only; its one sub-block has 4 bytes: a packed
//   byte (bits 2-4 the disposal method, bit 0 a transparent index is given), the delay in
//   hundredths of a second (16 bits) and the transparent index. Other extensions are skipped.
#include "gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The bytes giflib reads, and whether it asked for more than the file holds.
struct MemoryInput {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    bool ran_out = false;
};

int read_input(GifFileType* gif, GifByteType* to, int count)
{
    MemoryInput& input = *static_cast<MemoryInput*>(gif->UserData);
    size_t taken = count < 0 ? 0 : static_cast<size_t>(count);
    if (taken > input.size - input.offset) {
        taken = input.size - input.offset;
        input.ran_out = true;
    }
    if (taken != 0) std::memcpy(to, input.data + input.offset, taken);
    input.offset += taken;
    return static_cast<int>(taken);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// What a failure of giflib (its error code) means.
AnimationResult failed(int error, const MemoryInput& input)
{
    if (input.ran_out) return {AnimationProblem::cut_short, 0};
    switch (error) {
    case D_GIF_ERR_NOT_ENOUGH_MEM:
    case D_GIF_ERR_NO_SCRN_DSCR: return {AnimationProblem::out_of_memory, 0};  // the screen was read whole
    case D_GIF_ERR_WRONG_RECORD: return {AnimationProblem::bad_block, 0};
    default: return {AnimationProblem::bad_lzw, 0};  // bad codes, too few, a code size above 8
    }
}

class Decoder {
public:
    Decoder(GifFileType* gif, const MemoryInput& input, GifCompositor& compositor, Animation& out)
        : gif_(gif), input_(input), compositor_(compositor), out_(out)
    {
    }

    AnimationResult run()
    {
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return failed(gif_->Error, input_);
            AnimationResult result;
            if (type == EXTENSION_RECORD_TYPE) {
                result = extension();
            } else if (type == IMAGE_DESC_RECORD_TYPE) {
                result = image();
            } else {  // the trailer
                return out_.frames.empty() ? AnimationResult{AnimationProblem::no_frames, 0} : AnimationResult{};
            }
            if (!result.ok()) return result;
        }
    }

private:
    AnimationResult extension()
    {
        int label = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &label, &block) == GIF_ERROR) return failed(gif_->Error, input_);
        if (label == GRAPHICS_EXT_FUNC_CODE) {
            if (block == nullptr || block[0] != 4) return {AnimationProblem::bad_block, 0};
            frame_.disposal = (block[1] >> 2) & 7;
            frame_.delay_cs = static_cast<uint16_t>(block[2] | block[3] << 8);
            frame_.transparent = (block[1] & 1) ? block[4] : -1;
        }
        while (block != nullptr)
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return failed(gif_->Error, input_);
        return {};
    }

    AnimationResult image()
    {
        if (DGifGetImageDesc(gif_) == GIF_ERROR) return failed(gif_->Error, input_);
        const GifImageDesc& desc = gif_->Image;
        AnimationResult result = compositor_.admit(uint32_t(desc.Width), uint32_t(desc.Height));
        if (!result.ok()) return result;
        frame_.left = uint16_t(desc.Left);
        frame_.top = uint16_t(desc.Top);
        frame_.width = uint16_t(desc.Width);
        frame_.height = uint16_t(desc.Height);
        const ColorMapObject* table = desc.ColorMap != nullptr ? desc.ColorMap : gif_->SColorMap;
        frame_.colour_count = 0;
        if (table != nullptr) {
            frame_.colour_count = static_cast<uint16_t>(std::min(table->ColorCount, 256));
            for (int i = 0; i < frame_.colour_count; ++i) {
                frame_.colours[size_t(i) * 3] = table->Colors[i].Red;
                frame_.colours[size_t(i) * 3 + 1] = table->Colors[i].Green;
                frame_.colours[size_t(i) * 3 + 2] = table->Colors[i].Blue;
            }
        }
        frame_.indices.resize(size_t{frame_.width} * frame_.height);
        result = frame_.indices.empty() ? skip_pixels() : pixels(desc.Interlace);
        if (result.ok()) result = compositor_.add(frame_, out_);
        // A graphic control block applies to one image.
        frame_.disposal = 0;
        frame_.delay_cs = 0;
        frame_.transparent = -1;
        return result;
    }

    AnimationResult pixels(bool interlaced)
    {
        static const int first[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        const int passes = interlaced ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int from = interlaced ? first[pass] : 0, by = interlaced ? step[pass] : 1;
            for (int y = from; y < frame_.height; y += by) {
                GifPixelType* row = frame_.indices.data() + size_t(y) * frame_.width;
                if (DGifGetLine(gif_, row, frame_.width) == GIF_ERROR) return failed(gif_->Error, input_);
            }
        }
        return {};
    }

    // An image without pixels: its data sub-blocks are passed over.
    AnimationResult skip_pixels()
    {
        int code_size = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif_, &code_size, &block) == GIF_ERROR) return failed(gif_->Error, input_);
        while (block != nullptr)
            if (DGifGetCodeNext(gif_, &block) == GIF_ERROR) return failed(gif_->Error, input_);
        return {};
    }

    GifFileType* gif_;
    const MemoryInput& input_;
    GifCompositor& compositor_;
    Animation& out_;
    GifFrame frame_;  // the next frame: its graphic control block, then its image
};

}  // namespace

AnimationResult decode_gif(const uint8_t* data, size_t size, GifCompositor& compositor, Animation& out)
{
    if (const AnimationProblem problem = gif_signature(data, size); problem != AnimationProblem::none)
        return {problem, 0};
    MemoryInput input{data, size};
    int error = 0;
    GifHandle gif(DGifOpen(&input, read_input, &error));
    if (!gif) return failed(error, input);
    AnimationResult result = compositor.start(uint32_t(gif->SWidth), uint32_t(gif->SHeight));
    if (!result.ok()) return result;
    return Decoder(gif.get(), input, compositor, out).run();
}

AnimationResult read_gif(const uint8_t* data, size_t size, Animation& animation)
{
    return read_animation(data, size, animation, [](const uint8_t* bytes, size_t count, Animation& out) {
        GifCompositor compositor;
        return decode_gif(bytes, count, compositor, out);
    });
}
