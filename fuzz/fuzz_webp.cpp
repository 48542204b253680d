// libFuzzer target for the WebP reader: each input is a whole file's bytes in memory (a buffer of
// exactly its size, so a read past the end is caught), read by read_webp into whole frames through
// libwebp's demuxer and animation decoder: as it is, then with the container's size field made to
// agree with its length, so that most mutations pass the reader's first check (a file shorter than
// its size field is cut short) and reach libwebp. Besides memory errors it stops on broken promises
// (animation_promises.h).
#include <cstdint>
#include <vector>

#include "fuzz/animation_promises.h"
#include "webp_reader.h"

namespace {

void read_checked(const std::vector<uint8_t>& bytes)
{
    Animation animation;
    check_animation(read_webp(bytes.data(), bytes.size(), animation), animation);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: libFuzzer's own buffer is, a replay's vector may not be.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.shrink_to_fit();
    read_checked(bytes);
    if (size >= 12) {  // "RIFF", the size of what follows, "WEBP"
        const uint64_t follows = size - 8;
        for (int i = 0; i < 4; ++i) bytes[size_t(4 + i)] = uint8_t(follows >> (8 * i));
        read_checked(bytes);
    }
    return 0;
}
