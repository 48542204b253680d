// The comparison of a QFB file with its source (see qfb_jobs.h): the source's frames gathered as
// qfbprep pack gathers them, checked against the file's counts and sizes, and read one frame at a
// time, the previous frame's levels kept for the flicker; its refusals.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "compare_report.h"
#include "info_texts.h"
#include "frame_list.h"
#include "frameset.h"
#include "image_files.h"
#include "level_figures.h"
#include "levels.h"
#include "qfb_jobs.h"

namespace {

const char* plural(int64_t n) { return n == 1 ? "" : "s"; }


class Comparer {
public:
    Comparer(const char* qfb_name, const QfbCheck& check, const CompareRequest& request, FrameList frames)
        : name_(qfb_name), check_(check), files_(std::move(frames)), report_(request.json)
    {
        // The source as compared: image files in the order their frames are compared (natural
        // order unless --as-given), a base filename as given.
        if (request.sources.size() < 2) compared_ = request.sources;
        for (const FrameFiles& frame : files_)
            if (request.sources.size() > 1 && (compared_.empty() || compared_.back() != frame[0].file))
                compared_.push_back(frame[0].file);
    }

    int run()
    {
        const qfb_header& h = check_.file.header;
        if (static_cast<int64_t>(files_.size()) != h.frame_count) {
            say(InfoText::source_frames, files_.size(), plural(static_cast<int64_t>(files_.size())), name_, h.frame_count);
            return 1;
        }
        const qfb_field* fields = qfb_format_fields(h.format);
        std::vector<Image> previous;
        ErrorSums whole;
        uint64_t levels = 0;
        const LevelRowSource rows = rows_of(check_);
        for (int32_t f = 0; f < h.frame_count; ++f) {
            std::vector<Image> current;
            if (!load_frame(f, current)) return 1;
            if (f == 0) {
                alpha_ = fields[ALPHA].bits > 0 && depth_ == 32;
                report_.start(CompareHeading{name_, &compared_, h, depth_, alpha_});
            }
            for (int32_t l = 0; l <= h.mipmap_count; ++l) {
                const size_t at = static_cast<size_t>(l);
                qfb_level level, before{};
                qfb_get_level(&check_.file, f, l, &level);
                if (f > 0) qfb_get_level(&check_.file, f - 1, l, &before);
                LevelPair pair;
                pair.source = &current[at];
                pair.words = [&](int32_t row, uint8_t* words) { return rows(level, row, words); };
                if (f > 0) {
                    pair.previous = &previous[at];
                    pair.previous_words = [&](int32_t row, uint8_t* words) { return rows(before, row, words); };
                }
                pair.fields = fields;
                pair.alpha = alpha_;
                ErrorSums sums;
                if (!compare_level(pair, sums)) {
                    print_pixels_unreadable(name_);
                    return 1;
                }
                report_.level(level, sums);
                if (l > 0) sums.steady = sums.flickered = 0;  // the whole file's flicker is the full-size levels'
                whole.add(sums);
                ++levels;
            }
            previous = std::move(current);
        }
        report_.finish(whole, levels, made_);
        return 0;
    }

private:
    // Loads frame f's files, makes the levels it lacks, and checks each level against its place
    // in the file; false, said, when a file is not loaded or does not fit.
    bool load_frame(int32_t f, std::vector<Image>& levels)
    {
        const qfb_header& h = check_.file.header;
        const FrameFiles& names = files_[static_cast<size_t>(f)];
        const int32_t found = static_cast<int32_t>(names.size()) - 1;
        if (found > h.mipmap_count) {
            say(InfoText::source_levels, names[0].file.c_str(), found, plural(found), name_, h.mipmap_count);
            return false;
        }
        std::vector<std::string> ids(names.size());
        levels.resize(names.size());
        for (size_t l = 0; l < names.size(); ++l) {
            const ImageProblem problem = load_image_file(names[l], levels[l], &ids[l]);
            if (!problem.ok()) {
                say_image_problem(problem);
                return false;
            }
            if (f == 0 && l == 0) depth_ = levels[0].bits_per_pixel;
            if (l == 0 && !fits(levels[0], names[0].file, f, 0)) return false;  // before the rest are read
        }
        std::vector<bool> kept(names.size(), true);
        complete_levels(levels, ids, h.mipmap_count, [&](int32_t level, bool again) {
            if (again) kept[static_cast<size_t>(level)] = false;
            ++made_;
        });
        for (size_t l = 1; l < names.size(); ++l)
            if (kept[l] && !fits(levels[l], names[l].file, f, static_cast<int32_t>(l))) return false;
        return true;
    }

    // A level must have its place's size, and the depth of the first frame.
    bool fits(const Image& image, const std::string& file, int32_t frame, int32_t l) const
    {
        qfb_level place;
        qfb_get_level(&check_.file, frame, l, &place);
        if (image.width != place.width || image.height != place.height) {
            if (l == 0)
                say(InfoText::source_size, file.c_str(), image.width, image.height, name_, place.width, place.height);
            else
                say(InfoText::source_level_size, file.c_str(), image.width, image.height, l, name_, place.width, place.height);
            return false;
        }
        if (image.bits_per_pixel != depth_) {
            say(InfoText::source_depth, file.c_str(), image.bits_per_pixel, files_[0][0].file.c_str(), depth_);
            return false;
        }
        return true;
    }

    const char* name_;
    const QfbCheck& check_;
    const FrameList files_;
    std::vector<std::string> compared_;  // the source's names as the heading lists them
    CompareReport report_;
    int32_t depth_ = 0;   // the first frame's bits per pixel
    bool alpha_ = false;  // alpha is compared
    int32_t made_ = 0;    // levels made as qfbprep makes them
};

}  // namespace

int compare_qfb(const char* qfb_name, const QfbCheck& check, const CompareRequest& request)
{
    FrameList frames;
    const ImageProblem problem = gather_frames(request.sources, request.as_given, true, reader_for, frames);
    if (!problem.ok()) {
        say_image_problem(problem);
        return 1;
    }
    return Comparer(qfb_name, check, request, std::move(frames)).run();
}
