// The messages more than one tool prints, each text here only (see messages.h).
#pragma once

#include "messages.h"

#define CLI_MESSAGES(M)                                                                                              \
    M(unknown_format, "Unknown format parameter: %s.  Must be 1555, 4444, or 565.\n")                                \
    M(bad_fps, "Bad fps: %s.  Must be an integer greater than zero.\n")                                              \
    M(mipmap_mismatch, "All frames don't have the same number of mipmaps.\n")                                        \
    M(no_extension, "Input file doesn't have an extension: %s\n")                                                    \
    M(folder, "%s is a folder: give the base filename of a set inside it, such as %s/%s.tga.\n")                     \
    M(names_too_long, "File names made from this base filename would be longer than %d characters: %s\n")            \
    M(nothing_found, "Either that file doesn't exist or there aren't any frames associated with\nthat base filename\n") \
    M(short_frame_number,                                                                                            \
      "found %s: frame numbers have at least four digits (%s); qfbprep pack takes frames named any way\n")           \
    M(other_numbering, "found %s%s, numbered another way: makeqfb looks for %s, %s, ...; qfbprep pack takes frames " \
                       "named any way\n")                                                                            \
    M(more_files, " and %d more")                                                                                   \
    M(unreadable, "Couldn't read %s file %s: %s.\n")                                                                 \
    M(wrong_depth, "it has %d bits per pixel: save it as 24 or 32-bit colour instead")                               \
    M(image_too_large, "%s is too large: %llu bytes of pixels, more than the %zu bytes (%zu x %zu at 32 bits, %zu x %zu " \
                       "at 24) an image may have%s\n")                                                               \
    M(too_many_pixels, "it is %u x %u pixels, and a side may have at most %d")                                       \
    M(file_too_large, "%sQFB file would be larger than the %d bytes a QFB file may have%s\n")                        \
    M(no_output_folder, "Output folder doesn't exist: %s\n")                                                         \
    M(output_is_input, "The output file %s is one of the input files and would be overwritten.\n")                   \
    M(unwritable, "Couldn't write %s file %s: %s.\n")                                                                \
    M(argument_not_in_code_page, "Argument %d holds characters that the system's code page (%u) cannot hold, and "   \
                                 "this build of the tool takes names in the code page only: rename the file or "     \
                                 "folder, or use its short 8.3 name.\n")                                             \
    M(unknown_word, "Unknown %s %s; %s --help lists them.\n")                                                        \
    M(unknown_word_near, "Unknown %s %s (did you mean %s?); %s --help lists them.\n")                                \
    M(value_missing, "Option %s needs a value.\n")                                                                   \
    M(count_missing, "Option %s needs a whole number from %ld to %ld.\n")                                            \
    M(option_as_value, "Option %s needs a value, not the option %s.\n")                                              \
    M(count_out_of_range, "Option %s takes a whole number from %ld to %ld, not %s.\n")                               \
    M(option_needs_another, "Option %s goes with %s: %s.\n")                                                         \
    M(option_given_twice, "Option %s is given twice; give it once.\n")

QFB_MESSAGE_LIST(CliText, CLI_TEXTS, CLI_MESSAGES);
