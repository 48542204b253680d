// The packer of pack_frames (see pack.h): the frames read in order on the calling thread, worked on
// by every core, and put into their places, the three overlapping; or, without work on their
// pixels, each Targa file put into its place from where it lies, in order.
#include "pack.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "alpha_edges.h"
#include "levels.h"
#include "pack_rules.h"
#include "parallel.h"
#include "row_sink.h"
#include "stable_chain.h"
#include "targa_image.h"
#include "targa_member.h"

namespace {

// One frame in memory: its levels and the image ID of each (empty for PNG files).
struct Frame {
    std::vector<Image> levels;
    std::vector<std::string> ids;
    int32_t made = 0;  // levels made for mipmaps
};

Shape shape_of(const Image& image) { return Shape{image.width, image.height, image.bits_per_pixel}; }

class Packer {
public:
    Packer(const PackRequest& request, const PackDestination& destination)
        : files_(request.frames), options_(request.options), readers_(request.readers), output_(request.output),
          destination_(destination), frames_(files_.size())
    {
    }

    PackProblem run(Packed* packed)
    {
        if (output_is_an_input(output_, files_)) return PackProblem::of_kind(PackProblem::output_is_input, output_);
        // Without work on the pixels, Targa files are truncated into the file from where they
        // lie; only the first frame's header is needed for the layout, and the file stays open.
        direct_ = !options_.mipmaps && !options_.dither && !options_.bleed && options_.alpha_threshold < 0;
        stable_ = options_.dither && options_.dithering.method == DitherMethod::stable;
        const std::string& first_name = files_[0][0].file;
        if (direct_ && is_targa(first_name)) {
            first_.reset(new TargaFile);
            const ImageProblem refused = open_image(first_name.c_str(), *first_);
            if (!refused.ok()) return PackProblem::of_image(refused);
            const TargaHeader& h = first_->header();
            top_ = Shape{h.width, h.height, h.pixel_depth};
        } else {
            if (!load_frame(0)) return problem_;
            top_ = shape_of(frames_[0].levels[0]);
        }
        int32_t found = 0;
        for (const FrameFiles& frame : files_) found = std::max(found, static_cast<int32_t>(frame.size()) - 1);
        mipmaps_ = options_.mipmaps ? chain_length(top_.width, top_.height, options_.levels, found) : found;
        packed_ = qfb_packed_format(options_.format, top_.bits_per_pixel / 8);
        if (stable_) chains_.reset(new StableChain[static_cast<size_t>(mipmaps_) + 1]);
        const qfb_header header = {top_.width, top_.height, packed_, options_.fps, static_cast<int32_t>(files_.size()),
                                   mipmaps_};
        const PackProblem unfit = lay_out(header, top_.bits_per_pixel, &layout_);
        if (!unfit.ok()) return unfit;
        bytes_ = destination_(layout_);
        qfb_encode_header(&header, bytes_);
        path_ = TargaPath{packed_, true, nullptr, &quiet_};

        // Two frames a piece, so that each pair of levels of one size is dithered together (one for
        // stable, which pairs no frames, so that its first frame starts sooner). Frames truncated
        // in place leave no work for other threads.
        const size_t per_piece = stable_ ? 1 : 2;
        const size_t pieces = (files_.size() + per_piece - 1) / per_piece;
        auto piece_end = [&](size_t p) { return std::min(per_piece * (p + 1), files_.size()); };
        int32_t made = 0;
        bool loaded = true;
        for (size_t f = 0; direct_ && loaded && f < files_.size(); ++f) {
            loaded = load_frame(f);
            if (loaded) work_on(f, f + 1);  // the words of frames read as images
        }
        if (!direct_) loaded = load_work_and_finish(
            pieces,
            [&](size_t p) {
                for (size_t f = per_piece * p; f < piece_end(p); ++f)
                    if (!load_frame(f)) return false;
                return true;
            },
            [&](size_t p) { work_on(per_piece * p, piece_end(p)); },
            [&](size_t p) {
                for (size_t f = per_piece * p; f < piece_end(p); ++f) made += frames_[f].made;
            });
        if (!loaded) return problem_;
        *packed = Packed{header, static_cast<uint64_t>(layout_.size), top_.bits_per_pixel, made};
        return {};
    }

private:
    bool is_targa(const std::string& file) const { return &readers_(file) == &targa_reader(); }

    // Reads frame index's images, each checked against its place; false with problem_ set when
    // one is not had or does not fit.
    bool load_frame(size_t index)
    {
        Frame& frame = frames_[index];
        if (!frame.levels.empty()) return true;  // the first, loaded before the rest
        const FrameFiles& refs = files_[index];
        frame.levels.resize(refs.size());
        frame.ids.resize(refs.size());
        for (size_t level = 0; level < refs.size(); ++level) {
            const ImageRef& ref = refs[level];
            const ImageReader& reader = readers_(ref.file);
            if (direct_ && &reader == &targa_reader()) {
                problem_ = put_in_place(index, level);
            } else {
                const ImageProblem refused = reader.load(ref, frame.levels[level], &frame.ids[level]);
                problem_ = refused.ok() ? fits_its_place(index, level) : PackProblem::of_image(refused);
            }
            if (!problem_.ok()) return false;
        }
        return true;
    }

    // Writes the words of a Targa level straight from its file into its place, once its size is
    // checked.
    PackProblem put_in_place(size_t index, size_t level)
    {
        const int32_t f = static_cast<int32_t>(index), l = static_cast<int32_t>(level);
        qfb_level place;
        qfb_get_level(&layout_, f, l, &place);
        const bool is_first = index == 0 && level == 0 && first_;
        const PackProblem problem = put_targa_member(path_, files_[index][level].file, is_first ? first_.get() : nullptr,
                                                     MemberPlace{bytes_ + place.offset, place_shape(top_, l), f, l});
        if (is_first) first_.reset();
        return problem;
    }

    // A frame must be the first frame's size and depth, and a level found beside it half the
    // level above at the frame's depth, unless mipmaps will make it again.
    PackProblem fits_its_place(size_t index, size_t level) const
    {
        const Frame& frame = frames_[index];
        if (index == 0 && level == 0) return {};
        uint64_t digest = 0;
        if (level > 0 && options_.mipmaps && level_origin(frame.ids[level], &digest) == LevelOrigin::generated) return {};
        // The first frame's pixels may be gone already; a level's frame is loaded and checked.
        const int32_t l = static_cast<int32_t>(level);
        const Shape wanted = level == 0 ? top_ : place_shape(shape_of(frame.levels[0]), l);
        return check_place(files_[index][level].file, shape_of(frame.levels[level]), wanted, static_cast<int32_t>(index),
                           l);
    }

    // Frames first .. end - 1: their levels completed, thresholded, bled, dithered and put into the
    // file. stable's dithering of each level waits in its level's chain for the frame before.
    void work_on(size_t first, size_t end)
    {
        for (size_t f = first; f < end; ++f) {
            Frame& frame = frames_[f];
            if (options_.mipmaps)
                complete_levels(frame.levels, frame.ids, mipmaps_, [&frame](int32_t, bool) { ++frame.made; },
                                options_.keep_coverage);
            for (Image& image : frame.levels) {
                if (options_.alpha_threshold >= 0) threshold_alpha(image, options_.alpha_threshold);
                if (options_.bleed) bleed_colour(image);
            }
        }
        if (stable_) {
            for (size_t f = first; f < end; ++f) dither_stable_and_put(f);
            return;
        }
        if (options_.dither) {
            for (size_t level = 0; level <= static_cast<size_t>(mipmaps_); ++level) {
                Image& a = frames_[first].levels[level];
                const int32_t format = qfb_packed_format(options_.format, a.bytes_per_pixel());
                if (end - first == 2) {
                    dither_images(a, frames_[first + 1].levels[level], format, options_.dithering);
                } else {
                    dither_image(a, format, options_.dithering);
                }
            }
        }
        for (size_t f = first; f < end; ++f) put_frame(f);
    }

    // stable: frame f's levels dithered after the frame before's, each in its level's chain, and
    // truncated into their places while the next frame is dithered.
    void dither_stable_and_put(size_t f)
    {
        std::vector<Image> levels;
        levels.swap(frames_[f].levels);  // its memory can take the frames still to be read
        for (size_t level = 0; level < levels.size(); ++level) {
            const int32_t format = qfb_packed_format(options_.format, levels[level].bytes_per_pixel());
            const std::shared_ptr<const Image> dithered =
                chains_[level].dither(f, std::move(levels[level]), format, options_.dithering);
            put_level(f, static_cast<int32_t>(level), *dithered);
        }
    }

    // Frame f's levels truncated into their places, then let go.
    void put_frame(size_t f)
    {
        for (int32_t level = 0; level <= mipmaps_; ++level) put_level(f, level, frames_[f].levels[static_cast<size_t>(level)]);
        std::vector<Image>().swap(frames_[f].levels);  // its memory can take the frames still to be read
    }

    // Nothing for a level truncated in place already, or without pixels.
    void put_level(size_t f, int32_t level, const Image& image)
    {
        qfb_level place;
        qfb_get_level(&layout_, static_cast<int32_t>(f), level, &place);
        put_image(image, packed_, bytes_ + place.offset);
    }

    const FrameList& files_;
    const PackOptions& options_;
    const ReaderFor readers_;
    const std::string& output_;
    const PackDestination& destination_;
    std::vector<Frame> frames_;
    Shape top_;  // the first frame's size and depth
    bool direct_ = false;  // Targa files truncated from where they lie (see run)
    std::unique_ptr<TargaFile> first_;  // the first frame's file, while it waits to be truncated
    TargaPath path_{};
    PackEvents quiet_;  // a pack shows no progress
    int32_t mipmaps_ = 0;
    int32_t packed_ = 0;
    bool stable_ = false;
    std::unique_ptr<StableChain[]> chains_;  // stable: one for each level
    qfb_file layout_{};
    uint8_t* bytes_ = nullptr;
    PackProblem problem_;  // why a frame was not loaded
};

}  // namespace

PackProblem pack_frames(const PackRequest& request, const PackDestination& destination, Packed* packed)
{
    return Packer(request, destination).run(packed);
}
