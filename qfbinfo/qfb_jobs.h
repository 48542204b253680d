// What qfbinfo does with a QFB file, and what its jobs share. The file is opened once, mapped, and
// its first bytes checked by the format library against its size before anything is printed or
// written. Names already taken are refused unless --force, which replaces what stands there (a
// symbolic link is replaced, never written through). Each job returns the exit status, 0 or 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qfb/qfb.h>

#include "files.h"
#include "pictures.h"

enum class QfbProblem {
    none,
    cannot_open,
    read_failed,  // the file could not be read (a folder, an I/O error)
    refused,      // the format library refused it: see file.status
};

struct QfbCheck {
    QfbProblem problem = QfbProblem::none;
    qfb_file file{};         // the library's verdict: status, header, the size the header implies
    uint64_t file_size = 0;  // bytes on disk
    FileBytes bytes;         // the file's bytes, while they are read
};

// Opens name into check and checks it. On QfbProblem::none check.file gives every level's place.
void check_qfb_file(const char* name, QfbCheck& check);
// The rows of the checked file's levels; false when the file was cut short after the check.
LevelRowSource rows_of(const QfbCheck& check);
// Prints "Couldn't read QFB file NAME: reason.": the one message for a problem.
void print_qfb_problem(const char* name, const QfbCheck& check);
// The same message when the file was cut short after the check, while its pixels were read.
void print_pixels_unreadable(const char* name);
// Prints "Couldn't write KIND file NAME: reason." for a write that failed (a source that could not
// be read gives print_pixels_unreadable's message for qfb_name instead); returns 1.
int print_unwritable(const char* qfb_name, const char* kind, const char* name, WriteStatus result);

// When name is taken (a symbolic link counts, even a dangling one) and force is false, prints
// "File already exists: NAME (--force replaces it)." and returns true: the caller stops. With
// force, a symbolic link there is removed, so that the new file takes its place.
bool refuse_taken(const char* name, bool force);
// A picture's refusal: the limit's line (sheet: the sheet's layout, for its limit), else
// refuse_taken. True: the caller stops.
bool refuse_picture(PictureLimit limit, const qfb_header& h, const SheetLayout* sheet, const char* out, bool force);

// The report: the header field by field, then one line for every level with pixels of every
// frame (frame from 1, as --extract numbers files; level; W x H; bytes; offset), as the library's
// walk reaches it, then the levels without pixels in one line: the lines are bounded by the
// file's size, however many empty frames or levels its header claims.
void print_qfb_report(const char* name, const qfb_file& file, uint64_t file_size);
// The one line for the levels without pixels, when a frame has any: "Level 2 of each frame has no
// pixels." or "Levels 2 to 159 of each frame have no pixels."
void print_empty_levels(const qfb_file& file);

// The base filename of an extracted set: folder, "/", the QFB file's name without its folders
// and without its last extension, then ".tga" ("out" and "art/walk.qfb" give "out/walk.tga").
// Empty when folder is empty.
std::string extract_base(const char* qfb_name, const char* folder);
// Writes every level with pixels of every frame into folder (made, one level, like mkdir, when
// missing) as an uncompressed top-down 32-bit Targa file named by makeqfb's convention (a single
// frame as <stem>.tga, <stem>-a.tga, ..., several as <stem>-0001.tga, <stem>-a0001.tga, ...), so
// that makeqfb on the folder with the same format and fps makes the same file again when no level
// is empty; the levels without pixels are named in one line and not written. Every name is looked
// at before the first file is written. Rows are read one at a time.
int extract_qfb(const char* qfb_name, const QfbCheck& check, const char* folder, bool force);

// The contact sheet (PNG) and the animation (animated WebP): each refuses, before anything is read
// past the header or written, a taken output name and a picture beyond its limits.
int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force);
int make_animation(const char* qfb_name, const QfbCheck& check, const char* out, bool force);

// The frames as one KTX2 texture (a 2D texture for one frame, an array of one layer a frame for
// several), every level down to the last non-empty one, in the portable Vulkan formats or, with
// as_stored, in the formats that keep the stored layout (see ktx2.h). A file whose full-size level
// is empty is refused before anything is written, as is a taken name.
int write_ktx2_texture(const char* qfb_name, const QfbCheck& check, const char* out, bool force, bool as_stored);

// The comparison with the frames the file was packed from: sources as qfbprep pack takes them
// (one base filename, or image files in natural order unless as_given), the levels they lack
// made as qfbprep makes them, and per level of every frame, then for the whole file, the PSNR per
// channel and over all, the PSNR after a blur, the largest error and the flicker; as text lines,
// or one JSON document with json. Refuses a source of another frame count or size.
struct CompareRequest {
    std::vector<std::string> sources;
    bool as_given = false;
    bool json = false;
};
int compare_qfb(const char* qfb_name, const QfbCheck& check, const CompareRequest& request);
