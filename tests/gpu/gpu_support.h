// What the driver tests share: a GL or GLES context without a display (EGL's surfaceless
// platform), the skip of a test on a machine without the driver it needs, files of words built
// with libqfb's write side, and the exact comparison of read-back bytes.
#ifndef QFB_TESTS_GPU_SUPPORT_H
#define QFB_TESTS_GPU_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "qfb/qfb.h"

// A test that cannot run on this machine skips with why, or fails where QFB_REQUIRE_GPU is set
// (CI sets it, so that a missing driver cannot pass as a skip there).
#define QFB_GPU_UNAVAILABLE(why)                                      \
    do {                                                              \
        if (std::getenv("QFB_REQUIRE_GPU") != nullptr) FAIL() << (why); \
        GTEST_SKIP() << (why);                                        \
    } while (0)

namespace qfb_gpu {

// An EGL context current on this thread, with no surface: desktop OpenGL core profile or
// OpenGL ES of at least the version asked. Released on destruction.
class EglContext {
public:
    EglContext() = default;
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;
    ~EglContext();
    // Empty on success, else why there is no such context here.
    std::string make(bool es, int major, int minor);

private:
    void* display_ = nullptr;
    void* context_ = nullptr;
};

// Every 16-bit word value once, as a 256 x 256 image: pixel (x, y) holds y x 256 + x.
std::vector<uint8_t> every_word();

// A file of frames x (mipmaps + 1) levels, every level's words made from pseudo-random 4-byte
// pixels by qfb_encode_pixels, the frame and level mixed into the seed.
std::vector<uint8_t> packed_file(int32_t format, int32_t width, int32_t height, int32_t frames, int32_t mipmaps);
// A file of one level holding the given words as they are.
std::vector<uint8_t> file_of_words(int32_t format, int32_t width, int32_t height, const std::vector<uint8_t>& words);

// Empty when actual and expected are the same bytes; else how many 4-byte pixels (or 2-byte
// words, by unit) differ and the first one.
std::string differences(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected, size_t unit);

}  // namespace qfb_gpu

#endif
