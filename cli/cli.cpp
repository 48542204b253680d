// The shared command-line pieces (see cli.h).
#include "cli.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "frameset.h"

void print_usage_banner(const char* head, const char* body)
{
    static const char EQUALS[] = "==========================================================================\n";
    std::printf("%s%s--------------------------------------------------------------------------\n%s%s", EQUALS, head,
                body, EQUALS);
}

bool option_value(int argc, char** argv, int at, const char** value, bool* said)
{
    *said = false;
    if (at + 1 >= argc) return false;
    if (std::strncmp(argv[at + 1], "--", 2) == 0) {
        std::printf("Option %s needs a value, not the option %s.\n", argv[at], argv[at + 1]);
        *said = true;
        return false;
    }
    *value = argv[at + 1];
    return true;
}

void say_unknown_format(const char* text)
{
    std::printf("Unknown format parameter: %s.  Must be 1555, 4444, or 565.\n", text);
}

void say_no_extension(const char* base) { std::printf("Input file doesn't have an extension: %s\n", base); }

void say_names_too_long(const char* base)
{
    std::printf("File names made from this base filename would be longer than %d characters: %s\n",
                static_cast<int>(NAME_BUFFER_SIZE - 1), base);
}

void say_nothing_found()
{
    std::printf("Either that file doesn't exist or there aren't any frames associated with\nthat base filename\n");
}

void say_unreadable_targa(const char* name, const char* reason)
{
    std::printf("Couldn't read Targa file %s: %s.\n", name, reason);
}

void say_image_too_large(const char* name, uint64_t image_bytes, const char* ending)
{
    std::printf("%s is too large: %" PRIu64 " bytes of pixels, more than the %zu bytes an image may have%s\n", name,
                image_bytes, MAX_IMAGE_BYTES, ending);
}

void say_no_output_folder(const char* folder) { std::printf("Output folder doesn't exist: %s\n", folder); }

void say_output_is_input(const char* name)
{
    std::printf("The output file %s is one of the input files and would be overwritten.\n", name);
}

std::string unwritable_targa(const char* name, const char* reason)
{
    return std::string("Couldn't write Targa file ") + name + ": " + reason + ".\n";
}

void say_unwritable_targa(const char* name, const char* reason) { std::fputs(unwritable_targa(name, reason).c_str(), stdout); }
