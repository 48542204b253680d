// A cel's pixels as stored: raw, or inflated from its zlib stream into exactly its width x height
// pixels (a stream that gives more or fewer is refused), within the limits of one cel and of all
// the inflating one sprite may ask for.
#include <zlib.h>

#include "aseprite_parts.h"

namespace aseprite {
namespace {

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit(&stream) == Z_OK; }
    ~Inflater()
    {
        if (ready) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

// Inflates the cel's stream into pixels, which gets exactly the expected bytes.
AsepriteOutcome inflate_cel(const Cel& cel, const std::string& layer, size_t expected, std::vector<uint8_t>& pixels)
{
    Inflater inflater;
    if (!inflater.ready) return problem(AsepriteProblem::out_of_memory);
    pixels.assign(expected + 1, 0);  // one byte more: a stream that reaches it gives too much
    z_stream& stream = inflater.stream;
    stream.next_in = const_cast<Bytef*>(cel.data);  // zlib's input is not const, but is only read
    stream.avail_in = static_cast<uInt>(cel.size);  // a chunk's size is a DWORD: it fits
    stream.next_out = pixels.data();
    stream.avail_out = static_cast<uInt>(pixels.size());  // at most MAX_CEL_BYTES + 1
    int status = Z_OK;
    while (status == Z_OK) status = inflate(&stream, Z_FINISH);
    pixels.resize(expected);
    const uint64_t given = stream.total_out;
    if (given > expected)
        return problem_at(AsepriteProblem::cel_too_much_data, cel.frame, layer, 0, static_cast<int64_t>(expected));
    if (status == Z_MEM_ERROR) return problem(AsepriteProblem::out_of_memory);
    if (status == Z_BUF_ERROR) return problem_at(AsepriteProblem::cel_zlib_cut_short, cel.frame, layer);
    if (status != Z_STREAM_END) return problem_at(AsepriteProblem::cel_bad_zlib, cel.frame, layer);
    if (given < expected)
        return problem_at(AsepriteProblem::cel_too_little_data, cel.frame, layer, static_cast<int64_t>(given),
                          static_cast<int64_t>(expected));
    return {};
}

}  // namespace

AsepriteOutcome decode_cel(const Sprite& sprite, const Cel& cel, uint64_t& inflated, std::vector<uint8_t>& pixels)
{
    const std::string& layer = sprite.layers[cel.layer].name;
    const uint64_t bytes = uint64_t{cel.width} * cel.height * sprite.bytes_per_pixel();
    if (bytes > MAX_CEL_BYTES)
        return problem_at(AsepriteProblem::cel_too_large, cel.frame, layer, static_cast<int64_t>(bytes), MAX_CEL_BYTES);
    inflated += bytes;
    if (inflated > MAX_INFLATED_BYTES) return problem(AsepriteProblem::too_much_inflating, {}, 0, MAX_INFLATED_BYTES);
    if (cel.type == COMPRESSED_CEL) return inflate_cel(cel, layer, static_cast<size_t>(bytes), pixels);
    if (cel.size < bytes) return problem_at(AsepriteProblem::cel_pixels_short, cel.frame, layer);
    pixels.assign(cel.data, cel.data + bytes);
    return {};
}

}  // namespace aseprite
