// libFuzzer target for the KTX2 reader: each input is a whole KTX2 file in memory. Besides memory
// errors (the input is a buffer of exactly its size, so a read past its end is caught) it stops on
// broken promises: a refused file has a named problem and leaves the texture as it was; an accepted
// file's frames hold exactly their levels' words, no more than the input's bytes allow, within
// QFB's chain; written again in the same Vulkan format they read back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ktx2.h"

namespace {

void check(bool promise)
{
    if (!promise) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ktx2Texture texture;
    texture.frames.width = 77;
    const Ktx2Problem problem = read_ktx2(data, size, &texture);
    check(std::strcmp(ktx2_problem_text(problem), "unknown problem") != 0);
    if (problem != Ktx2Problem::none) {
        check(texture.frames.width == 77 && texture.frames.words.empty());
        return 0;
    }
    const Ktx2Frames& f = texture.frames;
    check(f.level_count >= 1 && f.level_count <= ktx2_level_limit(f.width, f.height));
    check(f.words.size() == 2 * f.frame_count * ktx2_frame_words(f));
    // Every level is in the file: all of them are at most 4/3 of the full-size one.
    check(f.words.size() <= size / 3 * 4 + 4);

    // An array without KTXanimData comes back with the fps it is given.
    Ktx2Frames again = f;
    if (again.frame_count > 1 && again.fps == 0) again.fps = 1;
    const Ktx2Choice choice = ktx2_vk_format(f.format, Ktx2Choice::portable) == texture.vk_format
                                  ? Ktx2Choice::portable
                                  : Ktx2Choice::as_stored;
    std::vector<uint8_t> file;
    check(write_ktx2(again, choice, "fuzz", &file) == Ktx2Problem::none);
    Ktx2Texture back;
    check(read_ktx2(file.data(), file.size(), &back) == Ktx2Problem::none);
    check(back.vk_format == texture.vk_format && back.srgb && back.dropped_levels == 0);
    check(back.frames.words == f.words && back.frames.level_count == f.level_count);
    check(back.frames.fps == (f.frame_count > 1 ? again.fps : 0));
    return 0;
}
