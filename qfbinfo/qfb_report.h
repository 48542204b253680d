// The report of a checked QFB file: its header field by field, then one line for every level of
// every frame (frame, level, W x H, bytes, byte offset), printed as it is computed so that memory
// stays the same whatever the frame and level counts.
#pragma once

#include <cstdint>

#include "output/qfb_format.h"

// Frames are numbered from 1, as --extract numbers their files; level 0 is full size.
// The header must have passed check_qfb_header_bytes.
void print_qfb_report(const char* name, const QfbHeader& header, uint64_t file_size);
