// libFuzzer target for the GIF reader: each input is a whole file's bytes in memory (a buffer of
// exactly its size, so a read past the end is caught), read by read_gif into whole frames. Besides
// memory errors it stops on broken promises (animation_promises.h), and on a pixel no GIF can
// give: alpha is 0 or 255, and a transparent pixel is all 0.
#include <cstdint>
#include <vector>

#include "fuzz/animation_promises.h"
#include "gif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: libFuzzer's own buffer is, a replay's vector may not be.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.shrink_to_fit();
    Animation animation;
    const AnimationResult result = read_gif(bytes.data(), bytes.size(), animation);
    check_animation(result, animation);
    for (const Image& frame : animation.frames)
        for (size_t i = 0; i < frame.pixels.size(); i += 4) {
            const uint8_t* pixel = &frame.pixels[i];
            check_promise(pixel[3] == 255 || (pixel[3] == 0 && pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0));
        }
    return 0;
}
