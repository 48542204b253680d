// End to end: the real qfbprep binary on frame sets made in code, its results packed by the real
// makeqfb. Mipmaps keep painted levels and leave every frame with the same levels; dithered files
// pack to exactly the words the dithering chose; check names every file it will not use or that
// makeqfb refuses; PNG import packs like the same frames saved as Targa files by Pillow.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <spng.h>

#include <qfb/qfb.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::TempDir;
using qfbtest::Tga;

RunResult qfbprep(const std::vector<std::string>& args, const std::string& cwd)
{
    return qfbtest::run_program(QFBPREP_BINARY, args, cwd);
}

Bytes image(int w, int h, int depth, uint32_t seed = 1)
{
    return qfbtest::raw_image(w, h, depth, qfbtest::pattern(w, h, depth / 8, seed)).to_bytes();
}

// The width, height and depth in a Targa file's header.
std::vector<int> geometry(const Bytes& file)
{
    if (file.size() < 18) return {};
    return {file[12] | file[13] << 8, file[14] | file[15] << 8, file[16]};
}

TEST(QfbprepMipmaps, PaintedLevelsStayAndEveryFrameEndsWithTheSameLevels)
{
    TempDir dir;
    // Frame 1 has two painted levels, frame 2 one, frame 3 none.
    const std::map<std::string, Bytes> painted = {
        {"w-0001.tga", image(32, 16, 32, 1)}, {"w-a0001.tga", image(16, 8, 32, 2)}, {"w-b0001.tga", image(8, 4, 32, 3)},
        {"w-0002.tga", image(32, 16, 32, 4)}, {"w-a0002.tga", image(16, 8, 32, 5)}, {"w-0003.tga", image(32, 16, 32, 6)},
    };
    for (const auto& [name, bytes] : painted) qfbtest::write_file(dir.file(name), bytes);
    const RunResult run = qfbprep({"mipmaps", "w.tga", "--levels", "3"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.output;
    for (const auto& [name, bytes] : painted) EXPECT_EQ(qfbtest::read_file(dir.file(name)), bytes) << name;
    for (const char* frame : {"0001", "0002", "0003"}) {
        EXPECT_EQ(geometry(qfbtest::read_file(dir.file(std::string("w-b") + frame + ".tga"))), (std::vector<int>{8, 4, 32}));
        EXPECT_EQ(geometry(qfbtest::read_file(dir.file(std::string("w-c") + frame + ".tga"))), (std::vector<int>{4, 2, 32}));
    }
    EXPECT_FALSE(qfbtest::exists(dir.file("w-d0001.tga")));
    const RunResult packed = qfbtest::run_makeqfb({"4444", "12", "w.tga"}, dir.path());
    EXPECT_EQ(packed.status, 0) << packed.output;
    EXPECT_EQ(packed.output.rfind("3 frames, 3 mipmaps per frame\n", 0), 0u) << packed.output;

    // A level it made goes stale when the level above changes: check names it, and the next run
    // makes again exactly those levels (and those made from them), never a painted one.
    qfbtest::write_file(dir.file("w-0003.tga"), image(32, 16, 32, 7));
    qfbtest::write_file(dir.file("w-a0002.tga"), image(16, 8, 32, 8));
    const RunResult checked = qfbprep({"check", "w.tga"}, dir.path());
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.output.find("w-a0003.tga was made by qfbprep mipmaps from w-0003.tga, which has changed since: "
                                  "makeqfb would pack it as it was; run qfbprep mipmaps w.tga to make it again."),
              std::string::npos) << checked.output;
    EXPECT_NE(checked.output.find("w-b0002.tga was made by qfbprep mipmaps from w-a0002.tga"), std::string::npos);
    auto before = qfbtest::snapshot(dir.path());
    const RunResult again = qfbprep({"mipmaps", "w.tga", "--levels", "3"}, dir.path());
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(again.output.rfind("w-b0002.tga:  8 x 4, 32bpp, made again: the level above has changed since it was made.\n", 0), 0u)
        << again.output;
    EXPECT_NE(again.output.find("5 mipmap levels written; every frame has 3.\n"), std::string::npos) << again.output;
    const auto after = qfbtest::snapshot(dir.path());
    for (const auto& [name, bytes] : after)
        EXPECT_EQ(bytes != before[name], name == "w-b0002.tga" || name == "w-c0002.tga" || name == "w-a0003.tga" ||
                                             name == "w-b0003.tga" || name == "w-c0003.tga") << name;
    EXPECT_EQ(qfbprep({"check", "w.tga"}, dir.path()).status, 0);

    // Without --levels a 24-bit 5 x 3 image gets levels until a side would be 0, at its depth.
    qfbtest::write_file(dir.file("odd.tga"), image(5, 3, 24));
    ASSERT_EQ(qfbprep({"mipmaps", "odd.tga"}, dir.path()).status, 0);
    EXPECT_EQ(geometry(qfbtest::read_file(dir.file("odd-a.tga"))), (std::vector<int>{2, 1, 24}));
    EXPECT_FALSE(qfbtest::exists(dir.file("odd-b.tga")));
    // A chain that ends before 1 x 1 says once what a loader must set.
    qfbtest::write_file(dir.file("bar.tga"), image(16, 2, 32));
    const RunResult bar = qfbprep({"mipmaps", "bar.tga"}, dir.path());
    EXPECT_NE(bar.output.find("The mipmaps end at 8 x 1, not 1 x 1: its height is 1, and a level cannot halve it. A "
                              "loader must give the GPU the last level, 1 (GL_TEXTURE_MAX_LEVEL 1 in OpenGL), or the "
                              "texture is incomplete.\n"), std::string::npos) << bar.output;
}

// The words of a QFB file, in file order.
std::vector<uint8_t> qfb_pixels(const Bytes& file, qfb_file* parsed)
{
    EXPECT_EQ(qfb_parse(file.data(), file.size(), parsed), QFB_OK);
    return Bytes(file.begin() + QFB_HEADER_SIZE, file.end());
}

TEST(QfbprepDither, PackedFilesHoldExactlyTheDitheredWords)
{
    TempDir dir;
    // A horizontal gradient in every channel, alpha included, with a transparent column: two
    // frames with one mipmap level each.
    auto gradient = [](int w, int h, int shift) {
        Bytes pixels;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) pixels.push_back(static_cast<uint8_t>(x == 3 && c == 3 ? 0 : 40 + x + shift + c * 9));
        return qfbtest::raw_image(w, h, 32, pixels).to_bytes();
    };
    qfbtest::write_file(dir.file("g-0001.tga"), gradient(64, 8, 0));
    qfbtest::write_file(dir.file("g-a0001.tga"), gradient(32, 4, 5));
    qfbtest::write_file(dir.file("g-0002.tga"), gradient(64, 8, 17));
    qfbtest::write_file(dir.file("g-a0002.tga"), gradient(32, 4, 21));
    const std::vector<std::string> members = {"g-0001.tga", "g-a0001.tga", "g-0002.tga", "g-a0002.tga"};
    for (const std::string format : {"565", "4444", "1555"}) {
        SCOPED_TRACE(format);
        TempDir out;
        const RunResult run = qfbprep({"dither", format, dir.file("g.tga"), out.path()}, dir.path());
        ASSERT_EQ(run.status, 0) << run.output;
        ASSERT_EQ(qfbtest::run_makeqfb({format, "12", "g.tga"}, out.path()).status, 0);
        qfb_file parsed;
        const Bytes words = qfb_pixels(qfbtest::read_file(out.file("g.qfb")), &parsed);
        // Expanded back as a GPU shows a word (round(q x 255 / max)), every word shows exactly the
        // dithered file's pixel: the packing lost nothing.
        Bytes expanded(words.size() * 2);
        const qfb_field* fields = qfb_format_fields(parsed.header.format);
        for (size_t w = 0; w < words.size() / 2; ++w) {
            const unsigned word = words[2 * w] | words[2 * w + 1] << 8;
            for (int c = 0; c < 4; ++c) {
                const unsigned max = (1u << fields[c].bits) - 1, q = (word >> fields[c].shift) & max;
                expanded[4 * w + static_cast<size_t>(c)] = fields[c].bits == 0 ? 255
                                                           : fields[c].bits == 1 ? (q ? 0 : 255)
                                                                                 : static_cast<uint8_t>((q * 510 + max) / (2 * max));
            }
        }
        Bytes dithered;
        for (const std::string& member : members) {
            const Bytes file = qfbtest::read_file(out.file(member));
            dithered.insert(dithered.end(), file.begin() + 18, file.end());
        }
        ASSERT_EQ(expanded.size(), dithered.size());
        for (size_t i = 0; i < dithered.size(); ++i) {
            if (i % 4 == 3 && format != "4444") {
                // 1555 keeps alpha as it was, and its flag marks alpha 0; 565 has no alpha.
                if (format == "1555") {
                    EXPECT_EQ(expanded[i] == 0, dithered[i] == 0) << "pixel " << i / 4;
                }
                continue;
            }
            ASSERT_EQ(expanded[i], dithered[i]) << "byte " << i;
        }
        // The same run again gives the same files.
        TempDir again;
        ASSERT_EQ(qfbprep({"dither", format, dir.file("g.tga"), again.path()}, dir.path()).status, 0);
        for (const std::string& member : members)
            EXPECT_EQ(qfbtest::read_file(again.file(member)), qfbtest::read_file(out.file(member))) << member;
    }
}

Bytes with_byte(Bytes bytes, size_t at, uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

// The same uncompressed image with an image ID.
Bytes with_id(const Bytes& file, const std::string& id)
{
    Bytes out(file.begin(), file.begin() + 18);
    out[0] = static_cast<uint8_t>(id.size());
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), file.begin() + 18, file.end());
    return out;
}

TEST(QfbprepCheck, NamesEverySurpriseWithItsFile)
{
    const Bytes frame = image(8, 8, 32), level = image(4, 4, 32);
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 8, 0, 0, 0, 8};
    struct Case {
        const char* what;
        std::map<std::string, Bytes> files;
        const char* base;
        int status;
        std::vector<std::string> said;
    } cases[] = {
        {"a clean set", {{"w-0001.tga", frame}, {"w-a0001.tga", level}, {"w-0002.tga", frame}, {"w-a0002.tga", level}}, "w.tga", 0,
         {"w.tga: 2 frames (w-0001.tga to w-0002.tga), 1 mipmap level per frame\n  level 0: 8 x 8, 32bpp (w-0001.tga)\n"
          "  level 1: 4 x 4, 32bpp (w-a0001.tga)\nmakeqfb packs this set as it stands.\n"}},
        {"a frame after a gap", {{"w-0001.tga", frame}, {"w-0002.tga", frame}, {"w-0004.tga", frame}}, "w.tga", 1,
         {"w-0004.tga is not used: makeqfb stops at the gap before it (w-0003.tga is missing)"}},
        {"frames hidden by a single image", {{"w.tga", frame}, {"w-0001.tga", frame}, {"w-0002.tga", frame}}, "w.tga", 1,
         {"w.tga hides the numbered frames (w-0001.tga and 1 more): makeqfb packs w.tga alone"}},
        {"a frame's name as the base", {{"w-0001.tga", frame}, {"w-0002.tga", frame}}, "w-0001.tga", 1,
         {"w-0001.tga is itself frame 0001 of the set w.tga: makeqfb packs it alone"}},
        {"a level whose frame is missing", {{"w-0001.tga", frame}, {"w-a0003.tga", level}}, "w.tga", 1,
         {"w-a0003.tga is not used: its image w-0003.tga is missing."}},
        {"a level after a missing letter", {{"w-0001.tga", frame}, {"w-b0001.tga", image(2, 2, 32)}}, "w.tga", 1,
         {"w-b0001.tga is not used: w-a0001.tga, the level before it, is missing"}},
        {"a level of the wrong size", {{"w-0001.tga", frame}, {"w-a0001.tga", image(5, 4, 32)}}, "w.tga", 1,
         {"w-a0001.tga is 5 x 4, but level 1 must be 4 x 4, half the level above"}},
        {"frames with different levels", {{"w-0001.tga", frame}, {"w-a0001.tga", level}, {"w-0002.tga", frame}}, "w.tga", 1,
         {"w-0002.tga has 0 mipmap levels, but w-0001.tga has 1: makeqfb refuses the set"}},
        {"a 16-bit frame", {{"w-0001.tga", frame}, {"w-0002.tga", image(8, 8, 16)}}, "w.tga", 1,
         {"w-0002.tga has 16 bits per pixel: makeqfb packs only 24 and 32-bit Targa files"}},
        {"a greyscale frame", {{"w-0001.tga", with_byte(frame, 2, 3)}}, "w.tga", 1,
         {"w-0001.tga: makeqfb refuses it: it is a greyscale image: save it as 24 or 32-bit colour instead."}},
        {"a run-length packet crossing its row (found only by decoding)",
         {{"w-0001.tga", {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 24, 0x20, 0x81, 1, 2, 3}}}, "w.tga", 1,
         {"w-0001.tga: makeqfb refuses it: run-length packet crosses a row end."}},
        {"a PNG file named as a frame", {{"w-0001.tga", frame}, {"w-0002.tga", png}}, "w.tga", 1,
         {"w-0002.tga: makeqfb refuses it: this is a PNG file, not a Targa file: import it with qfbprep."}},
        {"a first frame too large for makeqfb", {{"w-0001.tga", image(1024, 683, 24)}, {"w-a0001.tga", image(512, 341, 24)}},
         "w.tga", 1, {"\nw-0001.tga is too large: 2098176 bytes of pixels, more than the 2097152 bytes (1024 x 512 at 32 bits, "
                      "1024 x 682 at 24) an image may have: "
                      "makeqfb refuses it; make it smaller.\n"}},
        {"a level made from a frame that has changed since",
         {{"w-0001.tga", frame}, {"w-a0001.tga", with_id(level, "qfbprep mipmap 1, made from pixels of digest 0123456789abcdef")}},
         "w.tga", 1, {"w-a0001.tga was made by qfbprep mipmaps from w-0001.tga, which has changed since"}},
        {"frames numbered with one digit", {{"w-1.tga", frame}, {"w-2.tga", frame}}, "w.tga", 1,
         {"w.tga: no file of the set is there", "\nfound w-1.tga: frame numbers have at least four digits (w-0001.tga); "
                                                 "qfbprep pack takes frames named any way\n2 problems.\n"}},
        {"nothing there", {{"w-0003.tga", frame}}, "w.tga", 1,
         {"w.tga: no file of the set is there", "w-0003.tga is not used: makeqfb starts a set at frame 0000 or 0001"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const auto& [name, bytes] : c.files) qfbtest::write_file(dir.file(name), bytes);
        const RunResult run = qfbprep({"check", c.base}, dir.path());
        EXPECT_EQ(run.status, c.status) << run.output;
        for (const std::string& text : c.said) EXPECT_NE(run.output.find(text), std::string::npos) << run.output;
    }
}

// A PNG file of RGBA pixels, top row first, written by libspng.
Bytes encode_png(int w, int h, const Bytes& rgba)
{
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(w);
    ihdr.height = static_cast<uint32_t>(h);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    spng_set_ihdr(ctx, &ihdr);
    EXPECT_EQ(spng_encode_image(ctx, rgba.data(), rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
    size_t size = 0;
    int error = 0;
    uint8_t* data = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
    Bytes png(data, data + size);
    free(data);
    spng_ctx_free(ctx);
    return png;
}

// The same RGBA pixels as Pillow saves them to a Targa file: uncompressed 32 bits with 8 alpha
// bits (descriptor 0x08), bottom row first, and its "TRUEVISION-XFILE" footer.
Bytes pillow_targa(int w, int h, const Bytes& rgba)
{
    Bytes bgra(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) bgra[i] = rgba[i + 2], bgra[i + 1] = rgba[i + 1], bgra[i + 2] = rgba[i], bgra[i + 3] = rgba[i + 3];
    Tga tga = qfbtest::raw_image(w, h, 32, bgra, false);
    tga.descriptor = 0x08;
    Bytes file = tga.to_bytes();
    const Bytes footer = {0, 0, 0, 0, 0, 0, 0, 0, 'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
    file.insert(file.end(), footer.begin(), footer.end());
    return file;
}

TEST(QfbprepImport, PngFramesPackLikeTheSameFramesSavedByPillow)
{
    TempDir dir;
    std::vector<std::string> frames, levels;
    for (int f = 1; f <= 3; ++f) {
        for (int level = 0; level <= 1; ++level) {
            const int w = 12 >> level, h = 6 >> level;
            const Bytes rgba = qfbtest::pattern(w, h, 4, static_cast<uint32_t>(10 * f + level));
            const std::string png = "export-" + std::to_string(f) + (level ? "-small" : "") + ".png";
            qfbtest::write_file(dir.file(png), encode_png(w, h, rgba));
            (level ? levels : frames).push_back(png);
            qfbtest::write_file(dir.file(std::string("p-") + (level ? "a" : "") + "000" + std::to_string(f) + ".tga"),
                                pillow_targa(w, h, rgba));
        }
    }
    std::vector<std::string> args = {"import", "i.tga"};
    args.insert(args.end(), frames.begin(), frames.end());
    ASSERT_EQ(qfbprep(args, dir.path()).status, 0);
    for (int f = 1; f <= 3; ++f)
        ASSERT_EQ(qfbprep({"import", "i.tga", "--mipmap-of", std::to_string(f), levels[f - 1]}, dir.path()).status, 0);
    for (const std::string format : {"4444", "1555", "565"}) {
        ASSERT_EQ(qfbtest::run_makeqfb({format, "8", "i.tga"}, dir.path()).status, 0);
        ASSERT_EQ(qfbtest::run_makeqfb({format, "8", "p.tga"}, dir.path()).status, 0);
        EXPECT_EQ(qfbtest::read_file(dir.file("i.qfb")), qfbtest::read_file(dir.file("p.qfb"))) << format;
    }
}

// The step route's stand-in for --alpha-threshold: alpha below threshold made 0 and the rest 255
// in an uncompressed 32-bit Targa file, top row first, as the tools and these tests write them.
void threshold_file(const std::string& path, int threshold)
{
    Bytes file = qfbtest::read_file(path);
    if (file.size() < 18 || file[16] != 32) return;
    for (size_t i = 18 + file[0] + 3; i < file.size(); i += 4) file[i] = file[i] < threshold ? 0 : 255;
    qfbtest::write_file(path, file);
}

// pack against the route through the step tools: import (or the Targa files copied in order),
// mipmaps, the threshold, dither into a folder, makeqfb there. The two files must be the same,
// byte for byte, and pack must write nothing but its output.
TEST(QfbprepPack, PacksExactlyWhatTheStepToolsPack)
{
    auto png = [](int w, int h, uint32_t seed) { return encode_png(w, h, qfbtest::pattern(w, h, 4, seed)); };
    struct Inputs {
        const char* what;
        std::map<std::string, Bytes> files;
        std::vector<std::string> args;   // the frames as given to pack
        std::vector<std::string> order;  // the order the frames are packed in; empty for a base filename
    } inputs[] = {
        {"PNG frames of an odd size, in natural order",
         {{"run-10.png", png(13, 7, 1)}, {"run-2.png", png(13, 7, 2)}, {"run-1.png", png(13, 7, 3)}},
         {"run-10.png", "run-2.png", "run-1.png"}, {"run-1.png", "run-2.png", "run-10.png"}},
        {"PNG frames by patterns, expanded in natural order; a hidden file and another name left out",
         {{"run-10.png", png(13, 7, 19)}, {"run-2.png", png(13, 7, 20)}, {"run-1.png", png(13, 7, 21)},
          {".run-3.png", png(5, 5, 22)}, {"walk-4.png", png(5, 5, 23)}},
         {"*-1[0-9].png", "run-?.png"}, {"run-1.png", "run-2.png", "run-10.png"}},
        {"PNG frames as given", {{"b.png", png(8, 8, 4)}, {"a.png", png(8, 8, 5)}}, {"b.png", "a.png", "--as-given"},
         {"b.png", "a.png"}},
        {"Targa frames with painted levels",
         {{"s-0001.tga", image(16, 8, 32, 6)}, {"s-a0001.tga", image(8, 4, 32, 7)}, {"s-0002.tga", image(16, 8, 32, 8)},
          {"s-a0002.tga", image(8, 4, 32, 9)}, {"s-0003.tga", image(16, 8, 32, 10)}, {"s-a0003.tga", image(8, 4, 32, 11)}},
         {"s.tga"}, {}},
        {"a single 24-bit image", {{"s.tga", image(9, 5, 24, 12)}}, {"s.tga"}, {}},
        {"run-length frames stored bottom row first",
         {{"s-0001.tga", qfbtest::rle_image(7, 3, 32, qfbtest::pattern(7, 3, 4, 15), false).to_bytes()},
          {"s-0002.tga", qfbtest::rle_image(7, 3, 32, qfbtest::pattern(7, 3, 4, 16), false).to_bytes()}},
         {"s.tga"}, {}},
        {"one Targa file as given, its levels beside it left out",
         {{"s.tga", image(8, 8, 32, 17)}, {"s-a.tga", image(4, 4, 32, 18)}}, {"s.tga", "--as-given"}, {"s.tga"}},
        {"one Targa file by a pattern, a frame file as given, its levels beside it left out",
         {{"s.tga", image(8, 8, 32, 24)}, {"s-a.tga", image(4, 4, 32, 25)}}, {"s.[t]ga"}, {"s.tga"}},
        {"Targa files listed", {{"f10.tga", image(6, 6, 32, 13)}, {"f9.tga", image(6, 6, 32, 14)}}, {"f10.tga", "f9.tga"},
         {"f9.tga", "f10.tga"}},
    };
    const std::vector<std::vector<std::string>> option_sets = {
        {}, {"--mipmaps"}, {"--mipmaps", "2"}, {"--dither"}, {"--mipmaps", "--dither"}, {"--alpha-threshold", "128"},
        {"--alpha-threshold", "100", "--mipmaps", "--dither"}, {"--dither", "ordered"}, {"--dither", "stable"},
        {"--dither", "bayer", "--strength", "0.5"}, {"--mipmaps", "--keep-coverage", "128", "--dither", "--bleed"},
        {"--mipmaps", "1", "--dither", "stable", "--strength", "0.75", "--bleed"},
    };
    for (const Inputs& in : inputs) {
        for (const std::vector<std::string>& options : option_sets) {
            for (const std::string format : {"565", "4444", "1555"}) {
                std::string trace = std::string(in.what) + ", " + format;
                for (const std::string& o : options) trace += " " + o;
                SCOPED_TRACE(trace);
                TempDir dir, steps;
                for (const auto& [name, bytes] : in.files) qfbtest::write_file(dir.file(name), bytes);
                if (in.order.empty()) {
                    for (const auto& [name, bytes] : in.files) qfbtest::write_file(steps.file(name), bytes);
                } else if (in.order[0].find(".png") != std::string::npos) {
                    std::vector<std::string> import = {"import", "s.tga"};
                    for (const std::string& name : in.order) import.push_back(dir.file(name));
                    ASSERT_EQ(qfbprep(import, steps.path()).status, 0);
                } else {
                    for (size_t i = 0; i < in.order.size(); ++i)
                        qfbtest::write_file(steps.file("s-000" + std::to_string(i + 1) + ".tga"), in.files.at(in.order[i]));
                }
                // pack's options as the step jobs take them.
                bool mipmaps = false, dither = false;
                int threshold = -1;
                std::vector<std::string> mipmap_args = {"mipmaps", "s.tga"}, dither_args;
                for (size_t i = 0; i < options.size(); ++i) {
                    const bool valued = i + 1 < options.size() && options[i + 1].rfind("--", 0) != 0;
                    if (options[i] == "--mipmaps") {
                        mipmaps = true;
                        if (valued) mipmap_args.insert(mipmap_args.end(), {"--levels", options[i + 1]});
                    } else if (options[i] == "--keep-coverage") {
                        mipmap_args.insert(mipmap_args.end(), {"--keep-coverage", options[i + 1]});
                    } else if (options[i] == "--alpha-threshold") {
                        threshold = std::stoi(options[i + 1]);
                    } else if (options[i] == "--dither") {
                        dither = true;
                        if (valued) dither_args.insert(dither_args.end(), {"--method", options[i + 1]});
                    } else if (options[i] == "--strength") {
                        dither_args.insert(dither_args.end(), {"--strength", options[i + 1]});
                    } else if (options[i] == "--bleed") {
                        dither_args.push_back("--bleed");
                    }
                }
                if (mipmaps) {
                    ASSERT_EQ(qfbprep(mipmap_args, steps.path()).status, 0);
                }
                // The stand-in rewrites uncompressed files only: the run-length ones skip the threshold.
                if (threshold >= 0 && in.files.begin()->second[2] == 10) continue;
                if (threshold >= 0)
                    for (const auto& entry : std::filesystem::directory_iterator(steps.path())) threshold_file(entry.path(), threshold);
                std::string packed_in = steps.path();
                if (dither) {
                    packed_in = steps.file("out");
                    mkdir(packed_in.c_str(), 0755);
                    std::vector<std::string> args = {"dither", format, "s.tga", packed_in};
                    args.insert(args.end(), dither_args.begin(), dither_args.end());
                    ASSERT_EQ(qfbprep(args, steps.path()).status, 0);
                }
                ASSERT_EQ(qfbtest::run_makeqfb({format, "15", "s.tga"}, packed_in).status, 0);

                const auto before = qfbtest::snapshot(dir.path());
                std::vector<std::string> pack = {"pack", format, "15", "p.qfb"};
                pack.insert(pack.end(), in.args.begin(), in.args.end());
                pack.insert(pack.end(), options.begin(), options.end());
                const RunResult run = qfbprep(pack, dir.path());
                ASSERT_EQ(run.status, 0) << run.output;
                EXPECT_EQ(qfbtest::read_file(dir.file("p.qfb")), qfbtest::read_file(packed_in + "/s.qfb"));
                auto after = qfbtest::snapshot(dir.path());
                after.erase("p.qfb");
                EXPECT_EQ(after, before) << "nothing written but the output";
            }
        }
    }
}

// What a pack drops without refusing is said once, after the packed line: alpha 1555 or 565 loses,
// and the frames after a gap in a base filename's set.
TEST(QfbprepPack, SaysWhatItLeavesOut)
{
    auto flat = [](int alpha) {
        Bytes pixels;
        for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {10, 20, 30, static_cast<uint8_t>(alpha)});
        return qfbtest::raw_image(4, 4, 32, pixels).to_bytes();
    };
    const struct {
        const char* format;
        int alpha;                 // of the first frame; the others are opaque
        std::vector<std::string> options;
        const char* said;          // "" when nothing is noted
    } cases[] = {
        {"1555", 100, {}, "Note: s-0001.tga has 16 pixels of alpha between 0 and 255, and 1555 keeps one bit of it"},
        {"565", 0, {}, "Note: s-0001.tga has 16 pixels that are not opaque, and 565 keeps no alpha"},
        {"1555", 0, {}, ""},
        {"1555", 100, {"--alpha-threshold", "128"}, ""},
        {"4444", 100, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.alpha));
        TempDir dir;
        qfbtest::write_file(dir.file("s-0001.tga"), flat(c.alpha));
        qfbtest::write_file(dir.file("s-0002.tga"), flat(255));
        qfbtest::write_file(dir.file("s-0004.tga"), flat(255));
        std::vector<std::string> args = {"pack", c.format, "12", "s.qfb", "s.tga"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult run = qfbprep(args, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output.find("Note: s-0001.tga") != std::string::npos, *c.said != '\0') << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Note: the set s.tga stops at the gap before it, s-0003.tga is missing: s-0004.tga and "
                                  "the frames after it are not packed"),
                  std::string::npos);
    }
}

TEST(Qfbprep, RefusalsSayWhatToDoAndWriteNothing)
{
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        const char* said;
    } cases[] = {
        {"help", {"--help"}, 0, "usage:    qfbprep pack <1555|4444|565> <fps> <output.qfb> <frames>..."},
        {"no job", {}, 1, "usage:"},
        {"unknown job", {"pak", "w.tga"}, 1, "Unknown job pak (did you mean pack?); qfbprep --help lists them.\n"},
        {"levels out of range", {"mipmaps", "w.tga", "--levels", "0"}, 1,
         "Option --levels takes a whole number from 1 to 159, not 0.\n"},
        {"a mistyped option", {"pack", "565", "12", "w.qfb", "w.tga", "--mipmap"}, 1,
         "Unknown option --mipmap (did you mean --mipmaps?); qfbprep --help lists them.\n"},
        {"a strength without dithering", {"pack", "565", "12", "w.qfb", "w.tga", "--strength", "0.5"}, 1,
         "Option --strength goes with --dither: it scales the dithering.\n"},
        {"a coverage without mipmaps", {"pack", "565", "12", "w.qfb", "w.tga", "--keep-coverage", "9"}, 1,
         "Option --keep-coverage goes with --mipmaps: it sets the coverage of the levels --mipmaps makes.\n"},
        {"unknown format", {"dither", "555", "w.tga", "."}, 1, "Unknown format parameter: 555."},
        {"missing folder", {"dither", "565", "w.tga", "nowhere"}, 1, "Output folder doesn't exist: nowhere"},
        {"dither over the inputs", {"dither", "565", "w.tga", "."}, 1,
         "The output file ./w-0001.tga is one of the input files and would be overwritten."},
        {"no set", {"mipmaps", "x.tga"}, 1, "Either that file doesn't exist"},
        {"no set, but frames of two digits", {"mipmaps", "v.tga"}, 1,
         "that base filename\nfound v-12.tga: frame numbers have at least four digits (v-0012.tga); qfbprep pack takes "
         "frames named any way\n"},
        {"a folder as the base", {"mipmaps", "art"}, 1,
         "art is a folder: give the base filename of a set inside it, such as art/art.tga.\n"},
        {"a folder as the base to check", {"check", "art/"}, 1,
         "art/ is a folder: give the base filename of a set inside it, such as art/art.tga.\n"},
        {"a folder as the base to dither", {"dither", "565", "art", "art"}, 1, "art is a folder: "},
        {"a folder as the base to import into", {"import", "art", "a.png"}, 1, "art is a folder: "},
        {"a Targa file to import", {"import", "n.tga", "w-0001.tga", "w-0002.tga"}, 1,
         "Couldn't read PNG file w-0001.tga: this is a Targa file, not a PNG file: name it as a frame of the set instead "
         "of importing it.\n"},
        {"a JPEG file to import", {"import", "n.tga", "photo.jpg"}, 1,
         "Couldn't read photo.jpg: this is a JPEG file; save it as PNG, which qfbprep reads (as it reads Targa files).\n"},
        {"a JPEG file to pack", {"pack", "565", "12", "w.qfb", "photo.jpg"}, 1,
         "Couldn't read photo.jpg: this is a JPEG file; save it as PNG, which qfbprep reads (as it reads Targa files).\n"},
        {"a broken second frame", {"mipmaps", "w.tga"}, 1, "Couldn't read Targa file w-0002.tga: pixel data is cut short."},
        {"a folder in the way of the last level", {"mipmaps", "w.tga"}, 1,
         "Couldn't write Targa file w-c0002.tga: the finished file could not take its name (Is a directory)."},
        {"an option as the value of --levels", {"mipmaps", "w.tga", "--levels", "--replace"}, 1,
         "Option --levels needs a value, not the option --replace.\n"},
        {"an option as the value of --mipmap-of", {"import", "n.tga", "--mipmap-of", "--levels", "a.png"}, 1,
         "Option --mipmap-of needs a value, not the option --levels.\n"},
        {"import fewer frames than there are", {"import", "w.tga", "a.png"}, 1,
         "Files of the set w.tga that this import does not write are there: w-0002.tga. makeqfb would pack them with "
         "the new files: remove them, or give --replace to have them removed.\n"},
        {"dither into a folder holding other frames", {"dither", "565", "w.tga", "old"}, 1,
         "Files of the set old/w.tga that this dither does not write are there: old/w-0003.tga and old/w-a0003.tga."},
        {"pack into a file not named .qfb", {"pack", "565", "12", "w.tga", "w.tga"}, 1,
         "The output file must be named *.qfb: w.tga\n"},
        {"pack at a bad fps", {"pack", "565", "0", "w.qfb", "w.tga"}, 1, "Bad fps: 0.  Must be an integer greater than zero.\n"},
        {"pack with a threshold out of range", {"pack", "565", "12", "w.qfb", "w.tga", "--alpha-threshold", "300"}, 1,
         "Option --alpha-threshold takes a whole number from 0 to 255, not 300.\n"},
        {"pack frames of two sizes", {"pack", "4444", "12", "w.qfb", "w-0001.tga", "small.tga"}, 1,
         "w-0001.tga is 8 x 8, 32bpp, but the first frame small.tga is 4 x 4, 32bpp: give every frame the same size and "
         "depth.\n"},
        {"pack a broken second frame", {"pack", "565", "12", "w.qfb", "w.tga"}, 1,
         "Couldn't read Targa file w-0002.tga: pixel data is cut short."},
        {"pack a pattern that matches nothing", {"pack", "4444", "12", "a.qfb", "none-*.png"}, 1,
         "Couldn't read PNG file none-*.png: cannot open the file.\n"},
        {"pack a GIF file cut short", {"pack", "4444", "auto", "a.qfb", "cut.gif"}, 1,
         "Couldn't read GIF file cut.gif: the file is cut short.\n"},
        {"pack a damaged WebP file", {"pack", "4444", "12", "a.qfb", "cut.webp"}, 1,
         "Couldn't read WebP file cut.webp: the file is cut short.\n"},
        {"pack a damaged Aseprite file", {"pack", "4444", "12", "a.qfb", "cut.aseprite"}, 1,
         "Couldn't read Aseprite file cut.aseprite: the file ends inside its 128-byte header.\n"},
        {"pack a damaged KTX2 file", {"pack", "4444", "12", "a.qfb", "cut.ktx2"}, 1,
         "Couldn't read KTX2 file cut.ktx2: too short for a KTX2 header and its level index.\n"},
        {"pack a sheet that is not a whole number of cells", {"pack", "4444", "12", "a.qfb", "w-0001.tga", "--cell", "3x4"},
         1, "Couldn't read Targa file w-0001.tga: the sheet is 8 x 8 pixels, not a whole number of cells of 3 x 4.\n"},
        {"pack a sheet of a grid that does not divide it", {"pack", "4444", "12", "a.qfb", "w-0001.tga", "--grid", "3x1"},
         1, "the sheet is 8 x 8 pixels, which a grid of 3 x 1 cells does not divide into whole cells.\n"},
        {"pack with a grid that is not two numbers", {"pack", "4444", "12", "a.qfb", "w-0001.tga", "--grid", "8"}, 1,
         "Bad --grid: 8.  Must be columns x rows, such as 8x4: an x must stand between the two numbers.\n"},
        {"pack --cells without a layout", {"pack", "4444", "12", "a.qfb", "w-0001.tga", "--cells", "3"}, 1,
         "Option --cells goes with --grid or --cell: it counts the cells a sheet's layout cuts.\n"},
        {"pack --tag without an Aseprite file", {"pack", "4444", "12", "a.qfb", "w-0001.tga", "--tag", "run"}, 1,
         "--tag picks the frames of an Aseprite file (.ase, .aseprite), and no frame file is one.\n"},
        {"pack at fps auto frames without durations", {"pack", "4444", "auto", "a.qfb", "w.tga"}, 1,
         "fps auto takes the rate from the frames' durations, which only GIF, WebP and Aseprite files and KTX2 "
         "textures of several frames give: give fps as a number.\n"},
        {"dither into a folder whose names are too long", {"dither", "565", "w.tga", std::string(250, 'f')}, 1,
         "File names made from this base filename would be longer than 255 characters: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("w-0001.tga"), image(8, 8, 32));
        Bytes cut = image(8, 8, 32);
        cut.resize(100);
        const bool broken = c.what == std::string("a broken second frame") || c.what == std::string("pack a broken second frame");
        qfbtest::write_file(dir.file("w-0002.tga"), broken ? cut : image(8, 8, 32));
        qfbtest::write_file(dir.file("small.tga"), image(4, 4, 32));
        mkdir(dir.file("old").c_str(), 0755);
        qfbtest::write_file(dir.file("old/w-0003.tga"), image(8, 8, 32));
        qfbtest::write_file(dir.file("old/w-a0003.tga"), image(4, 4, 32));
        if (c.what == std::string("a folder in the way of the last level")) mkdir(dir.file("w-c0002.tga").c_str(), 0755);
        mkdir(dir.file(std::string(250, 'f')).c_str(), 0755);
        mkdir(dir.file("art").c_str(), 0755);
        qfbtest::write_file(dir.file("v-12.tga"), image(8, 8, 32));
        qfbtest::write_file(dir.file("photo.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0});
        qfbtest::write_file(dir.file("cut.gif"), {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0});
        qfbtest::write_file(dir.file("cut.webp"), {'R', 'I', 'F', 'F', 32, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'});
        qfbtest::write_file(dir.file("cut.aseprite"), Bytes(100, 0));
        qfbtest::write_file(dir.file("cut.ktx2"), {0xAB, 'K', 'T', 'X', ' ', '2', '0', 0xBB, '\r', '\n', 0x1A, '\n'});
        const auto before = qfbtest::snapshot(dir.path());
        const RunResult run = qfbprep(c.args, dir.path());
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_EQ(qfbtest::snapshot(dir.path()), before) << "no file written or changed";
    }
}

// --replace removes what would be packed with the new files, once they are in place.
TEST(Qfbprep, ReplaceRemovesTheFilesThatWouldBePackedWithTheNewOnes)
{
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> files;
        const char* packed;  // the set makeqfb then packs
        const char* said;
    } cases[] = {
        {"import", {"import", "w.tga", "a.png", "--replace"}, {"w-0001.tga", "w-0002.tga", "w-0003.tga", "w-a0003.tga"},
         "w.tga", "1 frame, 0 mipmaps per frame\n"},
        {"dither", {"dither", "565", "w.tga", "old", "--replace"}, {"w-0001.tga", "w-0002.tga", "old/w-0003.tga", "old/w.tga"},
         "old/w.tga", "2 frames, 0 mipmaps per frame\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        mkdir(dir.file("old").c_str(), 0755);
        for (const std::string& name : c.files) qfbtest::write_file(dir.file(name), image(8, 8, 32));
        qfbtest::write_file(dir.file("a.png"), encode_png(8, 8, qfbtest::pattern(8, 8, 4)));
        const RunResult run = qfbprep(c.args, dir.path());
        ASSERT_EQ(run.status, 0) << run.output;
        const RunResult packed = qfbtest::run_makeqfb({"565", "12", c.packed}, dir.path());
        EXPECT_EQ(packed.output.rfind(c.said, 0), 0u) << packed.output;
    }
}

// Files written on several threads at once get the mode the umask gives, every one of them: no
// thread ever changes the umask to read it.
TEST(Qfbprep, EveryFileWrittenOnEveryThreadGetsTheUmasksMode)
{
    TempDir dir;
    const Bytes frame = image(1, 1, 24);  // tiny: the writing of files is all there is to do
    for (int f = 1; f <= 3000; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "u-%04d.tga", f);
        qfbtest::write_file(dir.file(name), frame);
    }
    const mode_t old_mask = umask(077);
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        TempDir out;
        const RunResult dithered = qfbprep({"dither", "565", "u.tga", out.path()}, dir.path());
        ASSERT_EQ(dithered.status, 0) << dithered.output;
        int wrong = 0;
        for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
            struct stat info {};
            wrong += stat(entry.path().c_str(), &info) != 0 || (info.st_mode & 0777) != 0600;
        }
        EXPECT_EQ(wrong, 0) << "files not 0600";
    }
    umask(old_mask);
}

}  // namespace
