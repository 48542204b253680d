// libFuzzer target for the WebP reader: each input is a whole file's bytes in memory (a buffer of
// exactly its size, so a read past the end is caught), read by read_webp into whole frames through
// libwebp's demuxer and animation decoder. Besides memory errors it stops on broken promises
// (animation_promises.h).
#include <cstdint>
#include <vector>

#include "fuzz/animation_promises.h"
#include "webp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: libFuzzer's own buffer is, a replay's vector may not be.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.shrink_to_fit();
    Animation animation;
    check_animation(read_webp(bytes.data(), bytes.size(), animation), animation);
    return 0;
}
