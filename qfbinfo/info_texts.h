// Every message qfbinfo prints itself, each once (those it shares with the other tools are cli's;
// see messages.h). The manual's DIAGNOSTICS list is held to this list by a test. The report's
// table and the comparison's figures are the tool's output, not messages: their files hold them.
#pragma once

#include "messages.h"

#define QFBINFO_MESSAGES(M)                                                                                          \
    M(two_actions, "Options %s and %s can't be given together: a run does one of --extract, --sheet, --animation, "  \
                   "--ktx2 and --compare.\n")                                                                        \
    M(unreadable_qfb, "Couldn't read QFB file %s: %s.\n")                                                            \
    M(cannot_open, "it can't be opened")                                                                             \
    M(cannot_read, "it can't be read (is it a folder?)")                                                             \
    M(too_short, "%s (%llu bytes)")                                                                                  \
    M(side_too_large, "%d x %d is larger than %d pixels on a side")                                                  \
    M(too_many_mipmaps, "%d mipmaps per frame, more than the %d the naming convention can name")                     \
    M(too_many_frames, "%d frames, more than the %d a QFB file can hold")                                            \
    M(cut_short, "it is cut short: %llu bytes, but its header calls for %llu")                                       \
    M(bytes_after, "%llu byte%s after the last level: %llu bytes, but its header calls for %llu")                    \
    M(pixels_unreadable, "Couldn't read QFB file %s: its pixels could not be read to the end.\n")                    \
    M(file_exists, "File already exists: %s (--force replaces it).\n")                                               \
    M(no_empty_level, "Level %d of each frame has no pixels.\n")                                                     \
    M(empty_levels, "Levels %d to %d of each frame have no pixels.\n")                                               \
    M(unnameable_letter, "Couldn't write Targa file for level %d: its mipmap letter would be byte %d, which no file " \
                         "name should hold.\n")                                                                      \
    M(unnameable_character, "Couldn't write Targa file %s: a file name on this system cannot hold the character "    \
                            "%c.\n")                                                                                 \
    M(cannot_create_folder, "Couldn't create output folder %s: %s.\n")                                               \
    M(extracting, "%s:  Creating 32bpp from %s.\n")                                                                  \
    M(extracted, "%llu Targa file%s written to %s\n")                                                                \
    M(extraction_complete, "Extraction complete.\n")                                                                 \
    M(ktx2_empty, "Frames of %d x %d can't be written as KTX2: a KTX2 texture has at least 1 pixel on a side.\n")    \
    M(ktx2_creating, "%s:  Creating a KTX2 texture of %d frame%s of %d x %d with %u level%s in %s.\n")               \
    M(ktx2_complete, "KTX2 texture complete.\n")                                                                     \
    M(sheet_too_large, "The sheet would be %lld x %lld pixels, more than the %llu a sheet may have.\n")              \
    M(animation_side, "Frames of %d x %d can't be animated: WebP takes 1 to %d pixels on a side.\n")                 \
    M(animation_frame_pixels, "Frames of %d x %d are more than the %llu pixels an animation frame may have.\n")      \
    M(animation_frames, "%d frames are more than the %d an animation may have.\n")                                   \
    M(animation_pixels, "%d frames of %d x %d are more than the %llu pixels an animation may have.\n")              \
    M(sheet_creating, "%s:  Creating a %lld x %lld sheet of %d frame%s in %lld column%s, scale %d.\n")              \
    M(sheet_complete, "Sheet complete.\n")                                                                           \
    M(animation_creating, "%s:  Creating a %d x %d animation of %d frame%s, %d ms each, looping.\n")                 \
    M(animation_complete, "Animation complete.\n")                                                                   \
    M(no_sheets, "Couldn't write PNG file %s: this qfbinfo is built without libspng and makes no sheet.\n")          \
    M(no_animations, "Couldn't write WebP file %s: this qfbinfo is built without libwebp and makes no animation.\n") \
    M(source_frames, "The source has %zu frame%s, but %s has %d: compare a file with the frames it was packed "      \
                     "from.\n")                                                                                      \
    M(source_levels, "%s has %d mipmap level%s, but %s has %d per frame: compare a file with the frames it was "     \
                     "packed from.\n")                                                                               \
    M(source_size, "%s is %d x %d, but the frames of %s are %d x %d: compare a file with the frames it was packed "  \
                   "from.\n")                                                                                        \
    M(source_level_size, "%s is %d x %d, but level %d of %s is %d x %d, half the level above.\n")                    \
    M(source_depth, "%s is %dbpp, but the first frame %s is %dbpp: every level of a source has one depth.\n")        \
    M(comparing, "Comparing %s (%s, %d frame%s of %d x %d, %d mipmap level%s each) with its source, %dbpp%s; frames count from 1, levels from 0.\n")    \
    M(alpha_not_compared, ": alpha is not compared")                                                                 \
    M(levels_made, "%d source level%s made as qfbprep pack --mipmaps makes them.\n")

QFB_MESSAGE_LIST(InfoText, QFBINFO_TEXTS, QFBINFO_MESSAGES);
