// Every way packing fails, as a value: its kind and what its message names; and the events of a
// pack that a tool shows as its progress. Nothing in the packing core prints.
#pragma once

#include <cstdint>
#include <string>

#include "image_problem.h"

// The size and depth of an image, or what its place in a QFB file needs.
struct Shape {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits_per_pixel = 0;

    bool operator==(const Shape& other) const
    {
        return width == other.width && height == other.height && bits_per_pixel == other.bits_per_pixel;
    }
    bool operator!=(const Shape& other) const { return !(*this == other); }
};

struct PackProblem {
    enum Kind {
        none,
        image,            // an image, or the frame list, was not had: `cause` says which and why
        output_is_input,  // the output, `name`, is one of the inputs: writing it would destroy it
        image_too_large,  // the first frame has `value` bytes of pixels, more than MAX_IMAGE_BYTES
        file_too_large,   // the QFB file would be larger than QFB_MAX_FILE_SIZE
        mismatch,         // `name` is `found`, but its place, level `level` of frame `frame`, needs `wanted`
    };
    Kind kind = none;
    ImageProblem cause;
    std::string name;
    Shape found, wanted;
    int32_t frame = 0;  // counted from 0, in the order packed
    int32_t level = 0;
    uint64_t value = 0;

    bool ok() const { return kind == none; }

    static PackProblem of_image(const ImageProblem& why)
    {
        PackProblem problem;
        problem.kind = image;
        problem.cause = why;
        return problem;
    }
    static PackProblem of_kind(Kind kind, const std::string& name = {}, uint64_t value = 0)
    {
        PackProblem problem;
        problem.kind = kind;
        problem.name = name;
        problem.value = value;
        return problem;
    }
};

// What a pack tells its caller as it goes, for a tool to show as progress; nothing by default.
class PackEvents {
public:
    virtual ~PackEvents() = default;
    // A member of a Targa set, about to be read straight into its place.
    virtual void member(const std::string& /*name*/) {}
    // Its pixels, of that depth, about to be truncated to the words of format.
    virtual void converting(int32_t /*bits_per_pixel*/, int32_t /*format*/) {}
};
