// Unpacking a checked QFB file: every level of every frame becomes an uncompressed, top-down,
// 32-bit Targa file in one folder, named by makeqfb's own naming convention, so that makeqfb run
// on the folder with the same format and fps makes the same QFB file again.
#pragma once

#include <cstdint>
#include <string>

#include "qfb_check.h"

// The base filename of the extracted set: folder, "/", the QFB file's name without its folders
// and without its last extension, then ".tga" ("out" and "art/walk.qfb" give "out/walk.tga").
// Empty when folder is empty.
std::string extract_base(const char* qfb_name, const char* folder);

// Writes the set into folder, made (one level, like mkdir) when it is missing: a single frame as
// <stem>.tga, <stem>-a.tga, ..., several frames as <stem>-0001.tga, <stem>-a0001.tga, ...,
// <stem>-0002.tga, ... When a name it would write is already taken it refuses before writing
// anything, naming it, unless force is true; then existing files of those names are replaced
// (never written through a symbolic link). Nothing else is touched. The checked file's levels
// are read one row at a time. Prints one line per file and a closing line, or one message on
// failure. Returns the exit status, 0 or 1.
int extract_qfb(const char* qfb_name, const QfbCheck& check, const char* folder, bool force);
