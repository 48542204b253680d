// The report of a checked QFB file: its header field by field, then one line for every level of
// every frame (frame, level, W x H, bytes, byte offset), printed as the format library's walk
// reaches it, so that memory stays the same whatever the frame and level counts.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

// Frames are numbered from 1, as --extract numbers their files; level 0 is full size.
// file must have passed the check.
void print_qfb_report(const char* name, const qfb_file& file, uint64_t file_size);
