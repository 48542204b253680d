// Checking a QFB file before anything is printed or extracted: the file is opened once and its
// bytes taken whole (mapped), its first bytes checked by the format library against its size, in
// overflow-checked 64-bit arithmetic, so that a lying header never leads to an allocation or a
// read past the end. The rows are then read from those bytes; the message for every refusal.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "file_bytes.h"
#include "level_rows.h"

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

// The rows of the checked file's levels, read from its bytes; false when the file was cut short
// after the check.
LevelRowSource rows_of(const QfbCheck& check);

// Prints "Couldn't read QFB file NAME: reason.": the one message for a problem.
void print_qfb_problem(const char* name, const QfbCheck& check);
// The same message when the file was cut short after the check, while its pixels were read.
void print_pixels_unreadable(const char* name);
