// Checking a QFB file before anything is printed or extracted: the file is opened, its size
// taken and its first bytes checked by the format library against that size, in
// overflow-checked 64-bit arithmetic, so that a lying header never leads to an allocation or a
// read past the end. The message for every refusal.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "targa/binary_file.h"

enum class QfbProblem {
    none,
    cannot_open,
    read_failed,  // the header could not be read (a folder, an I/O error)
    refused,      // the format library refused it: see file.status
};

struct QfbCheck {
    QfbProblem problem = QfbProblem::none;
    qfb_file file{};         // the library's verdict: status, header, the size the header implies
    uint64_t file_size = 0;  // bytes on disk
};

// Opens name into file and checks it. On QfbProblem::none the stream stands at the first
// pixel (byte QFB_HEADER_SIZE) and check.file gives every level's place (without pixels);
// otherwise file is closed.
QfbCheck check_qfb_file(const char* name, BinaryFile& file);

// Prints "Couldn't read QFB file NAME: reason.": the one message for a problem.
void print_qfb_problem(const char* name, const QfbCheck& check);
