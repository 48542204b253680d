// The readers of every form frames come in (see frame_forms.h): one decoded file kept at a time.
#include "frame_forms.h"

#include <cinttypes>
#include <cstdio>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "animation_limits.h"
#include "files.h"
#include "image_files.h"
#include "ktx2.h"
#include "targa_image.h"
#if defined(QFB_GIF_WEBP) || defined(QFB_GIF)
#include "gif_reader.h"
#endif
#ifdef QFB_GIF_WEBP
#include "webp_reader.h"
#endif
#ifdef QFB_ASEPRITE
#include "aseprite_reader.h"
#endif

namespace {

// What one file decoded to: its images, the order they are shown in (each a place in images;
// an Aseprite tag may show a frame twice), and each shown frame's duration (none for a sheet).
// uses counts the loads each image has still to give; the last takes the image itself. A sheet
// is kept whole, each cell cut when it is loaded, into memory the frames before it let go.
struct Decoded {
    std::string file;
    std::vector<Image> images;
    std::vector<uint32_t> order;
    std::vector<uint32_t> durations_ms;
    std::vector<uint32_t> uses;
    Image sheet;
    SheetCells cells;  // taken 0: not a sheet
    int32_t images_per_frame = 1;  // a texture's: each frame's image and levels
    uint32_t fps = 0;              // a texture's own rate; 0: none
};

using Decode = ImageProblem (*)(const std::string& file, const FrameForms& forms, Decoded& out);

ImageProblem unreadable(const std::string& file, const char* kind, std::string reason)
{
    return ImageProblem::of_file(ImageProblem::unreadable, file, kind, std::move(reason));
}

std::string text(const char* format, uint64_t a, uint64_t b, uint64_t c = 0, uint64_t d = 0)
{
    char line[160];
    std::snprintf(line, sizeof line, format, a, b, c, d);
    return line;
}

// The file's bytes, read whole (never mapped: the decoders cannot be left by a jump).
ImageProblem read_bytes(const std::string& file, const char* kind, size_t limit, FileBytes& bytes)
{
    const ReadStatus read = bytes.open(file.c_str(), false, limit);
    return read == ReadStatus::ok ? ImageProblem{} : unreadable(file, kind, read_status_text(read));
}

constexpr char GIF[] = "GIF", WEBP[] = "WebP", ASEPRITE[] = "Aseprite", KTX2[] = "KTX2";

#if defined(QFB_GIF_WEBP) || defined(QFB_GIF)
ImageProblem decode_animation(const std::string& file, const char* kind,
                              AnimationResult (*read)(const uint8_t*, size_t, Animation&), Decoded& out)
{
    FileBytes bytes;
    const ImageProblem problem = read_bytes(file, kind, MAX_ANIMATION_FILE, bytes);
    if (!problem.ok()) return problem;
    Animation animation;
    const AnimationResult result = read(bytes.data(), bytes.size(), animation);
    if (!result.ok()) return unreadable(file, kind, animation_problem_text(result.problem));
    out.images = std::move(animation.frames);
    out.durations_ms = std::move(animation.durations_ms);
    for (uint32_t i = 0; i < out.images.size(); ++i) out.order.push_back(i);
    return {};
}

ImageProblem decode_gif(const std::string& file, const FrameForms&, Decoded& out)
{
    return decode_animation(file, GIF, read_gif, out);
}
#else
// A qfbprep built without either reader.
constexpr char NO_ANIMATIONS[] = "this qfbprep is built without giflib and libwebp and reads no animations";

ImageProblem decode_gif(const std::string& file, const FrameForms&, Decoded&)
{
    return unreadable(file, GIF, NO_ANIMATIONS);
}
#endif

#ifdef QFB_GIF_WEBP
ImageProblem decode_webp(const std::string& file, const FrameForms&, Decoded& out)
{
    return decode_animation(file, WEBP, read_webp, out);
}
#elif defined(QFB_GIF)
ImageProblem decode_webp(const std::string& file, const FrameForms&, Decoded&)
{
    return unreadable(file, WEBP, "this qfbprep reads no WebP animations: there is no libwebp for it, and the Windows "
                                  "Imaging Component decodes none");
}
#else
ImageProblem decode_webp(const std::string& file, const FrameForms&, Decoded&)
{
    return unreadable(file, WEBP, NO_ANIMATIONS);
}
#endif

#ifdef QFB_ASEPRITE
ImageProblem decode_aseprite(const std::string& file, const FrameForms& forms, Decoded& out)
{
    FileBytes bytes;
    const ImageProblem problem = read_bytes(file, ASEPRITE, MAX_ASEPRITE_FILE, bytes);
    if (!problem.ok()) return problem;
    AsepriteSprite sprite;
    AsepriteOutcome outcome = read_aseprite(bytes.data(), bytes.size(), sprite);
    if (outcome.ok()) outcome = aseprite_tag_frames(sprite, forms.tag, out.order);
    if (!outcome.ok()) return unreadable(file, ASEPRITE, aseprite_problem_text(outcome));
    for (const uint32_t frame : out.order) out.durations_ms.push_back(sprite.animation.durations_ms[frame]);
    out.images = std::move(sprite.animation.frames);
    return {};
}
#else
ImageProblem decode_aseprite(const std::string& file, const FrameForms&, Decoded&)
{
    return unreadable(file, ASEPRITE, "this qfbprep is built without zlib and reads no Aseprite files");
}
#endif

// A KTX2 texture's frames, each with its levels, widened from its words by bit replication, so
// that packing them in the texture's own format gives its words back: 24 bits for 565, 32 for the
// formats with alpha.
ImageProblem decode_texture(const std::string& file, const FrameForms&, Decoded& out)
{
    FileBytes bytes;
    const ImageProblem problem = read_bytes(file, KTX2, MAX_ANIMATION_FILE, bytes);
    if (!problem.ok()) return problem;
    Ktx2Texture texture;
    const Ktx2Problem read = read_ktx2(bytes.data(), bytes.size(), &texture);
    if (read != Ktx2Problem::none) return unreadable(file, KTX2, ktx2_problem_text(read));
    const Ktx2Frames& frames = texture.frames;
    const int32_t bits = frames.format == QFB_FORMAT_565 ? 24 : 32;
    std::vector<uint8_t> bgra;
    for (uint32_t frame = 0; frame < frames.frame_count; ++frame) {
        for (uint32_t level = 0; level < frames.level_count; ++level) {
            const Ktx2Level at = ktx2_level(frames, frame, level);
            const size_t pixels = static_cast<size_t>(at.width) * at.height;
            bgra.resize(pixels * 4);
            ktx2_widen_bgra(frames, frame, level, bgra.data());
            Image image;
            image.width = static_cast<int32_t>(at.width);
            image.height = static_cast<int32_t>(at.height);
            image.bits_per_pixel = bits;
            if (bits == 32) {
                image.pixels = bgra;
            } else {
                image.pixels.resize(pixels * 3);
                for (size_t i = 0; i < pixels; ++i) std::copy_n(&bgra[i * 4], 3, &image.pixels[i * 3]);
            }
            out.images.push_back(std::move(image));
        }
    }
    out.images_per_frame = static_cast<int32_t>(frames.level_count);
    out.fps = frames.frame_count > 1 ? frames.fps : 0;
    for (uint32_t i = 0; i < out.images.size(); ++i) out.order.push_back(i);
    return {};
}

// What is wrong with cutting the sheet, with both sizes where the sheet's is not whole.
std::string sheet_refusal(const SheetProblem& p, const SheetLayout& layout)
{
    const uint64_t w = static_cast<uint64_t>(p.sheet_width), h = static_cast<uint64_t>(p.sheet_height);
    switch (p.kind) {
    case SheetProblem::not_whole:
        return layout.form == SheetLayout::grid
                   ? text("the sheet is %" PRIu64 " x %" PRIu64 " pixels, which a grid of %" PRIu64 " x %" PRIu64
                          " cells does not divide into whole cells",
                          w, h, p.across, p.down)
                   : text("the sheet is %" PRIu64 " x %" PRIu64 " pixels, not a whole number of cells of %" PRIu64
                          " x %" PRIu64,
                          w, h, p.across, p.down);
    case SheetProblem::too_many_cells:
        return text("the sheet holds %" PRIu64 " cells, fewer than the %" PRIu64 " --cells takes", p.value,
                    layout.cells.value_or(0));
    case SheetProblem::cell_too_large:
        return text("a cell has %" PRIu64 " bytes of pixels, more than the %" PRIu64 " an image may have", p.value,
                    MAX_IMAGE_BYTES);
    default: return sheet_problem_text(p.kind);
    }
}

template <bool png>
ImageProblem decode_sheet(const std::string& file, const FrameForms& forms, Decoded& out)
{
    Image sheet;
    // A sheet holds many images: it may have as many bytes as all of an animation's frames.
    const ImageProblem problem = png ? load_png(file.c_str(), sheet, MAX_ANIMATION_BYTES) : load_image(file.c_str(), sheet);
    if (!problem.ok()) return problem;
    const SheetProblem cut = sheet_cells(sheet, *forms.sheet, out.cells);
    if (cut.kind != SheetProblem::none) return unreadable(file, png ? "PNG" : "Targa", sheet_refusal(cut, *forms.sheet));
    for (uint32_t i = 0; i < out.cells.taken; ++i) out.order.push_back(i);
    out.sheet = std::move(sheet);
    return {};
}

}  // namespace

struct FrameReaders::State {
    explicit State(FrameForms given) : forms(std::move(given)) {}

    // A reader whose files are decoded whole by decode and kept until another file is read.
    ImageReader reader_of(const char* kind, Decode decode)
    {
        return ImageReader{
            kind,
            [this, decode, kind](const std::string& file, int32_t* images) {
                std::lock_guard<std::mutex> lock(mutex);
                const ImageProblem problem = keep(file, decode, kind);
                if (!problem.ok()) return problem;
                *images = static_cast<int32_t>(kept.order.size());
                if (!kept.durations_ms.empty()) durations[file] = kept.durations_ms;
                if (kept.fps != 0) rates[file] = kept.fps;
                return ImageProblem{};
            },
            [this, decode, kind](const ImageRef& ref, Image& image, std::string* id) {
                std::lock_guard<std::mutex> lock(mutex);
                if (id != nullptr) id->clear();
                const ImageProblem problem = keep(ref.file, decode, kind);
                if (!problem.ok()) return problem;
                // The file may have changed since its frames were counted.
                if (ref.index < 0 || static_cast<size_t>(ref.index) >= kept.order.size())
                    return unreadable(ref.file, kind, "it has changed since its frames were counted");
                const uint32_t at = kept.order[static_cast<size_t>(ref.index)];
                if (kept.cells.taken > 0) {
                    try {
                        cut_cell(kept.sheet, kept.cells, at, image);
                    } catch (const std::bad_alloc&) {
                        return unreadable(ref.file, kind, "out of memory");
                    }
                    return ImageProblem{};
                }
                if (kept.uses[at] == 0) {  // given away already: a file named twice is decoded again
                    kept.file.clear();
                    const ImageProblem again = keep(ref.file, decode, kind);
                    if (!again.ok()) return again;
                }
                try {
                    if (--kept.uses[at] == 0) {
                        image = std::move(kept.images[at]);
                    } else {
                        image = kept.images[at];
                    }
                } catch (const std::bad_alloc&) {
                    return unreadable(ref.file, kind, "out of memory");
                }
                return ImageProblem{};
            },
            [this](const std::string& file) {
                std::lock_guard<std::mutex> lock(mutex);
                return kept.file == file ? kept.images_per_frame : 1;
            }};
    }

    // The file decoded into kept, unless it is there already; what was kept goes first.
    ImageProblem keep(const std::string& file, Decode decode, const char* kind)
    {
        if (!kept.file.empty() && kept.file == file) return {};
        kept = Decoded{};
        ImageProblem problem;
        try {
            problem = decode(file, forms, kept);
        } catch (const std::bad_alloc&) {
            problem = unreadable(file, kind, "out of memory");
        }
        if (problem.ok()) {
            kept.file = file;
            kept.uses.assign(kept.images.size(), 0);
            if (kept.cells.taken == 0)
                for (const uint32_t at : kept.order) ++kept.uses[at];
        } else {
            kept = Decoded{};
        }
        return problem;
    }

    FrameForms forms;
    std::mutex mutex;
    Decoded kept;
    std::map<std::string, std::vector<uint32_t>> durations;  // of each animation counted
    std::map<std::string, uint32_t> rates;                    // of each texture counted that has one
    const ImageReader gif = reader_of(GIF, decode_gif);
    const ImageReader webp = reader_of(WEBP, decode_webp);
    const ImageReader aseprite = reader_of(ASEPRITE, decode_aseprite);
    const ImageReader png_sheet = reader_of("PNG", decode_sheet<true>);
    const ImageReader targa_sheet = reader_of("Targa", decode_sheet<false>);
    const ImageReader texture = reader_of(KTX2, decode_texture);
};

FrameReaders::FrameReaders(FrameForms forms) : state_(new State(std::move(forms))) {}

FrameReaders::~FrameReaders() = default;

FrameForm FrameReaders::form_of(const std::string& file) const
{
    if (has_extension(file, ".gif") || has_extension(file, ".webp")) return FrameForm::animation;
    if (has_extension(file, ".ase") || has_extension(file, ".aseprite")) return FrameForm::sprite;
    if (has_extension(file, ".ktx2")) return FrameForm::texture;
    return state_->forms.sheet ? FrameForm::sheet : FrameForm::image;
}

const ImageReader& FrameReaders::operator()(const std::string& file) const
{
    const State& s = *state_;
    switch (form_of(file)) {
    case FrameForm::animation: return has_extension(file, ".gif") ? s.gif : s.webp;
    case FrameForm::sprite: return s.aseprite;
    case FrameForm::texture: return s.texture;
    case FrameForm::sheet: return has_extension(file, ".png") ? s.png_sheet : s.targa_sheet;
    case FrameForm::image: break;
    }
    return reader_for(file);
}

ReaderFor FrameReaders::readers() const
{
    return [this](const std::string& file) -> const ImageReader& { return (*this)(file); };
}

bool FrameReaders::durations(const FrameList& frames, std::vector<uint32_t>& out) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    out.clear();
    for (const FrameFiles& frame : frames) {
        const auto found = state_->durations.find(frame[0].file);
        if (found == state_->durations.end() || static_cast<size_t>(frame[0].index) >= found->second.size()) return false;
        out.push_back(found->second[static_cast<size_t>(frame[0].index)]);
    }
    return true;
}

bool FrameReaders::rate(const FrameList& frames, int32_t* fps) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    uint32_t rate = 0;
    for (const FrameFiles& frame : frames) {
        const auto found = state_->rates.find(frame[0].file);
        if (found == state_->rates.end() || (rate != 0 && found->second != rate)) return false;
        rate = found->second;
    }
    *fps = static_cast<int32_t>(rate);
    return rate != 0;
}
