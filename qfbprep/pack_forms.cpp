// pack's frame forms and its frame rate from durations (see pack_forms.h).
#include "pack_forms.h"

#include <vector>

#include "options.h"
#include "prep_texts.h"
#include "frame_rate.h"
#include "jobs.h"

namespace {

// "40, 60 and 100 ms"
std::string listed_ms(const std::vector<uint32_t>& ms)
{
    std::string listed;
    for (size_t i = 0; i < ms.size(); ++i)
        listed += (i == 0 ? "" : i + 1 == ms.size() ? " and " : ", ") + std::to_string(ms[i]);
    return listed + " ms";
}

// The sheet's layout from --grid or --cell; false after saying what is wrong with it.
bool read_layout(const CommandLine& line, FrameForms& forms)
{
    const char* grid = line.value("--grid");
    const char* cell = line.value("--cell");
    if (grid != nullptr && cell != nullptr) {
        say(PrepText::grid_or_cell);
        return false;
    }
    if (grid == nullptr && cell == nullptr) return true;
    SheetLayout layout;
    layout.form = grid != nullptr ? SheetLayout::grid : SheetLayout::cell;
    const char* value = grid != nullptr ? grid : cell;
    const SizeTextProblem problem = parse_size_text(value, layout.across, layout.down);
    if (problem != SizeTextProblem::none) {
        say(PrepText::bad_layout, grid != nullptr ? "--grid" : "--cell", value,
            grid != nullptr ? "columns x rows" : "a cell's width x height", grid != nullptr ? "8x4" : "64x64",
            size_text_problem_text(problem));
        return false;
    }
    if (line.has("--cells")) layout.cells = static_cast<uint32_t>(line.count("--cells", 0));
    forms.sheet = layout;
    return true;
}

}  // namespace

bool read_frame_forms(const CommandLine& line, FrameForms& forms)
{
    if (!read_layout(line, forms)) return false;
    forms.tag = line.value("--tag", "");
    return true;
}

bool form_options_fit(const FrameForms& forms, const FrameReaders& readers, const std::vector<std::string>& files)
{
    bool sheet = false, sprite = false;
    for (const std::string& file : files) {
        sheet = sheet || readers.form_of(file) == FrameForm::sheet;
        sprite = sprite || readers.form_of(file) == FrameForm::sprite;
    }
    if (forms.sheet && !sheet) {
        say(PrepText::layout_without_sheet, forms.sheet->form == SheetLayout::grid ? "--grid" : "--cell");
        return false;
    }
    if (!forms.tag.empty() && !sprite) {
        say(PrepText::tag_without_sprite);
        return false;
    }
    return true;
}

bool settle_fps(const FrameReaders& readers, const FrameList& frames, bool fps_auto, int32_t* fps, std::string* note)
{
    int32_t own = 0;
    if (readers.rate(frames, &own)) {
        if (fps_auto) *fps = own;
        else if (*fps != own) *note = text_of(PrepText::texture_fps_note, own, *fps);
        return true;
    }
    std::vector<uint32_t> durations;
    const bool timed = readers.durations(frames, durations);
    if (!fps_auto) {
        if (!timed) return true;
        const FrameRate rate = frame_rate_of(durations);
        switch (compare_fps(*fps, durations)) {
        case FpsAgreement::agrees: break;
        case FpsAgreement::differs:
            *note = text_of(PrepText::durations_fps_note, durations[0], rate.fps, *fps);
            break;
        case FpsAgreement::varies:
            if (rate.kind == FrameRate::varied)
                *note = text_of(PrepText::durations_differ_note, listed_ms(rate.distinct_ms).c_str(), *fps);
            break;
        }
        return true;
    }
    if (!timed) {
        say(PrepText::fps_auto_untimed);
        return false;
    }
    const FrameRate rate = frame_rate_of(durations);
    switch (rate.kind) {
    case FrameRate::uniform: *fps = rate.fps; return true;
    case FrameRate::varied:
        say(PrepText::durations_differ, listed_ms(rate.distinct_ms).c_str(), rate.fps);
        return false;
    case FrameRate::no_frames:
    case FrameRate::no_time: break;
    }
    say(PrepText::durations_zero);
    return false;
}
