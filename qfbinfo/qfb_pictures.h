// The two pictures of a checked QFB file: the contact sheet (PNG) and the animation (animated
// WebP). Each refuses, before anything is read past the header or written, a taken output name
// (unless forced) and a picture beyond its limits; then reads the file's rows in file order and
// writes the picture through a temporary file renamed into place.
#pragma once

#include "qfb_check.h"

// Each prints one line on success and a closing line, or one message, and returns the exit
// status, 0 or 1.
int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force);
int make_animation(const char* qfb_name, const QfbCheck& check, const char* out, bool force);
