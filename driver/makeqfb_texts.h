// Every message makeqfb prints itself, each once, byte for byte as they have always been (those it
// shares with the other tools are cli's, the converters' notices output's; see messages.h). The
// manual's DIAGNOSTICS list is held to this list by a test.
#pragma once

#include "messages.h"

#define MAKEQFB_MESSAGES(M)                                                                                          \
    M(frame_set, "%d frame%s, %d mipmap%s per frame\n")                                                             \
    M(geometry, "%d x %d, %dbpp\n")                                                                                  \
    M(only_24_and_32, "Only 24 and 32 bit Targas are supported.\n")                                                  \
    M(no_alpha_in_24, "There's no alpha in a 24bpp image!  Using 1555 format instead.\n")                            \
    M(alpha_dropped, "Alpha channel is being dropped.\n")                                                            \
    M(set_too_large, "This frame set is too large: its ")                                                            \
    M(mismatch, "Not all frames are of the same size and bits-per-pixel: %s is %d x %d, %dbpp, but must be %d x %d, " \
                "%dbpp.\n")                                                                                          \
    M(member, "%s:  ")                                                                                               \
    M(cannot_write, "Couldn't write file: %s%s\n")                                                                   \
    M(reason_in_brackets, " (%s)")                                                                                   \
    M(created, "qfb file created:  %s (%zu bytes)\n")                                                                \
    M(complete, "Conversion complete.\n")

QFB_MESSAGE_LIST(MakeqfbText, MAKEQFB_TEXTS, MAKEQFB_MESSAGES);
