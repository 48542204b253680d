// What the three tools' command lines share: the frame of every usage text, the reading of an
// option's value, and the messages more than one tool prints (each text lives here only).
#pragma once

#include <cstdint>
#include <string>

#include "image_problem.h"
#include "platform.h"

// Prints a usage text: a rule of "=", the head (the tool's name and its usage lines), a rule of
// "-", the body, and the rule of "=" again. Head and body end with a line end.
void print_usage_banner(const char* head, const char* body);

// The value of the option argv[at], which stands after it. False when there is none (the caller
// prints its usage) or when another option ("--" and more) stands there, which is said, naming both.
bool option_value(int argc, char** argv, int at, const char** value, bool* said);

void say_unknown_format(const char* text);
void say_bad_fps(const char* text);
void say_no_extension(const char* base);
void say_mipmap_mismatch();
// True, after saying so (say_folder), when base names a folder.
bool say_if_folder(const char* base);
// That base is a folder, with an example of a base filename inside it.
void say_folder(const char* base);
void say_names_too_long(const char* base);
void say_nothing_found();
// True, after naming it with its four-digit name, when a file beside base is named as one of its
// frames with a number of one to three digits (walk-1.tga for walk.tga): the first, by name; or,
// failing that, after naming the first of the files numbered another way (walk_00.png) and how
// many more there are, with the names makeqfb looks for.
bool say_short_frame_number(const char* base);
// "Couldn't read KIND file NAME: REASON." (kind: what the file was read as, "Targa" or "PNG").
void say_unreadable(const char* kind, const char* name, const char* reason);
void say_unreadable_targa(const char* name, const char* reason);
// An image, or the frames of a base filename, not had (see image_problem.h).
void say_image_problem(const ImageProblem& problem);
// "NAME is too large: ... an image may have" (the limit in bytes and in pixels), then the ending
// (".", or advice).
void say_image_too_large(const char* name, uint64_t image_bytes, const char* ending);
// "...QFB file would be larger than the N bytes a QFB file may have..." between the tool's start
// and ending (the rule is check_capacity's).
void say_file_too_large(const char* start, const char* ending);
// An argument the system's code page cannot hold, by its number.
void say_start_refusal(const platform::StartRefusal& refusal);
void say_no_output_folder(const char* folder);
void say_output_is_input(const char* name);
void say_unwritable_targa(const char* name, const std::string& reason);
// The same line, for a job that holds its messages until it has read every file.
std::string unwritable_targa(const char* name, const std::string& reason);
