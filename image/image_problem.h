// Why an image, or the frames a command line names, could not be had: every refusal of the image
// library is a kind with what its message names. Nothing here prints: each tool puts a problem
// in its own words.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

struct ImageProblem {
    enum Kind {
        none,
        // An image file; name is the file.
        unreadable,   // reason says what is wrong with it, read as a `reader` file
        wrong_depth,  // a Targa file of `value` bits per pixel, neither 24 nor 32
        too_large,    // `value` bytes of pixels, more than MAX_IMAGE_BYTES
        too_many_pixels,  // a side above QFB_MAX_SIDE: `value` is the width << 32 | the height
        // The frames of a base filename; name is the base filename.
        folder,           // it names a folder
        no_extension,     // it has no "."
        names_too_long,   // a member's name would not fit in a name buffer
        nothing_found,    // neither the base file nor frame 0000 or 0001 is there
        mipmap_mismatch,  // a frame has other levels than the first, where they must match
    };
    Kind kind = none;
    std::string name;
    const char* reader = "";  // unreadable: what the file was read as, "Targa" or "PNG"
    std::string reason;       // unreadable: a short lower-case phrase, e.g. "pixel data is cut short"
    uint64_t value = 0;
    // unreadable: the format the file is in instead, by its first bytes ("JPEG", "GIF", "BMP",
    // "WebP"), or null
    const char* other_format = nullptr;

    bool ok() const { return kind == none; }

    // A problem of the image file name, read as a `reader` file.
    static ImageProblem of_file(Kind kind, const std::string& name, const char* reader, std::string reason = {},
                                uint64_t value = 0)
    {
        ImageProblem problem;
        problem.kind = kind;
        problem.name = name;
        problem.reader = reader;
        problem.reason = std::move(reason);
        problem.value = value;
        return problem;
    }
    // A problem of the frames of the base filename base.
    static ImageProblem of_frames(Kind kind, const std::string& base) { return of_file(kind, base, ""); }
};
