// WebP reading through libwebp. The facts of the format it relies on:
// - The file is a RIFF container: "RIFF", the size of what follows (32 bits, little-endian), "WEBP",
//   then chunks. A file shorter than that size is cut short; bytes past it are ignored.
// - A still file holds one image chunk ("VP8 " or "VP8L", after an "ALPH" chunk for lossy alpha);
//   an animated one a "VP8X" chunk with the canvas's size, an "ANIM" chunk, and an "ANMF" chunk a
//   frame: its offset, size, duration in milliseconds, blending (over the canvas or not) and
//   disposal (none, or its rectangle cleared) and its image. The demuxer checks the chunks and the
//   frames' places; the animation decoder draws every frame on a canvas that starts transparent,
//   ignoring the background colour, as browsers do.
// - A frame shows for its duration as shown_duration_ms gives it; a still image has none (0 ms).
#include "webp_reader.h"

#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "animation_limits.h"
#include "frame_rate.h"

namespace {

constexpr size_t RIFF_HEADER = 12;  // "RIFF", the size, "WEBP"
constexpr size_t RIFF_SIZE_END = 8;  // the bytes the size field does not count
constexpr uint32_t BYTES_PER_PIXEL = 4;

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct DecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The container's header: not_webp, cut_short (inside the header, or before the end its size
// gives), or none.
AnimationProblem check_header(const uint8_t* data, size_t size)
{
    if (size == 0) return AnimationProblem::cut_short;
    static const char riff[] = "RIFF", webp[] = "WEBP";
    if (std::memcmp(data, riff, std::min<size_t>(size, 4)) != 0) return AnimationProblem::not_webp;
    if (size > 8 && std::memcmp(data + 8, webp, std::min<size_t>(size - 8, 4)) != 0) return AnimationProblem::not_webp;
    if (size < RIFF_HEADER) return AnimationProblem::cut_short;
    const uint64_t riff_size = data[4] | uint32_t{data[5]} << 8 | uint32_t{data[6]} << 16 | uint32_t{data[7]} << 24;
    return riff_size + RIFF_SIZE_END > size ? AnimationProblem::cut_short : AnimationProblem::none;
}

AnimationResult decode(const uint8_t* data, size_t size, Animation& out)
{
    if (const AnimationProblem problem = check_header(data, size); problem != AnimationProblem::none)
        return {problem, 0};
    const WebPData bytes{data, size};
    // The canvas and the frames' count, from the demuxer, before any pixel is decoded.
    std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemux(&bytes));
    if (!demuxer) return {AnimationProblem::bad_chunks, 0};
    const uint32_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    const uint32_t frames = WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT);
    demuxer.reset();
    const uint64_t frame_bytes = uint64_t{width} * height * BYTES_PER_PIXEL;
    if (width == 0 || height == 0) return {AnimationProblem::empty_screen, 0};
    if (!frame_fits(width, height)) return {AnimationProblem::screen_too_large, frame_bytes};
    if (frames == 0) return {AnimationProblem::no_frames, 0};
    const uint64_t affordable = MAX_ANIMATION_BYTES / (frame_bytes + FRAME_RECORD_BYTES);
    if (frames > affordable) return {AnimationProblem::too_many_frames, affordable + 1};

    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return {AnimationProblem::out_of_memory, 0};
    options.color_mode = MODE_BGRA;  // unpremultiplied, in Image's order
    options.use_threads = 0;
    // The same bytes demuxed once already: what fails now is an allocation.
    std::unique_ptr<WebPAnimDecoder, DecoderDeleter> decoder(WebPAnimDecoderNew(&bytes, &options));
    if (!decoder) return {AnimationProblem::out_of_memory, 0};
    const WebPDemuxer* frames_of = WebPAnimDecoderGetDemuxer(decoder.get());
    out.frames.reserve(frames);
    out.durations_ms.reserve(frames);
    for (uint32_t i = 1; i <= frames; ++i) {
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        WebPIterator frame_info;
        if (!WebPDemuxGetFrame(frames_of, static_cast<int>(i), &frame_info)) return {AnimationProblem::bad_chunks, 0};
        const int duration = frame_info.duration;
        WebPDemuxReleaseIterator(&frame_info);
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp)) return {AnimationProblem::bad_frame_data, 0};
        Image frame;
        frame.width = static_cast<int32_t>(width);
        frame.height = static_cast<int32_t>(height);
        frame.bits_per_pixel = 32;
        frame.pixels.assign(canvas, canvas + frame_bytes);
        out.frames.push_back(std::move(frame));
        out.durations_ms.push_back(shown_duration_ms(static_cast<uint32_t>(duration)));
    }
    return {};
}

}  // namespace

AnimationResult read_webp(const uint8_t* data, size_t size, Animation& animation)
{
    return read_animation(data, size, animation, decode);
}
