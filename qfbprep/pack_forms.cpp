// pack's frame forms and its frame rate from durations (see pack_forms.h).
#include "pack_forms.h"

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli.h"
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

bool layout_option(int argc, char** argv, int& i, SheetLayout::Form form, FrameForms& forms, bool* said)
{
    const char* value = nullptr;
    if (!option_value(argc, argv, i, &value, said)) return false;
    *said = true;
    if (forms.sheet && forms.sheet->across != 0 && forms.sheet->form != form) {
        std::printf("Give either --grid or --cell, not both.\n");
        return false;
    }
    SheetLayout layout = forms.sheet.value_or(SheetLayout{});
    layout.form = form;
    const SizeTextProblem problem = parse_size_text(value, layout.across, layout.down);
    if (problem != SizeTextProblem::none) {
        std::printf("Bad %s: %s.  Must be %s, such as %s: %s.\n", argv[i], value,
                    form == SheetLayout::grid ? "columns x rows" : "a cell's width x height",
                    form == SheetLayout::grid ? "8x4" : "64x64", size_text_problem_text(problem));
        return false;
    }
    forms.sheet = layout;
    ++i;
    *said = false;
    return true;
}

}  // namespace

bool frame_form_option(int argc, char** argv, int& i, FrameForms& forms, bool* said)
{
    *said = false;
    const char* option = argv[i];
    if (std::strcmp(option, "--grid") == 0) return layout_option(argc, argv, i, SheetLayout::grid, forms, said);
    if (std::strcmp(option, "--cell") == 0) return layout_option(argc, argv, i, SheetLayout::cell, forms, said);
    if (std::strcmp(option, "--cells") == 0) {
        int cells = 0;
        if (!count_option(argc, argv, i, 1, INT_MAX, &cells, said)) return false;
        if (!forms.sheet) forms.sheet = SheetLayout{};  // the layout may follow; across 0 until it does
        forms.sheet->cells = static_cast<uint32_t>(cells);
        return true;
    }
    if (std::strcmp(option, "--tag") == 0) {
        const char* value = nullptr;
        if (!option_value(argc, argv, i, &value, said)) return false;
        forms.tag = value;
        ++i;
        return true;
    }
    return false;
}

bool form_options_fit(const FrameForms& forms, const FrameReaders& readers, const std::vector<std::string>& files)
{
    if (forms.sheet && forms.sheet->across == 0) {
        std::printf("--cells needs the sheet's --grid or --cell.\n");
        return false;
    }
    bool sheet = false, sprite = false;
    for (const std::string& file : files) {
        sheet = sheet || readers.form_of(file) == FrameForm::sheet;
        sprite = sprite || readers.form_of(file) == FrameForm::sprite;
    }
    if (forms.sheet && !sheet) {
        std::printf("--%s cuts PNG and Targa sheets, and no frame file is one.\n",
                    forms.sheet->form == SheetLayout::grid ? "grid" : "cell");
        return false;
    }
    if (!forms.tag.empty() && !sprite) {
        std::printf("--tag picks the frames of an Aseprite file (.ase, .aseprite), and no frame file is one.\n");
        return false;
    }
    return true;
}

bool settle_fps(const FrameReaders& readers, const FrameList& frames, bool fps_auto, int32_t* fps, std::string* note)
{
    int32_t own = 0;
    if (readers.rate(frames, &own)) {
        if (fps_auto) *fps = own;
        else if (*fps != own) *note = text("Note: the texture plays at %d fps; packed at %d fps as given.\n", own, *fps);
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
            *note = text("Note: the frames' durations of %u ms play at %d fps; packed at %d fps as given.\n", durations[0],
                         rate.fps, *fps);
            break;
        case FpsAgreement::varies:
            if (rate.kind == FrameRate::varied)
                *note = text("Note: the frames' durations differ (%s); packed at %d fps as given.\n",
                             listed_ms(rate.distinct_ms).c_str(), *fps);
            break;
        }
        return true;
    }
    if (!timed) {
        std::printf("fps auto takes the rate from the frames' durations, which only GIF, WebP and Aseprite files "
                    "and KTX2 textures of several frames give: "
                    "give fps as a number.\n");
        return false;
    }
    const FrameRate rate = frame_rate_of(durations);
    switch (rate.kind) {
    case FrameRate::uniform: *fps = rate.fps; return true;
    case FrameRate::varied:
        std::printf("The frames' durations differ (%s): fps auto needs them equal; give fps as a number, such as %d, "
                    "which keeps the animation's length.\n",
                    listed_ms(rate.distinct_ms).c_str(), rate.fps);
        return false;
    case FrameRate::no_frames:
    case FrameRate::no_time: break;
    }
    std::printf("The frames' durations add up to 0 ms: give fps as a number.\n");
    return false;
}
