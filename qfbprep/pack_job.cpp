// qfbprep pack FORMAT FPS OUTPUT FRAMES... [options]: from images to one QFB file in one step,
// all in memory. The frames are a base filename's set as makeqfb finds it, painted levels
// included, or image files (PNG or Targa) in natural order of their names; then the levels they
// lack are made (keeping coverage if asked), alpha is thresholded, the colour of transparent
// pixels bled, the pixels dithered and truncated to the format's words, and the whole file
// written at once, atomically. Each step is the one the step tools take (import, mipmaps,
// dither, makeqfb), so the file is byte for byte theirs.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <qfb/qfb.h>

#include "alpha_edges.h"
#include "cli.h"
#include "dither.h"
#include "frameset.h"
#include "frame_list.h"
#include "image_files.h"
#include "jobs.h"
#include "levels.h"
#include "parallel.h"
#include "stable_chain.h"
#include "targa_image.h"

namespace {

struct PackOptions {
    int32_t format = -1;
    int32_t fps = 0;
    std::string output;
    std::vector<std::string> frames;  // one base filename, or image files
    bool mipmaps = false;
    int32_t levels = MAX_MIPMAP_LEVEL;  // with --mipmaps: at most this many levels
    bool dither = false;
    DitherOptions dithering;
    bool bleed = false;
    int32_t keep_coverage = 0;  // with --mipmaps: made levels keep the full-size level's coverage
    int32_t alpha_threshold = -1;  // alpha below it becomes 0 and the rest 255; -1: alpha as it is
    bool as_given = false;
};

bool all_digits(const char* s) { return *s != '\0' && std::strspn(s, "0123456789") == std::strlen(s); }

// False when the command line is wrong; said is true when that is printed already.
bool parse_options(int argc, char** argv, PackOptions& options, bool* said)
{
    *said = false;
    if (argc < 4) return false;
    options.format = qfb_format_code(argv[0]);
    if (options.format < 0) {
        say_unknown_format(argv[0]);
        *said = true;
        return false;
    }
    errno = 0;
    const long fps = all_digits(argv[1]) ? std::strtol(argv[1], nullptr, 10) : 0;
    if (errno != 0 || fps < 1 || fps > INT32_MAX) {
        say_bad_fps(argv[1]);
        *said = true;
        return false;
    }
    options.fps = static_cast<int32_t>(fps);
    options.output = argv[2];
    for (int i = 3; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--mipmaps") == 0) {
            options.mipmaps = true;
            if (i + 1 < argc && all_digits(argv[i + 1]) &&
                !count_option(argc, argv, i, 1, MAX_MIPMAP_LEVEL, &options.levels, said))
                return false;
        } else if (dither_option(argc, argv, i, "--dither", options.dithering, &options.dither, said)) {
            continue;
        } else if (*said) {
            return false;
        } else if (std::strcmp(arg, "--bleed") == 0) {
            options.bleed = true;
        } else if (std::strcmp(arg, "--keep-coverage") == 0) {
            if (!count_option(argc, argv, i, 1, 255, &options.keep_coverage, said)) return false;
        } else if (std::strcmp(arg, "--alpha-threshold") == 0) {
            if (!count_option(argc, argv, i, 0, 255, &options.alpha_threshold, said)) return false;
        } else if (std::strcmp(arg, "--as-given") == 0) {
            options.as_given = true;
        } else if (std::strncmp(arg, "--", 2) == 0) {
            return false;
        } else {
            options.frames.push_back(arg);
        }
    }
    return !options.frames.empty();
}

// One frame in memory: its levels and the image ID of each (empty for PNG files).
struct Frame {
    std::vector<Image> levels;
    std::vector<std::string> ids;
    int32_t made = 0;  // levels made by --mipmaps
};

std::string shape(const Image& image) { return text("%d x %d, %dbpp", image.width, image.height, image.bits_per_pixel); }

bool is_targa(const ImageRef& ref) { return &reader_for(ref.file) == &targa_reader(); }

// The size and depth of an open Targa file, without pixels.
void take_shape(const TargaFile& file, Image& shape)
{
    shape.width = file.header().width;
    shape.height = file.header().height;
    shape.bits_per_pixel = file.header().pixel_depth;
}

class Packer {
public:
    Packer(const PackOptions& options, FrameList files)
        : options_(options), files_(std::move(files)), frames_(files_.size())
    {
    }

    int run()
    {
        if (!outputs_no_input()) return 1;
        // Without work on the pixels, Targa files are truncated into the file from where they
        // lie; only the first frame's header is needed for the layout, and the file stays open.
        direct_ = !options_.mipmaps && !options_.dither && !options_.bleed && options_.alpha_threshold < 0;
        stable_ = options_.dither && options_.dithering.method == DitherMethod::stable;
        const ImageRef& first_name = files_[0][0];
        if (direct_ && is_targa(first_name)) {
            first_.reset(new TargaFile);
            const ImageProblem problem = open_image(first_name.file.c_str(), *first_);
            if (!problem.ok()) {
                say_image_problem(problem);
                return 1;
            }
            take_shape(*first_, top_);
        } else {
            if (!load_frame(0)) return 1;
            const Image& top = frames_[0].levels[0];
            top_.width = top.width, top_.height = top.height, top_.bits_per_pixel = top.bits_per_pixel;
        }
        const Image& top = top_;
        int32_t found = 0;
        for (const FrameFiles& frame : files_) found = std::max(found, static_cast<int32_t>(frame.size()) - 1);
        mipmaps_ = options_.mipmaps ? chain_length(top.width, top.height, options_.levels, found) : found;
        packed_ = qfb_packed_format(options_.format, top.bytes_per_pixel());
        if (stable_) chains_.reset(new StableChain[static_cast<size_t>(mipmaps_) + 1]);
        TargaHeader first;
        first.width = top.width, first.height = top.height, first.pixel_depth = static_cast<uint8_t>(top.bits_per_pixel);
        if (check_capacity(first, static_cast<int32_t>(files_.size()), mipmaps_) != SetProblem::none) {
            std::printf("%s: the QFB file would be larger than the %d bytes a QFB file may have: pack fewer or smaller "
                        "frames.\n", options_.output.c_str(), QFB_MAX_FILE_SIZE);
            return 1;
        }
        const qfb_header header = {top.width, top.height, packed_, options_.fps, static_cast<int32_t>(files_.size()), mipmaps_};
        qfb_layout(&header, &layout_);  // cannot fail once the set fits
        bytes_.reset(new uint8_t[layout_.size]);
        advise_huge_pages(bytes_.get(), static_cast<size_t>(layout_.size));
        qfb_encode_header(&header, bytes_.get());

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
            if (loaded) work_on(f, f + 1);  // the words of PNG frames
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
        if (!loaded) return 1;
        const WriteStatus written = write_whole_file(options_.output, bytes_.get(), static_cast<size_t>(layout_.size));
        if (written != WriteStatus::ok) {
            std::printf("Couldn't write QFB file %s: %s.\n", options_.output.c_str(), write_failure_text(written).c_str());
            return 1;
        }
        say_packed(header, made);
        return 0;
    }

private:
    // False, said, when the output is a name of one of the inputs: writing it would destroy it.
    bool outputs_no_input() const
    {
        for (const FrameFiles& frame : files_) {
            for (const ImageRef& name : frame) {
                if (same_file(name.file, options_.output)) {
                    say_output_is_input(options_.output.c_str());
                    return false;
                }
            }
        }
        return true;
    }

    bool load_frame(size_t index)
    {
        Frame& frame = frames_[index];
        if (!frame.levels.empty()) return true;  // the first, loaded before the rest
        const FrameFiles& names = files_[index];
        frame.levels.resize(names.size());
        frame.ids.resize(names.size());
        for (size_t level = 0; level < names.size(); ++level) {
            const ImageRef& name = names[level];
            Image& image = frame.levels[level];
            if (direct_ && is_targa(name)) {
                if (!truncate_in_place(index, level, image)) return false;
                continue;
            }
            const ImageProblem problem = load_image_file(name, image, &frame.ids[level]);
            say_image_problem(problem);
            if (!problem.ok() || !fits_its_place(index, level)) return false;
        }
        return true;
    }

    // Writes the words of a Targa level straight from its file into its place, once its size is
    // checked; shape gets its size without pixels. False, said, when it is not put there.
    bool truncate_in_place(size_t index, size_t level, Image& shape)
    {
        TargaFile other;
        const bool is_first = index == 0 && level == 0 && first_;
        TargaFile& file = is_first ? *first_ : other;
        if (is_first) {
            shape = top_;
        } else {
            const std::string& name = files_[index][level].file;
            const ImageProblem problem = open_image(name.c_str(), file);
            if (!problem.ok()) {
                say_image_problem(problem);
                return false;
            }
            take_shape(file, shape);
        }
        if (!fits_its_place(index, level)) return false;
        qfb_level place;
        qfb_get_level(&layout_, static_cast<int32_t>(index), static_cast<int32_t>(level), &place);
        Target target{bytes_.get() + place.offset, static_cast<size_t>(shape.width), shape.bytes_per_pixel(), packed_};
        TargaError why = TargaError::none;
        if (targa_is_rle(file.header())) {
            std::vector<uint8_t> pixels(static_cast<size_t>(file.image().image_bytes));
            why = file.load(pixels.data());
            if (why == TargaError::none)
                for (int32_t row = 0; row < shape.height; ++row) encode_row(pixels.data() + row * target.width * target.bytes_per_pixel, row, &target);
        } else {
            why = file.visit_rows(encode_row, &target);
        }
        if (is_first) first_.reset();
        if (why != TargaError::none) say_unreadable_targa(files_[index][level].file.c_str(), targa_error_text(why));
        return why == TargaError::none;
    }

    // Where the rows of one image go.
    struct Target {
        uint8_t* words;
        size_t width;
        int bytes_per_pixel;
        int32_t format;
    };

    static void encode_row(const uint8_t* row, int32_t top_row, void* context)
    {
        const Target& target = *static_cast<const Target*>(context);
        qfb_encode_pixels(row, target.width, target.bytes_per_pixel, target.format,
                          target.words + static_cast<size_t>(top_row) * target.width * 2);
    }

    // A frame must be the first frame's size and depth, and a level found beside it half the
    // level above at the frame's depth, unless --mipmaps will make it again.
    bool fits_its_place(size_t index, size_t level) const
    {
        const Frame& frame = frames_[index];
        const Image& image = frame.levels[level];
        const Image& top = top_;  // the first frame's pixels may be gone already
        const std::string& name = files_[index][level].file;
        if (level == 0) {
            if (index == 0 || image.same_shape(top)) return true;
            std::printf("%s is %s, but the first frame %s is %s: give every frame the same size and depth.\n",
                        name.c_str(), shape(image).c_str(), files_[0][0].file.c_str(), shape(top).c_str());
            return false;
        }
        uint64_t digest = 0;
        if (options_.mipmaps && level_origin(frame.ids[level], &digest) == LevelOrigin::generated) return true;
        const Image& frame_top = frame.levels[0];
        const int32_t l = static_cast<int32_t>(level);
        Image wanted;
        wanted.width = level_side(frame_top.width, l), wanted.height = level_side(frame_top.height, l);
        wanted.bits_per_pixel = frame_top.bits_per_pixel;
        if (image.same_shape(wanted)) return true;
        std::printf("%s is %s, but level %d of %s must be %s, half the level above: resize it, or remove it for "
                    "--mipmaps to make.\n",
                    name.c_str(), shape(image).c_str(), l, files_[index][0].file.c_str(), shape(wanted).c_str());
        return false;
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
            for (size_t f = first; f < end; ++f) dither_stable_and_encode(f);
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
        for (size_t f = first; f < end; ++f) encode(f);
    }

    // stable: frame f's levels dithered after the frame before's, each in its level's chain, and
    // truncated into their places while the next frame is dithered.
    void dither_stable_and_encode(size_t f)
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
    void encode(size_t f)
    {
        for (int32_t level = 0; level <= mipmaps_; ++level) put_level(f, level, frames_[f].levels[static_cast<size_t>(level)]);
        std::vector<Image>().swap(frames_[f].levels);  // its memory can take the frames still to be read
    }

    void put_level(size_t f, int32_t level, const Image& image)
    {
        if (image.pixels.empty()) return;  // truncated in place already, or no pixels at all
        qfb_level place;
        qfb_get_level(&layout_, static_cast<int32_t>(f), level, &place);
        qfb_encode_pixels(image.pixels.data(), static_cast<size_t>(image.width) * static_cast<size_t>(image.height),
                          image.bytes_per_pixel(), packed_, bytes_.get() + place.offset);
    }

    void say_packed(const qfb_header& header, int32_t made) const
    {
        std::string levels = text("%d mipmap level%s each", header.mipmap_count, header.mipmap_count == 1 ? "" : "s");
        if (made > 0) levels += text(" (%d made)", made);
        std::printf("%s: %d frame%s of %d x %d, %dbpp, %s, packed as %s%s: %llu bytes.\n", options_.output.c_str(),
                    header.frame_count, header.frame_count == 1 ? "" : "s", header.width, header.height, top_.bits_per_pixel,
                    levels.c_str(),
                    qfb_format_name(header.format),
                    header.format != options_.format ? " (a 24bpp image has no alpha for 4444)" : "",
                    static_cast<unsigned long long>(layout_.size));
        if (options_.mipmaps)
            std::fputs(short_chain_note(header.width, header.height, header.mipmap_count, options_.levels).c_str(), stdout);
    }

    const PackOptions& options_;
    const FrameList files_;
    std::vector<Frame> frames_;
    Image top_;  // the first frame's size and depth, without its pixels
    bool direct_ = false;  // Targa files truncated from where they lie (see run)
    std::unique_ptr<TargaFile> first_;  // the first frame's file, while it waits to be truncated
    int32_t mipmaps_ = 0;
    int32_t packed_ = 0;
    bool stable_ = false;
    std::unique_ptr<StableChain[]> chains_;  // stable: one for each level
    qfb_file layout_{};
    std::unique_ptr<uint8_t[]> bytes_;
};

}  // namespace

int pack_job(int argc, char** argv)
{
    PackOptions options;
    bool said = false;
    if (!parse_options(argc, argv, options, &said)) {
        if (!said) print_qfbprep_usage();
        return 1;
    }
    if (!has_extension(options.output, ".qfb")) {
        std::printf("The output file must be named *.qfb: %s\n", options.output.c_str());
        return 1;
    }
    FrameList frames;
    const ImageProblem gathered = gather_frames(options.frames, options.as_given, options.mipmaps, reader_for, frames);
    if (!gathered.ok()) {
        say_image_problem(gathered);
        if (gathered.kind == ImageProblem::mipmap_mismatch)
            std::printf("qfbprep pack --mipmaps fills in the levels the frames lack.\n");
        return 1;
    }
    return Packer(options, std::move(frames)).run();
}
