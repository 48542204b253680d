// The animated WebP file (see pictures.h).
#include "pictures.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <vector>


static_assert(ANIMATION_MAX_SIDE == WEBP_MAX_DIMENSION, "the side limit is WebP's own");

namespace {

// Lossless effort 0 (fastest) to 9 (smallest): 1 keeps a large set to seconds.
constexpr int LOSSLESS_PRESET = 1;

struct EncoderFree {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

// A WebPPicture that frees its pixels.
struct Picture {
    WebPPicture picture;
    Picture() { WebPPictureInit(&picture); }
    ~Picture() { WebPPictureFree(&picture); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
};

struct Data {
    WebPData data;
    Data() { WebPDataInit(&data); }
    ~Data() { WebPDataClear(&data); }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
};

}  // namespace

int32_t frame_duration_ms(int32_t fps)
{
    const int32_t ms = static_cast<int32_t>((1000 + int64_t{fps} / 2) / fps);
    return ms < 1 ? 1 : ms;
}

PictureLimit animation_limit(const qfb_header& h)
{
    const uint64_t frame_pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
    if (h.width < 1 || h.height < 1 || h.width > ANIMATION_MAX_SIDE || h.height > ANIMATION_MAX_SIDE)
        return PictureLimit::animation_side;
    if (frame_pixels > ANIMATION_MAX_FRAME_PIXELS) return PictureLimit::animation_frame_pixels;
    if (h.frame_count > ANIMATION_MAX_FRAMES) return PictureLimit::animation_frames;
    if (frame_pixels * static_cast<uint64_t>(h.frame_count) > ANIMATION_MAX_PIXELS) return PictureLimit::animation_pixels;
    return PictureLimit::none;
}

WriteStatus write_webp_animation(const char* name, const qfb_file& file, const LevelRowSource& source)
{
    const qfb_header& h = file.header;
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config) ||
        !WebPConfigLosslessPreset(&config, LOSSLESS_PRESET))
        return WriteStatus::encoder_failed;
    options.anim_params.loop_count = 0;  // forever
    config.exact = 1;                    // keep the colour under alpha 0 as the file has it
    const std::unique_ptr<WebPAnimEncoder, EncoderFree> encoder(WebPAnimEncoderNew(h.width, h.height, &options));
    Picture frame;
    frame.picture.use_argb = 1;
    frame.picture.width = h.width;
    frame.picture.height = h.height;
    if (encoder == nullptr || !WebPPictureAlloc(&frame.picture)) return WriteStatus::encoder_failed;

    const int32_t duration = frame_duration_ms(h.fps);
    std::vector<uint8_t> words(static_cast<size_t>(h.width) * 2), bgra(static_cast<size_t>(h.width) * 4);
    for (int32_t f = 0; f < h.frame_count; ++f) {
        qfb_level level;
        qfb_get_level(&file, f, 0, &level);
        for (int32_t row = 0; row < h.height; ++row) {
            if (!source(level, row, words.data())) return WriteStatus::source_failed;
            qfb_expand_words(words.data(), words.size() / 2, h.format, QFB_ORDER_BGRA, bgra.data());
            uint32_t* argb = frame.picture.argb + static_cast<size_t>(row) * static_cast<size_t>(frame.picture.argb_stride);
            for (int32_t x = 0; x < h.width; ++x) {
                const uint8_t* p = &bgra[4 * static_cast<size_t>(x)];
                argb[x] = uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
            }
        }
        if (!WebPAnimEncoderAdd(encoder.get(), &frame.picture, f * duration, &config))
            return WriteStatus::encoder_failed;
    }
    Data webp;
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, h.frame_count * duration, nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), &webp.data))
        return WriteStatus::encoder_failed;
    return write_whole_file(name, webp.data.bytes, webp.data.size);
}
