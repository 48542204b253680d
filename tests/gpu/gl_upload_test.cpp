// OpenGL 4.5 core (built with QFB_TEST_GLES 0) or OpenGL ES 3.2 (QFB_TEST_GLES 1) on a real
// driver through EGL's surfaceless platform: every word value of each format uploaded through
// qfb_gl.h and read back by transfers (bit replication, or the words themselves) and by a shader
// draw into an RGBA8 target (the GPU form), and every level and layer of packed sets.
#if QFB_TEST_GLES
#include <GLES3/gl32.h>
#else
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#endif

#include "qfb/qfb_gl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gpu/gpu_support.h"
#include "tests/gpu/qfb_gl_c.h"

namespace {

using qfb_gpu::differences;

constexpr bool kEs = QFB_TEST_GLES != 0;
// The suite's name, so that the two programs' cases have their own names in CTest.
#if QFB_TEST_GLES
#define QFB_GL_SUITE GlesUpload
#else
#define QFB_GL_SUITE GlUpload
#endif
constexpr qfb_gl_api kApi = kEs ? QFB_GL_API_ES : QFB_GL_API_DESKTOP;

class QFB_GL_SUITE : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = context_.make(kEs, kEs ? 3 : 4, kEs ? 2 : 5);
        if (!why.empty()) QFB_GPU_UNAVAILABLE(why + ": the " + (kEs ? "OpenGL ES" : "OpenGL") + " tests cannot run");
        ASSERT_EQ(QFB_GL_API, kApi) << "qfb_gl.h took the wrong API from the GL header";
        std::printf("%s on %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                    reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
    }
    void TearDown() override
    {
        if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
    }

    // Level `level`, layer `layer` (-1: a 2D texture) as RGBA8, through glReadPixels of the
    // texture attached to the framebuffer.
    std::vector<uint8_t> read_attached(GLuint texture, GLint level, GLint layer, GLsizei width, GLsizei height)
    {
        if (layer < 0)
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, level);
        else
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, texture, level, layer);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return out;
    }

    qfb_gpu::EglContext context_;
    GLuint framebuffer_ = 0;
};

GLuint compile(GLenum kind, const char* body)
{
    const std::string source = std::string(kEs ? "#version 300 es\nprecision highp float;\n" : "#version 330 core\n") + body;
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    char log[1024] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    EXPECT_TRUE(ok) << log;
    return shader;
}

// The texture drawn texel for texel into an RGBA8 target of its size, read back: what sampling
// gives.
std::vector<uint8_t> draw_sampled(GLuint texture, GLsizei width, GLsizei height)
{
    const GLuint program = glCreateProgram();
    const GLuint vertex = compile(GL_VERTEX_SHADER,
                                  "void main() { vec2 p = vec2(gl_VertexID & 1, gl_VertexID >> 1) * 4.0 - 1.0;"
                                  " gl_Position = vec4(p, 0.0, 1.0); }\n");
    const GLuint fragment = compile(GL_FRAGMENT_SHADER,
                                    "uniform highp sampler2D tex; out highp vec4 colour;\n"
                                    "void main() { colour = texelFetch(tex, ivec2(gl_FragCoord.xy), 0); }\n");
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    EXPECT_TRUE(ok);
    GLuint target = 0, vertex_array = 0;
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glGenVertexArrays(1, &vertex_array);
    glBindVertexArray(vertex_array);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(glGetUniformLocation(program, "tex"), 0);
    glViewport(0, 0, width, height);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteVertexArrays(1, &vertex_array);
    glDeleteTextures(1, &target);
    glDeleteProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return out;
}

#if QFB_TEST_GLES
// The words glReadPixels gives for a stored word of format in the 16-bit format and type pair
// the driver names for its attachment, written out here field by field; false for a pair this
// test does not know.
bool read_words(int32_t format, GLint read_format, GLint read_type, const std::vector<uint8_t>& stored,
                std::vector<uint8_t>& out)
{
    using Layout = unsigned (*)(unsigned);
    struct Pair {
        int32_t format;
        GLint read_format, read_type;
        Layout layout;
    };
    const Pair pairs[] = {
        {QFB_FORMAT_565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, [](unsigned w) { return w; }},
        // R G B A, 4 bits each from the top.
        {QFB_FORMAT_4444, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, [](unsigned w) { return ((w << 4) | (w >> 12)) & 0xFFFFu; }},
        // A B G R from the top (_REV of RGBA).
        {QFB_FORMAT_4444, GL_RGBA, 0x8365 /* _4_4_4_4_REV */,
         [](unsigned w) { return (w & 0xF0F0u) | ((w & 0xFu) << 8) | ((w >> 8) & 0xFu); }},
        // R G B (5 bits each) then the opaque bit.
        {QFB_FORMAT_1555, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1,
         [](unsigned w) { return ((w & 0x7FFFu) << 1) | ((w >> 15) ^ 1u); }},
        // The opaque bit then B G R.
        {QFB_FORMAT_1555, GL_RGBA, 0x8366 /* _1_5_5_5_REV */,
         [](unsigned w) { return ((w ^ 0x8000u) & 0x83E0u) | ((w & 0x1Fu) << 10) | ((w >> 10) & 0x1Fu); }},
    };
    for (const Pair& pair : pairs) {
        if (pair.format != format || pair.read_format != read_format || pair.read_type != read_type) continue;
        out.resize(stored.size());
        for (size_t i = 0; i < stored.size(); i += 2) {
            const unsigned w = pair.layout(stored[i] | (stored[i + 1] << 8));
            out[i] = static_cast<uint8_t>(w);
            out[i + 1] = static_cast<uint8_t>(w >> 8);
        }
        return true;
    }
    return false;
}
#endif

std::vector<uint8_t> expanded(const std::vector<uint8_t>& words, int32_t format, bool gpu)
{
    std::vector<uint8_t> out(words.size() * 2);
    (gpu ? qfb_expand_words_gpu : qfb_expand_words)(words.data(), words.size() / 2, format, QFB_ORDER_RGBA, out.data());
    return out;
}

TEST_F(QFB_GL_SUITE, EveryWordReadsBackAsTheLibraryExpandsIt)
{
    const std::vector<uint8_t> words = qfb_gpu::every_word();
    for (const int32_t format : {QFB_FORMAT_1555, QFB_FORMAT_4444, QFB_FORMAT_565}) {
        SCOPED_TRACE(qfb_format_name(format));
        const std::vector<uint8_t> bytes = qfb_gpu::file_of_words(format, 256, 256, words);
        qfb_file file{};
        ASSERT_EQ(qfb_parse(bytes.data(), bytes.size(), &file), QFB_OK);
        qfb_gl_texture tex{};
        ASSERT_EQ(qfb_gl_upload(&file, QFB_GL_API, &tex), QFB_GL_OK) << tex.gl_error;
        ASSERT_EQ(tex.target, static_cast<GLenum>(GL_TEXTURE_2D));
        ASSERT_EQ(tex.levels, 1);
        glBindTexture(GL_TEXTURE_2D, tex.name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

        const std::vector<uint8_t> replicated = expanded(words, format, false);
        EXPECT_EQ(differences(read_attached(tex.name, 0, -1, 256, 256), replicated, 4), "") << "glReadPixels";
        // The texture's words themselves, in the layout they were given.
        std::vector<uint8_t> converted(words.size()), raw(words.size());
#if QFB_TEST_GLES
        // glReadPixels in the format and type the driver names for the attachment, in the word
        // layout that pair means.
        GLint read_format = 0, read_type = 0;
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT, &read_format);
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE, &read_type);
        std::printf("%s read back as 0x%x 0x%x\n", qfb_format_name(format), read_format, read_type);
        ASSERT_TRUE(read_words(format, read_format, read_type, words, converted))
            << "the driver reads the attachment as 0x" << std::hex << read_format << " 0x" << read_type;
        glPixelStorei(GL_PACK_ALIGNMENT, 2);
        glReadPixels(0, 0, 256, 256, static_cast<GLenum>(read_format), static_cast<GLenum>(read_type), raw.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(differences(raw, converted, 2), "") << "glReadPixels of the words as 0x" << std::hex << read_format
                                                      << " 0x" << read_type;
#else
        const qfb_upload* facts = qfb_upload_facts(format);
        ASSERT_EQ(qfb_convert_words(words.data(), words.size() / 2, format, facts->gl_target, converted.data()), QFB_OK);
        glGetTexImage(GL_TEXTURE_2D, 0, facts->gl_format, facts->gl_type, raw.data());
        EXPECT_EQ(differences(raw, converted, 2), "") << "glGetTexImage of the words";
        // Its RGBA8 transfer.
        std::vector<uint8_t> rgba(replicated.size());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        EXPECT_EQ(differences(rgba, replicated, 4), "") << "glGetTexImage as RGBA8";
#endif
        EXPECT_EQ(differences(draw_sampled(tex.name, 256, 256), expanded(words, format, true), 4), "") << "shader draw";
        glDeleteTextures(1, &tex.name);
    }
}

// Every level of every frame of packed sets, uploaded through qfb_gl.h as C compiles it, with the
// engine's unpack state left as it was.
TEST_F(QFB_GL_SUITE, PackedSetsReadBackLevelByLevelAndLayerByLayer)
{
    struct Case {
        int32_t format, width, height, frames, mipmaps;
        bool misaligned;  // the file's bytes start at an odd address
        int levels;       // in the chain
    };
    const Case cases[] = {
        // 24 x 16 down to 1 x 1, then an empty level; 3 x 2 has rows of 6 bytes.
        {QFB_FORMAT_1555, 24, 16, 3, 5, false, 5},
        {QFB_FORMAT_4444, 24, 16, 4, 5, true, 5},
        {QFB_FORMAT_565, 24, 16, 2, 5, false, 5},
        {QFB_FORMAT_1555, 24, 16, 1, 5, true, 5},
        {QFB_FORMAT_4444, 24, 16, 1, 2, false, 3},  // fewer mipmaps than the full chain
        {QFB_FORMAT_565, 5, 1, 3, 3, true, 1},      // 5 x 1 halves to 2 x 0 at once
    };
    GLuint unpack_buffer = 0;
    glGenBuffers(1, &unpack_buffer);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(qfb_format_name(c.format)) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height) + " frames " + std::to_string(c.frames) +
                     (c.misaligned ? " misaligned" : ""));
        const std::vector<uint8_t> made = qfb_gpu::packed_file(c.format, c.width, c.height, c.frames, c.mipmaps);
        std::vector<uint8_t> held(made.size() + 1);
        uint8_t* const start = held.data() + (c.misaligned ? 1 : 0);
        std::memcpy(start, made.data(), made.size());
        qfb_file file{};
        ASSERT_EQ(qfb_parse(start, made.size(), &file), QFB_OK);

        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, unpack_buffer);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
        unsigned name = 0, target = 0, gl_error = 0;
        int levels = 0, refusal = -1;
        ASSERT_EQ(qfb_test_gl_upload(&file, &name, &target, &levels, &refusal, &gl_error), QFB_GL_OK) << gl_error;
        GLint alignment = 0, row_length = 0, bound = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &row_length);
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &bound);
        EXPECT_EQ(alignment, 8);
        EXPECT_EQ(row_length, 7);
        EXPECT_EQ(bound, static_cast<GLint>(unpack_buffer));
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

        const GLenum expected_target = c.frames == 1 ? GL_TEXTURE_2D : GL_TEXTURE_2D_ARRAY;
        ASSERT_EQ(target, expected_target);
        ASSERT_EQ(levels, c.levels);
        GLint max_level = -1;
        glBindTexture(target, name);
        glGetTexParameteriv(target, GL_TEXTURE_MAX_LEVEL, &max_level);
        EXPECT_EQ(max_level, c.levels - 1);
        for (int32_t lv = 0; lv < levels; ++lv) {
            std::vector<uint8_t> layers;
            for (int32_t frame = 0; frame < c.frames; ++frame) {
                qfb_level level{};
                ASSERT_EQ(qfb_get_level(&file, frame, lv, &level), QFB_OK);
                std::vector<uint8_t> expected(static_cast<size_t>(level.size) * 2);
                ASSERT_EQ(qfb_expand_level(&file, &level, QFB_ORDER_RGBA, expected.data(), expected.size()), QFB_OK);
                EXPECT_EQ(differences(read_attached(name, lv, c.frames == 1 ? -1 : frame, level.width, level.height),
                                      expected, 4),
                          "")
                    << "frame " << frame << " level " << lv;
                layers.insert(layers.end(), expected.begin(), expected.end());
            }
#if !QFB_TEST_GLES
            std::vector<uint8_t> whole(layers.size());
            glGetTexImage(target, lv, GL_RGBA, GL_UNSIGNED_BYTE, whole.data());
            EXPECT_EQ(differences(whole, layers, 4), "") << "glGetTexImage of level " << lv;
#endif
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glDeleteTextures(1, &name);
    }
    glDeleteBuffers(1, &unpack_buffer);
}

// What the upload refuses, and a GL error reported as one, with no texture left behind.
TEST_F(QFB_GL_SUITE, RefusalsAndGlErrorsAreReportedWithNoTextureMade)
{
    GLint max_side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_side);
    ASSERT_LT(max_side, QFB_MAX_SIDE) << "no file is too wide for this driver";
    const std::vector<uint8_t> too_wide = qfb_gpu::packed_file(QFB_FORMAT_565, max_side + 1, 1, 1, 0);
    const std::vector<uint8_t> empty = qfb_gpu::packed_file(QFB_FORMAT_4444, 0, 4, 2, 1);
    qfb_file wide_file{}, empty_file{}, unchecked{};
    ASSERT_EQ(qfb_parse(too_wide.data(), too_wide.size(), &wide_file), QFB_OK);
    ASSERT_EQ(qfb_parse(empty.data(), empty.size(), &empty_file), QFB_OK);
    ASSERT_EQ(qfb_check(too_wide.data(), too_wide.size(), too_wide.size(), &unchecked), QFB_OK);  // no pixels
    struct Case {
        const qfb_file* file;
        qfb_gl_status status;
        int refusal;
        GLenum gl_error;
    };
    const Case cases[] = {
        {&wide_file, QFB_GL_ERROR, QFB_OK, GL_INVALID_VALUE},
        {&empty_file, QFB_GL_EMPTY, QFB_OK, GL_NO_ERROR},
        {&unchecked, QFB_GL_REFUSED, QFB_BAD_ARGUMENT, GL_NO_ERROR},
        {nullptr, QFB_GL_REFUSED, QFB_BAD_ARGUMENT, GL_NO_ERROR},
    };
    for (const Case& c : cases) {
        unsigned name = 1, target = 0, gl_error = 0;
        int levels = 0, refusal = -1;
        EXPECT_EQ(qfb_test_gl_upload(c.file, &name, &target, &levels, &refusal, &gl_error), c.status);
        EXPECT_EQ(refusal, c.refusal);
        EXPECT_EQ(gl_error, c.gl_error);
        EXPECT_EQ(name, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // The texture the failed upload made is gone (no other texture was made in this context).
    for (GLuint name = 1; name <= 4; ++name) EXPECT_FALSE(glIsTexture(name)) << name;
}

}  // namespace
