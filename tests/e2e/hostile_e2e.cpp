// End to end: hostile Targa files, the known failures of other Targa readers, handed to the real
// binary. Each is tried alone and as the second frame of a sound set: the run ends with status 1
// and a message naming the file, and leaves no output and no temporary file. Odd files that are
// still sound convert into a QFB file of exactly the size its header promises.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qfbtest::Bytes;
using qfbtest::Tga;

// "{}" in a message stands for the file's name.
std::string expand(const std::string& message, const std::string& name)
{
    std::string out = message;
    const size_t at = out.find("{}");
    if (at != std::string::npos) out.replace(at, 2, name);
    return out;
}

std::set<std::string> folder_entries(const std::string& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

Tga raw(int w, int h, int depth = 24) { return qfbtest::raw_image(w, h, depth, qfbtest::pattern(w, h, depth / 8, 3)); }
Tga rle(int w, int h, int depth = 24) { return qfbtest::rle_image(w, h, depth, qfbtest::pattern(w, h, depth / 8, 3)); }

Bytes cut(Bytes bytes, size_t keep)
{
    bytes.resize(keep);
    return bytes;
}

// A 24-bit run-length file of w x h whose pixel data is exactly the given packets.
Bytes packets(int w, int h, const Bytes& data)
{
    Tga tga = rle(w, h);
    tga.data = data;
    return tga.to_bytes();
}

// A 4 x 2 true-colour file that declares a colour map of length entries of entry_bits each,
// followed by map_bytes bytes of map and then the 24 bytes of pixels.
Bytes with_colour_map(uint8_t type, uint16_t length, uint8_t entry_bits, size_t map_bytes)
{
    Tga tga = type == 9 || type == 10 ? rle(4, 2) : raw(4, 2);
    tga.image_type = type;
    tga.colour_map_type = 1;
    tga.colour_map_length = length;
    tga.colour_map_entry_size = entry_bits;
    tga.colour_map = Bytes(map_bytes, 0x33);
    return tga.to_bytes();
}

Bytes sized(uint16_t w, uint16_t h, uint8_t depth = 24, const Bytes& data = {})
{
    Tga tga;
    tga.width = w;
    tga.height = h;
    tga.pixel_depth = depth;
    tga.data = data;
    return tga.to_bytes();
}

Bytes header_field(Bytes bytes, size_t offset, uint8_t value)
{
    bytes[offset] = value;
    return bytes;
}

const std::string CUT = "Couldn't read Targa file {}: pixel data is cut short.\n";
const std::string CROSSES = "Couldn't read Targa file {}: run-length packet crosses a row end.\n";
const std::string HEADER_CUT = "Couldn't read Targa file {}: header is cut short.\n";
const std::string GREYSCALE = "Couldn't read Targa file {}: it is a greyscale image: save it as 24 or 32-bit colour instead.\n";
const std::string SIXTEEN = "Couldn't read Targa file {}: it has 16-bit colour: save it as 24 or 32-bit colour instead.\n";
const std::string MISMATCH = "Not all frames are of the same size and bits-per-pixel: {} is ";
const Bytes PIXEL = {1, 2, 3};

Bytes repeat(const Bytes& unit, int times)
{
    Bytes out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

struct Hostile {
    const char* what;
    Bytes file;
    std::string alone;   // message when it is the only image ("" when its size alone is refused first)
    int w, h, depth;     // the sound first frame it follows as frame 2 (w 0: not tried that way)
    std::string second;  // message when it is the second frame, after "name:  "
};

std::vector<Hostile> hostile_files()
{
    const Bytes raw42 = raw(4, 2).to_bytes();
    const Bytes rle42 = rle(4, 2).to_bytes();
    const std::string big_cut = "Couldn't read Targa file {}: pixel data is cut short.\n";
    return {
        // Headers only, or not even that.
        {"empty file", {}, HEADER_CUT, 4, 2, 24, HEADER_CUT},
        {"17 bytes of header", cut(raw42, 17), HEADER_CUT, 4, 2, 24, HEADER_CUT},
        {"raw header only", cut(raw42, 18), CUT, 4, 2, 24, CUT},
        {"run-length header only", cut(rle42, 18), CUT, 4, 2, 24, CUT},
        // Pixel data cut short.
        {"raw pixels one byte short", cut(raw42, raw42.size() - 1), CUT, 4, 2, 24, CUT},
        {"raw pixels half there", cut(raw42, 18 + 12), CUT, 4, 2, 24, CUT},
        {"run-length packets end before the last row", packets(4, 2, {0x83, 1, 2, 3}), CUT, 4, 2, 24, CUT},
        {"raw packet's pixels run past the end of the file", packets(4, 2, join({{0x83}, PIXEL, {0x03}, repeat(PIXEL, 2)})), CUT, 4, 2, 24, CUT},
        {"run packet without its pixel at the end of the file", packets(4, 2, join({{0x83}, PIXEL, {0x83, 1}})), CUT, 4, 2, 24, CUT},
        // Run-length counts larger than the room left.
        {"run packet longer than the room left in a row", packets(4, 2, join({{0x00}, PIXEL, {0x83}, PIXEL, {0x83}, PIXEL})), CROSSES, 4, 2, 24, CROSSES},
        {"raw packet longer than the room left in a row", packets(4, 2, join({{0x04}, repeat(PIXEL, 8)})), CROSSES, 4, 2, 24, CROSSES},
        {"run of 128 in the last row", packets(4, 2, join({{0x83}, PIXEL, {0xFF}, PIXEL})), CROSSES, 4, 2, 24, CROSSES},
        {"raw packet of 128 in the last row", packets(4, 2, join({{0x83}, PIXEL, {0x7F}, repeat(PIXEL, 128)})), CROSSES, 4, 2, 24, CROSSES},
        {"run of 128 in a one-pixel image", packets(1, 1, join({{0xFF}, PIXEL})), CROSSES, 1, 1, 24, CROSSES},
        // Huge dimensions with a tiny file.
        {"32767 x 32767 in 18 bytes", sized(32767, 32767), "{} is too large: ", 4, 2, 24, MISMATCH},
        {"the largest image that fits, 10 bytes of pixels", sized(1024, 682, 24, Bytes(10, 7)), big_cut, 1024, 682, 24, big_cut},
        {"1024 x 512 run-length in one packet", packets(1024, 512, join({{0xFF}, PIXEL})), CUT, 1024, 512, 24, CUT},
        // Colour maps with too many or oversized entries.
        {"65535 map entries in a small file", with_colour_map(2, 65535, 24, 30), "Couldn't read Targa file {}: colour map is cut short.\n", 4, 2, 24, "Couldn't read Targa file {}: colour map is cut short.\n"},
        {"colour-mapped run-length type, 65535 entries", with_colour_map(9, 65535, 24, 0), "Couldn't read Targa file {}: colour map is cut short.\n", 4, 2, 24, "Couldn't read Targa file {}: colour map is cut short.\n"},
        {"map entries of 255 bits", with_colour_map(2, 16, 255, 0), "Couldn't read Targa file {}: colour map is cut short.\n", 4, 2, 24, "Couldn't read Targa file {}: colour map is cut short.\n"},
        {"a declared map that swallows pixels", with_colour_map(2, 2, 24, 0), CUT, 4, 2, 24, CUT},
        {"8-bit colour-mapped image, 300 entries", header_field(header_field(with_colour_map(1, 300, 24, 900), 16, 8), 2, 1),
         "Only 24 and 32 bit Targas are supported.\n", 4, 2, 24, MISMATCH},
        // ID fields running past the end of the file.
        {"255-byte ID field in a 28-byte file", header_field(cut(raw42, 28), 0, 255), "Couldn't read Targa file {}: image id field is cut short.\n", 4, 2, 24,
         "Couldn't read Targa file {}: image id field is cut short.\n"},
        {"ID field in a header-only file", header_field(cut(raw42, 18), 0, 1), "Couldn't read Targa file {}: image id field is cut short.\n", 4, 2, 24,
         "Couldn't read Targa file {}: image id field is cut short.\n"},
        // Zero and negative sizes.
        {"width 32768 (negative)", sized(0x8000, 2), "Couldn't read Targa file {}: width or height too large.\n", 4, 2, 24,
         "Couldn't read Targa file {}: width or height too large.\n"},
        {"height 65535 (negative)", sized(4, 0xFFFF), "Couldn't read Targa file {}: width or height too large.\n", 4, 2, 24,
         "Couldn't read Targa file {}: width or height too large.\n"},
        {"zero width after a sound frame", sized(0, 2, 24, Bytes(30, 1)), "", 4, 2, 24, MISMATCH},
        {"zero height after a sound frame", sized(4, 0), "", 4, 2, 24, MISMATCH},
        // Headers the reader does not take.
        {"image type 0", header_field(raw42, 2, 0), "Couldn't read Targa file {}: unsupported image type.\n", 4, 2, 24,
         "Couldn't read Targa file {}: unsupported image type.\n"},
        {"7 bits per pixel", header_field(raw42, 16, 7), "Couldn't read Targa file {}: unsupported pixel depth.\n", 4, 2, 24,
         "Couldn't read Targa file {}: unsupported pixel depth.\n"},
        // Files that are something else say what to do instead.
        {"image type 3 (greyscale)", header_field(raw42, 2, 3), GREYSCALE, 4, 2, 24, GREYSCALE},
        {"15 bits per pixel", header_field(raw42, 16, 15), SIXTEEN, 4, 2, 24, SIXTEEN},
        {"16 bits with one alpha bit", header_field(header_field(raw42, 16, 16), 17, 0x21), SIXTEEN, 4, 2, 24, SIXTEEN},
        {"a PNG file", join({{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, Bytes(40, 0)}),
         "Couldn't read Targa file {}: this is a PNG file, not a Targa file: import it with qfbprep.\n", 4, 2, 24,
         "Couldn't read Targa file {}: this is a PNG file, not a Targa file: import it with qfbprep.\n"},
    };
}

// Runs base in folder and checks the refusal: status 1, the message, no new file.
void expect_refused(const qfbtest::TempDir& dir, const std::string& base, const std::string& output,
                    const std::string& message)
{
    const std::set<std::string> before = folder_entries(dir.path());
    const qfbtest::RunResult run = qfbtest::run_makeqfb({"565", "15", base}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(message), std::string::npos) << "expected: " << message << "\ngot:\n" << run.output;
    EXPECT_FALSE(qfbtest::exists(dir.file(output)));
    EXPECT_EQ(folder_entries(dir.path()), before) << "no file is left behind";
}

TEST(Hostile, EveryFileIsRefusedAloneAndAsALaterFrame)
{
    for (const Hostile& c : hostile_files()) {
        SCOPED_TRACE(c.what);
        if (!c.alone.empty()) {
            qfbtest::TempDir dir;
            qfbtest::write_file(dir.file("h.tga"), c.file);
            expect_refused(dir, "h.tga", "h.qfb", expand(c.alone, "h.tga"));
        }
        if (c.w != 0) {
            qfbtest::TempDir dir;
            qfbtest::write_file(dir.file("s-0001.tga"), raw(c.w, c.h, c.depth).to_bytes());
            qfbtest::write_file(dir.file("s-0002.tga"), c.file);
            expect_refused(dir, "s.tga", "s.qfb", "s-0002.tga:  " + expand(c.second, "s-0002.tga"));
        }
    }
}

// The same files as mipmap levels of a sound image: the level's expected size is half the
// base's, so the base is made twice as large as the hostile file's sound counterpart.
TEST(Hostile, HostileMipmapLevelsAreRefused)
{
    for (const Hostile& c : hostile_files()) {
        if (c.w == 0 || c.second == MISMATCH || c.w > 512) continue;
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        qfbtest::write_file(dir.file("m.tga"), raw(2 * c.w, 2 * c.h, c.depth).to_bytes());
        qfbtest::write_file(dir.file("m-a.tga"), c.file);
        expect_refused(dir, "m.tga", "m.qfb", "m-a.tga:  " + expand(c.second, "m-a.tga"));
    }
}

// A named pipe where a member should be would block any reader until someone writes to it: the
// tool takes it for a missing file and never waits for it.
TEST(Hostile, NamedPipesNeverHangTheRun)
{
    const struct {
        const char* what;
        std::vector<std::string> sound_files;
        std::string pipe;
        int status;
        std::string last_line;
    } cases[] = {
        {"the only image", {}, "p.tga", 1, "that base filename\n"},
        {"the second frame", {"p-0001.tga"}, "p-0002.tga", 0, "Conversion complete.\n"},
        {"a mipmap level", {"p.tga"}, "p-a.tga", 0, "Conversion complete.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        for (const std::string& name : c.sound_files) qfbtest::write_file(dir.file(name), raw(4, 2).to_bytes());
        ASSERT_EQ(mkfifo(dir.file(c.pipe).c_str(), 0644), 0);
        const qfbtest::RunResult run = qfbtest::run_makeqfb({"565", "15", "p.tga"}, dir.path());
        EXPECT_EQ(run.status, c.status);
        ASSERT_GE(run.output.size(), c.last_line.size());
        EXPECT_EQ(run.output.substr(run.output.size() - c.last_line.size()), c.last_line) << run.output;
        EXPECT_EQ(qfbtest::exists(dir.file("p.qfb")), c.status == 0);
    }
}

// Odd files that are still sound: they convert, and the file holds exactly what its header says.
TEST(Hostile, OddButSoundFilesConvert)
{
    Tga id_and_map = raw(4, 2);
    id_and_map.id = Bytes(255, 'i');
    id_and_map.colour_map_type = 1;
    id_and_map.colour_map_length = 300;  // more than a palette holds: skipped, never used
    id_and_map.colour_map_entry_size = 32;
    id_and_map.colour_map = Bytes(1200, 0x44);
    Bytes extra = raw(4, 2).to_bytes();
    extra.insert(extra.end(), 1000, 0xEE);
    Tga packet_per_pixel = rle(4, 2);
    packet_per_pixel.data = repeat(join({{0x80}, PIXEL}), 8);
    const struct {
        const char* what;
        Bytes file;
        int width, height;
    } cases[] = {
        {"zero width with bytes after the header", sized(0, 5, 24, Bytes(40, 9)), 0, 5},
        {"zero height, header only", sized(7, 0), 7, 0},
        {"zero by zero", sized(0, 0, 32), 0, 0},
        {"255-byte ID field and a 300-entry 32-bit colour map", id_and_map.to_bytes(), 4, 2},
        {"extra bytes after the pixels", extra, 4, 2},
        {"a run packet for every pixel", packet_per_pixel.to_bytes(), 4, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        qfbtest::write_file(dir.file("o.tga"), c.file);
        const qfbtest::RunResult run = qfbtest::run_makeqfb({"1555", "15", "o.tga"}, dir.path());
        EXPECT_EQ(run.status, 0) << run.output;
        const uint64_t size = 32 + 2 * static_cast<uint64_t>(c.width) * static_cast<uint64_t>(c.height);
        EXPECT_NE(run.output.find("qfb file created:  o.qfb (" + std::to_string(size) + " bytes)\n"), std::string::npos) << run.output;
        ASSERT_TRUE(qfbtest::exists(dir.file("o.qfb")));
        EXPECT_EQ(qfbtest::read_file(dir.file("o.qfb")).size(), size);
        EXPECT_EQ(folder_entries(dir.path()), (std::set<std::string>{"o.qfb", "o.tga"}));
    }
}

}  // namespace
