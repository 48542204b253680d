// Every message qfbprep prints itself, each once (those it shares with the other tools are cli's;
// see messages.h). The manual's DIAGNOSTICS list is held to this list by a test.
#pragma once

#include "messages.h"

#define QFBPREP_MESSAGES(M)                                                                                          \
    M(bad_strength, "Bad strength: %s.  Must be a number from 0 to 1, such as 0.5.\n")                              \
    M(unknown_method, "Unknown dithering method: %s.  Must be %s.\n")                                                \
    M(leftovers, "Files of the set %s that this %s does not write are there: %s. makeqfb would pack them with the "  \
                 "new files: remove them, or give --replace to have them removed.\n")                                \
    M(and_more, " and %d more")                                                                                      \
    M(cannot_remove, "Couldn't remove %s: %s.\n")                                                                    \
    M(count_of, "%d %s%s")                                                                                           \
    M(check_refused, "%s: makeqfb refuses it: %s.\n")                                                                  \
    M(check_depth, "%s has %d bits per pixel: makeqfb packs only 24 and 32-bit Targa files; save it as 24 or "      \
                   "32-bit colour.\n")                                                                                 \
    M(check_depth_mismatch, "%s has %d bits per pixel, but %s has %d: makeqfb refuses the set; save every file of "  \
                            "the set at the same depth.\n")                                                            \
    M(check_frame_size, "%s is %d x %d, but the first frame %s is %d x %d: makeqfb refuses the set; give every "     \
                        "frame the same size.\n")                                                                      \
    M(check_level_size, "%s is %d x %d, but level %d must be %d x %d, half the level above: makeqfb refuses the "    \
                        "set; resize it, or make the levels again with qfbprep mipmaps --replace.\n")                  \
    M(check_stale, "%s was made by qfbprep mipmaps from %s, which has changed since: makeqfb would pack it as it "   \
                   "was; run qfbprep mipmaps %s to make it again.\n")                                                  \
    M(check_single, "%s: a single image, %s\n")                                                                      \
    M(check_set, "%s: %s (%s to %s), %s per frame\n")                                                                \
    M(check_level, "  level %d: %d x %d, %dbpp (%s)\n")                                                              \
    M(check_capacity_ending, ": makeqfb refuses it; make it smaller.")                                               \
    M(check_file_ending, ": makeqfb refuses the set; pack fewer or smaller frames.")                                 \
    M(check_no_start, "%s is not used: makeqfb starts a set at frame 0000 or 0001, and neither is there; number "    \
                      "the frames from 0001.\n")                                                                       \
    M(check_gap, "%s is not used: makeqfb stops at the gap before it (%s is missing); number the frames without a "  \
                 "gap.\n")                                                                                             \
    M(check_level_gap, "%s is not used: %s, the level before it, is missing; name the levels from a without a gap.\n") \
    M(check_orphan, "%s is not used: its image %s is missing.\n")                                                      \
    M(check_hides, "%s hides the numbered frames (%s%s): makeqfb packs %s alone when it exists; rename or remove "   \
                   "it to pack the frames.\n")                                                                         \
    M(check_is_member, "%s is itself %s of the set %s: makeqfb packs it alone as a set of one image; give %s as the " \
                       "base filename.\n")                                                                             \
    M(frame_number, "frame %04d")                                                                                      \
    M(level_of_frame, "level %d of frame %04d")                                                                        \
    M(check_levels_differ, "%s has %s, but %s has %d: makeqfb refuses the set; give every frame the same levels "    \
                           "(qfbprep mipmaps fills them in).\n")                                                       \
    M(check_nothing, "%s: no file of the set is there (neither %s nor %s): makeqfb finds nothing to pack.\n")          \
    M(check_clean, "makeqfb packs this set as it stands.\n")                                                         \
    M(check_problems, "%d problem%s.\n")                                                                                       \
    M(dithered, "%s:  dithered for %s from %dbpp.\n")                                                                \
    M(dither_done, "%zu file%s dithered into %s.\n")                                                                 \
    M(too_many_levels, "A frame has at most %d mipmap levels: %d files given.\n")                                    \
    M(imported, "%s:  %d x %d from %s.\n")                                                                           \
    M(import_done, "%d file%s imported.\n")                                                                          \
    M(painted_level_size, "%s is %d x %d, but level %d of a %d x %d frame must be %d x %d, half the level above: "   \
                          "resize it, or make every level again with --replace.\n")                                  \
    M(level_made, "%s:  %d x %d, %dbpp%s.\n")                                                                        \
    M(made_again, ", made again: the level above has changed since it was made")                                     \
    M(mipmaps_done, "%d mipmap level%s written; every frame has %d.\n")                                              \
    M(short_chain, "The mipmaps end at %d x %d, not 1 x 1: its %s is 1, and a level cannot halve it. A loader must " \
                   "give the GPU the last level, %d (GL_TEXTURE_MAX_LEVEL %d in OpenGL), or the texture is "         \
                   "incomplete.\n")                                                                                  \
    M(shape, "%d x %d, %dbpp")                                                                                       \
    M(pack_frame_mismatch, "%s is %s, but the first frame %s is %s: give every frame the same size and depth.\n")   \
    M(pack_level_mismatch, "%s is %s, but level %d of %s must be %s, half the level above: resize it, or remove it " \
                           "for --mipmaps to make.\n")                                                               \
    M(pack_file_ending, ": pack fewer or smaller frames.")                                                           \
    M(pack_levels, "%d mipmap level%s each")                                                                         \
    M(pack_made, " (%d made)")                                                                                       \
    M(packed, "%s: %d frame%s of %d x %d, %dbpp, %s, packed as %s%s: %llu bytes.\n")                                 \
    M(no_alpha_for_4444, " (a 24bpp image has no alpha for 4444)")                                                   \
    M(output_not_qfb, "The output file must be named *.qfb: %s\n")                                                   \
    M(pack_fills_levels, "qfbprep pack --mipmaps fills in the levels the frames lack.\n")                            \
    M(unwritable_qfb, "Couldn't write QFB file %s: %s.\n")                                                           \
    M(soft_alpha_1555, "Note: %s has %llu pixels of alpha between 0 and 255, and 1555 keeps one bit of it: alpha "   \
                       "from 128 up becomes opaque, below it transparent (soft edges and shadows turn hard); "       \
                       "--alpha-threshold A sets where, or pack as 4444 to keep it.\n")                             \
    M(soft_alpha_565, "Note: %s has %llu pixels that are not opaque, and 565 keeps no alpha: they all become opaque " \
                      "(a transparent background shows); pack as 4444 to keep alpha, or as 1555 with "               \
                      "--alpha-threshold A.\n")                                                                     \
    M(gap_note, "Note: the set %s stops at the gap before it, %s is missing: %s and the frames after it are not "    \
                "packed; number the frames without a gap, or give the files.\n")                                    \
    M(other_format, "Couldn't read %s: this is a %s file; save it as PNG, which qfbprep reads (as it reads Targa "   \
                    "files).\n")                                                                              \
    M(grid_or_cell, "Give either --grid or --cell, not both.\n")                                                      \
    M(bad_layout, "Bad %s: %s.  Must be %s, such as %s: %s.\n")                                                       \
    M(layout_without_sheet, "%s cuts PNG and Targa sheets, and no frame file is one.\n")                              \
    M(tag_without_sprite, "--tag picks the frames of an Aseprite file (.ase, .aseprite), and no frame file is one.\n") \
    M(texture_fps_note, "Note: the texture plays at %d fps; packed at %d fps as given.\n")                          \
    M(durations_fps_note, "Note: the frames' durations of %u ms play at %d fps; packed at %d fps as given.\n")      \
    M(durations_differ_note, "Note: the frames' durations differ (%s); packed at %d fps as given.\n")               \
    M(fps_auto_untimed, "fps auto takes the rate from the frames' durations, which only GIF, WebP and Aseprite "     \
                        "files and KTX2 textures of several frames give: give fps as a number.\n")                  \
    M(durations_differ, "The frames' durations differ (%s): fps auto needs them equal; give fps as a number, such "  \
                        "as %d, which keeps the animation's length.\n")                                             \
    M(durations_zero, "The frames' durations add up to 0 ms: give fps as a number.\n")                                \
    M(watching, "Watching the frames for changes; Ctrl-C ends the watch.\n")                                          \
    M(watch_failed, "Couldn't watch the frames' folders: %s.\n")                                                      \
    M(kept_last_good, "Kept the last good %s; waiting for changes.\n")                                                \
    M(packed_again, "Packed %s again: %d frame%s in %lld ms.\n")

QFB_MESSAGE_LIST(PrepText, QFBPREP_TEXTS, QFBPREP_MESSAGES);
