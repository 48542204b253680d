// pack's options for frames that come several to a file (--grid, --cell, --cells, --tag), and the
// frame rate `auto` taken from the frames' own durations, or a note where a given rate differs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_forms.h"
#include "options.h"

// The form options of a pack's command line into forms: false after saying what is wrong (both
// --grid and --cell, a layout that is not two sizes).
bool read_frame_forms(const CommandLine& line, FrameForms& forms);

// False after saying what is wrong with the form options together (--tag or a layout that none of
// the files named takes).
bool form_options_fit(const FrameForms& forms, const FrameReaders& readers, const std::vector<std::string>& files);

// With fps_auto, *fps becomes the rate of the frames' durations: false after saying why there is
// none. Otherwise *note gets a line when the frames' durations say another rate than *fps.
bool settle_fps(const FrameReaders& readers, const FrameList& frames, bool fps_auto, int32_t* fps, std::string* note);
