// The Aseprite reader on sprites written here from the format description: each feature drawn
// against a reference composited in floating point, each refused feature named, every damaged
// file refused with its outcome, and each tag's frame order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "aseprite_reader.h"
#include "tests/support/aseprite_writer.h"

namespace {

using namespace qfbtest;

struct Px {
    int r, g, b, a;
    bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Px& p)
{
    return out << "(" << p.r << "," << p.g << "," << p.b << "," << p.a << ")";
}

// The normal blend, written apart from the reader in floating point: alpha products rounded to
// the nearest, each colour moved toward the source by Sa / Ra and truncated.
int times(int a, int b) { return static_cast<int>(std::floor(a * b / 255.0 + 0.5)); }
Px over(Px back, Px source, int opacity = 255)
{
    const double sa = times(source.a, opacity);
    if (sa == 0) return back;
    const double ra = sa + back.a - times(back.a, static_cast<int>(sa));
    const auto mix = [&](int b, int s) { return b + static_cast<int>(std::trunc((s - b) * sa / ra)); };
    return {mix(back.r, source.r), mix(back.g, source.g), mix(back.b, source.b), static_cast<int>(ra)};
}

const Px T{0, 0, 0, 0};
const Px A{200, 100, 50, 255};
const Px B{10, 220, 130, 180};
const Px C{90, 30, 250, 77};
const Px P0{1, 2, 3, 255};  // palette entry 0 of the indexed rows

Bytes rgba(const std::vector<Px>& pixels)
{
    Bytes out;
    for (const Px& p : pixels) out.insert(out.end(), {uint8_t(p.r), uint8_t(p.g), uint8_t(p.b), uint8_t(p.a)});
    return out;
}
Bytes row(uint16_t layer, const std::vector<Px>& pixels, uint8_t opacity = 255)
{
    return ase_image_cel(layer, static_cast<uint16_t>(pixels.size()), 1, rgba(pixels), 0, 0, opacity);
}
Bytes layer(const std::string& name, uint16_t level = 0, uint16_t flags = 1, uint8_t opacity = 255,
            uint16_t type = 0, uint16_t blend_mode = 0)
{
    return ase_layer(AseLayer{name, flags, type, level, blend_mode, opacity});
}
Bytes group(const std::string& name, uint16_t level = 0, uint16_t flags = 1, uint8_t opacity = 255)
{
    return layer(name, level, flags, opacity, 1);
}
Bytes sprite(uint16_t width, uint16_t depth, std::vector<AseFrame> frames, uint32_t flags = 1, uint8_t transparent = 0,
             uint16_t height = 1)
{
    return ase_sprite(width, height, depth, std::move(frames), flags, transparent);
}
Bytes one_frame(uint16_t width, uint16_t depth, std::vector<Bytes> chunks, uint32_t flags = 1, uint8_t transparent = 0)
{
    return sprite(width, depth, {AseFrame{100, std::move(chunks)}}, flags, transparent);
}
const Bytes palette3 = ase_palette(3, 0, {{1, 2, 3, 255}, {200, 100, 50, 255}, {10, 220, 130, 180}});

std::vector<Px> pixels_of(const Image& image)
{
    std::vector<Px> out;
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4)
        out.push_back({image.pixels[i + 2], image.pixels[i + 1], image.pixels[i], image.pixels[i + 3]});
    return out;
}

AsepriteOutcome read(const Bytes& bytes, AsepriteSprite& result)
{
    // An exact-size copy, so that a read past the end is caught by the sanitizers.
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return read_aseprite(copy.get(), bytes.size(), result);
}

TEST(AsepriteReader, DrawsEachFeatureAsTheEditor)
{
    // Groups composited apart: the children on a clear canvas, then that canvas at the group's opacity.
    const Px apart0 = over(over(T, B), C), apart1 = over(T, C);
    struct Case {
        const char* what;
        Bytes file;
        std::vector<std::vector<Px>> frames;
        std::vector<uint32_t> durations = {};
    } cases[] = {
        {"RGBA: red, green, blue, alpha as stored", one_frame(2, 32, {layer("a"), row(0, {A, B})}), {{A, B}}},
        {"grayscale: value and alpha", one_frame(2, 16, {layer("a"), ase_image_cel(0, 2, 1, {100, 255, 7, 40})}),
         {{{100, 100, 100, 255}, {7, 7, 7, 40}}}},
        {"indexed: the palette's colours with their alpha, the transparent index clear on a layer",
         one_frame(3, 8, {palette3, layer("a"), ase_image_cel(0, 3, 1, {1, 2, 0})}), {{A, B, T}}},
        {"indexed: the background layer shows the transparent index's colour",
         one_frame(2, 8, {palette3, layer("bg", 0, 1 | 8), ase_image_cel(0, 2, 1, {0, 1})}), {{P0, A}}},
        {"indexed: a transparent index other than 0",
         one_frame(2, 8, {palette3, layer("a"), ase_image_cel(0, 2, 1, {0, 2})}, 1, 2), {{P0, T}}},
        {"indexed: the old palette chunk", one_frame(2, 8, {ase_old_palette({{1, 2, 3}, {200, 100, 50}}), layer("a"),
                                                            ase_image_cel(0, 2, 1, {0, 1})}, 1, 9),
         {{P0, A}}},
        {"indexed: the old 6-bit palette chunk, widened by repeating the top bits",
         one_frame(2, 8, {ase_old_palette({{63, 11, 0}, {32, 48, 1}}, true), layer("a"),
                          ase_image_cel(0, 2, 1, {0, 1})}, 1, 9),
         {{{255, 44, 0, 255}, {130, 195, 4, 255}}}},
        {"indexed: the palette chunk wins over an old one, wherever it stands",
         one_frame(2, 8, {palette3, ase_old_palette({{9, 9, 9}, {9, 9, 9}}), layer("a"),
                          ase_image_cel(0, 2, 1, {0, 1})}, 1, 9),
         {{P0, A}}},
        {"indexed: a palette chunk in a later frame changes its colours, a linked cel's too",
         sprite(2, 8, {{100, {palette3, layer("a"), ase_image_cel(0, 2, 1, {1, 1})}},
                       {100, {ase_palette(3, 1, {{10, 220, 130, 180}}), ase_linked_cel(0, 0)}}}),
         {{A, A}, {B, B}}},
        {"layer opacity", one_frame(2, 32, {layer("a"), layer("b", 0, 1, 128), row(0, {A, T}), row(1, {B, C})}),
         {{over(A, B, 128), over(T, C, 128)}}},
        {"layer opacity is not read when the header says it is not valid",
         one_frame(2, 32, {layer("a"), layer("b", 0, 1, 128), row(0, {A, T}), row(1, {B, C})}, 0),
         {{over(A, B), over(T, C)}}},
        {"cel opacity times layer opacity",
         one_frame(2, 32, {layer("a"), layer("b", 0, 1, 200), row(0, {A, T}), row(1, {B, C}, 100)}),
         {{over(A, B, times(100, 200)), over(T, C, times(100, 200))}}},
        {"a hidden layer is not drawn, whatever its blend mode",
         one_frame(2, 32, {layer("a"), layer("b", 0, 0, 255, 0, 2), row(0, {A, T}), row(1, {B, C})}), {{A, T}}},
        {"a hidden group hides its visible children",
         one_frame(2, 32, {layer("a"), group("g", 0, 0), layer("c", 1), row(0, {A, T}), row(2, {B, B})}), {{A, T}}},
        {"nested groups: every layer in order, bottom first",
         one_frame(2, 32, {group("g1"), layer("x", 1), group("g2", 1), layer("y", 2), layer("z"), row(1, {A, A}),
                           row(3, {T, B}), row(4, {C, T})}),
         {{over(A, C), over(A, B)}}},
        {"groups composited apart, then blended with the group's opacity",
         one_frame(2, 32, {layer("a"), group("g", 0, 1, 100), layer("c1", 1), layer("c2", 1), row(0, {A, A}),
                           row(2, {B, T}), row(3, {C, C})}, 1 | 2),
         {{over(A, apart0, 100), over(A, apart1, 100)}}},
        {"a group's opacity counts only when groups are composited apart",
         one_frame(2, 32, {layer("a"), group("g", 0, 1, 100), layer("c1", 1), layer("c2", 1), row(0, {A, A}),
                           row(2, {B, T}), row(3, {C, C})}),
         {{over(over(A, B), C), over(A, C)}}},
        {"a linked cel shows its original where the original is",
         sprite(2, 32, {{100, {layer("a"), ase_image_cel(0, 1, 1, rgba({B}), 1, 0)}}, {100, {ase_linked_cel(0, 0)}}}),
         {{T, B}, {T, B}}},
        {"a background layer under a layer",
         one_frame(2, 32, {layer("bg", 0, 1 | 8), layer("b"), row(0, {A, {5, 6, 7, 255}}), row(1, {C, T})}),
         {{over(A, C), {5, 6, 7, 255}}}},
        {"cels partly outside the canvas are clipped on every side",
         sprite(2, 32, {{100, {layer("a"), layer("b"), ase_image_cel(0, 2, 2, rgba({A, B, C, A}), -1, 1),
                               ase_image_cel(1, 2, 2, rgba({A, B, C, B}), 1, -1)}}}, 1, 0, 2),
         {{T, C, B, T}}},
        {"a raw cel", one_frame(2, 32, {layer("a"), ase_cel(AseCel{0, 0, 0, 255, 2, 1, rgba({A, C}), true})}), {{A, C}}},
        {"durations: the frame's own, else the header's speed; a frame without cels is clear",
         sprite(2, 32, {{40, {layer("a"), row(0, {A, B})}}, {0, {}}}), {{A, B}, {T, T}}, {40, 100}},
        {"chunks that draw nothing are skipped: user data, slice, mask, path, tileset, sRGB, an extension",
         one_frame(2, 32, {ase_colour_profile(1, 0, 0), ase_external_file(2, "someone/extension"), layer("a"),
                           ase_user_data("note"), row(0, {A, B}), ase_chunk(0x2022, {1, 2, 3}),
                           ase_chunk(0x2016, {4}), ase_chunk(0x2017, {}), ase_chunk(0x2023, {5, 6})}),
         {{A, B}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AsepriteSprite result;
        const AsepriteOutcome outcome = read(c.file, result);
        ASSERT_TRUE(outcome.ok()) << aseprite_problem_text(outcome);
        ASSERT_EQ(result.animation.frames.size(), c.frames.size());
        for (size_t f = 0; f < c.frames.size(); ++f) {
            const Image& image = result.animation.frames[f];
            EXPECT_EQ(image.bits_per_pixel, 32);
            EXPECT_EQ(static_cast<size_t>(image.width) * image.height, c.frames[f].size());
            EXPECT_EQ(pixels_of(image), c.frames[f]) << "frame " << f;
        }
        if (!c.durations.empty()) {
            EXPECT_EQ(result.animation.durations_ms, c.durations);
        }
    }
}

TEST(AsepriteReader, RefusesEachFeatureItDoesNotDrawNamingIt)
{
    const Bytes a = layer("a");
    const Bytes pixels = row(0, {A, B});
    AseCel z_cel{0, 0, 0, 255, 2, 1, rgba({A, B})};
    z_cel.z_index = 1;
    struct Case {
        const char* what;
        Bytes file;
        AsepriteProblem problem;
        const char* text;
    } cases[] = {
        {"another blend mode", one_frame(2, 32, {layer("glow", 0, 1, 255, 0, 2), pixels}),
         AsepriteProblem::blend_mode_not_supported, "layer 'glow' uses the 'screen' blend mode, which is not supported"},
        {"a blend mode of a group composited apart",
         one_frame(2, 32, {layer("fx", 0, 1, 255, 1, 1), layer("b", 1), row(1, {A, B})}, 1 | 2),
         AsepriteProblem::blend_mode_not_supported, "layer 'fx' uses the 'multiply' blend mode, which is not supported"},
        {"a tilemap layer", one_frame(2, 32, {layer("map", 0, 1, 255, 2)}), AsepriteProblem::tilemap_layer,
         "layer 'map' is a tilemap layer, which is not supported"},
        {"a reference layer", one_frame(2, 32, {layer("ref", 0, 1 | 64), pixels}), AsepriteProblem::reference_layer,
         "layer 'ref' is a reference layer, which is not supported"},
        {"a cel's z-index", one_frame(2, 32, {a, ase_cel(z_cel)}), AsepriteProblem::cel_z_index,
         "frame 1: a cel of layer 'a' has the z-index 1, which is not supported"},
        {"a cel scaled to precise bounds", one_frame(2, 32, {a, pixels, ase_cel_extra(1)}),
         AsepriteProblem::cel_precise_bounds, "frame 1: a cel of layer 'a' is scaled to precise bounds, which is not supported"},
        {"an embedded ICC profile", one_frame(2, 32, {ase_colour_profile(2, 0, 0), a, pixels}),
         AsepriteProblem::icc_colour_profile, "the sprite has an embedded ICC colour profile, which is not supported (only sRGB is)"},
        {"a fixed gamma", one_frame(2, 32, {ase_colour_profile(1, 1, 0x10000), a, pixels}),
         AsepriteProblem::fixed_gamma_colour_profile,
         "the sprite's colour profile has a fixed gamma, which is not supported (only sRGB is)"},
        {"an external palette", one_frame(2, 32, {ase_external_file(0, "shared.pal"), a, pixels}),
         AsepriteProblem::external_file, "the sprite's palette is in the external file 'shared.pal', which is not supported"},
        {"a chunk type the description does not list", one_frame(2, 32, {a, pixels, ase_chunk(0x2030, {})}),
         AsepriteProblem::unknown_chunk, "frame 1: a chunk of type 0x2030, which is not known"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AsepriteSprite result;
        const AsepriteOutcome outcome = read(c.file, result);
        EXPECT_EQ(outcome.problem, c.problem);
        EXPECT_EQ(aseprite_problem_text(outcome), c.text);
        EXPECT_TRUE(result.animation.frames.empty());
    }
}

// A small sprite with most chunks: layers in a group, a palette, a tag, a linked cel.
Bytes small_sprite()
{
    return sprite(2, 8, {{100, {palette3, group("g"), layer("a", 1), ase_image_cel(1, 2, 1, {1, 2}),
                                ase_tags({{0, 1, 2, "t"}})}},
                         {50, {ase_linked_cel(1, 0), ase_user_data("x")}}});
}

// Sets the little-endian DWORD at offset.
Bytes with_u32(Bytes bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}
Bytes with_u16(Bytes bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
    return bytes;
}
Bytes header_only(uint16_t width, uint16_t height, uint16_t frames)
{
    AseSprite s;
    s.width = width;
    s.height = height;
    s.header_frames = frames;
    return s.to_bytes();
}

TEST(AsepriteReader, RefusesDamagedFilesWithTheirOutcome)
{
    using P = AsepriteProblem;
    const Bytes good = one_frame(2, 32, {layer("a"), row(0, {A, B})});
    // The first chunk's size sits after the 128-byte header and the 16-byte frame header.
    constexpr size_t FIRST_CHUNK = 144;
    AseCel huge{0, 0, 0, 255, 2, 1, {}};
    huge.width = huge.height = 65535;
    AseCel more{0, 0, 0, 255, 2, 1, rgba({A, B, C})};
    AseCel fewer{0, 0, 0, 255, 2, 1, rgba({A})};
    AseCel raw_short{0, 0, 0, 255, 2, 1, rgba({A}), true};
    AseCel unknown_type{0, 0, 0, 255, 2, 1, {}, false, 0, 7};
    const Bytes zlib = ase_deflate(rgba({A, B}));
    AseCel garbage{0, 0, 0, 255, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, false, 0, 2};
    AseCel cut{0, 0, 0, 255, 2, 1, Bytes(zlib.begin(), zlib.end() - 6), false, 0, 2};
    Bytes name_past_end(16, 0);  // a layer's fields, then a name of 255 bytes that are not there
    name_past_end.insert(name_past_end.end(), {0xFF, 0});
    std::vector<Bytes> deep;
    for (uint16_t level = 0; level <= 33; ++level) deep.push_back(group("g" + std::to_string(level), level));
    struct Case {
        const char* what;
        Bytes file;
        P problem;
    } cases[] = {
        {"shorter than the header", Bytes(good.begin(), good.begin() + 100), P::too_short},
        {"another magic number", with_u16(good, 4, 0xA5E1), P::not_aseprite},
        {"a file size past the end", with_u32(good, 0, static_cast<uint32_t>(good.size() + 1)), P::cut_short},
        {"a file size below the header's", with_u32(good, 0, 127), P::bad_file_size},
        {"no frames", header_only(2, 1, 0), P::no_frames},
        {"a canvas of no pixels", header_only(0, 5, 1), P::empty_canvas},
        {"a colour depth of 24", with_u16(good, 12, 24), P::bad_colour_depth},
        {"a canvas larger than an image may be", header_only(1024, 513, 1), P::canvas_too_large},
        {"more frames of the canvas than a sprite may have", header_only(1024, 512, 129), P::animation_too_large},
        {"more frames than the file has", header_only(2, 1, 1), P::frame_cut_short},
        {"a frame's size past the end", with_u32(good, 128, 0xFFFFFFF0), P::frame_cut_short},
        {"another frame magic number", with_u16(good, 132, 0xF1FB), P::bad_frame_magic},
        {"a chunk's size past its frame", with_u32(good, FIRST_CHUNK, 0x7FFFFFFF), P::chunk_cut_short},
        {"a chunk's size below its own header", with_u32(good, FIRST_CHUNK, 5), P::chunk_cut_short},
        {"a layer's name past its chunk", one_frame(2, 32, {ase_chunk(0x2004, name_past_end)}),
         P::chunk_fields_short},
        {"a cel of 65535 x 65535 pixels", one_frame(2, 32, {layer("a"), ase_cel(huge)}), P::cel_too_large},
        {"a cel on a layer that does not exist", one_frame(2, 32, {layer("a"), row(1, {A})}), P::cel_bad_layer},
        {"a cel on a group", one_frame(2, 32, {group("g"), row(0, {A})}), P::cel_on_group},
        {"two cels on one layer in a frame", one_frame(2, 32, {layer("a"), row(0, {A}), row(0, {B})}), P::duplicate_cel},
        {"a cel type not known", one_frame(2, 32, {layer("a"), ase_cel(unknown_type)}), P::unknown_cel_type},
        {"a tilemap cel on an image layer", one_frame(2, 32, {layer("a"), ase_cel(AseCel{0, 0, 0, 255, 0, 0, Bytes(32, 0), false, 0, 3})}),
         P::tilemap_cel_on_image_layer},
        {"a raw cel's pixels past its chunk", one_frame(2, 32, {layer("a"), ase_cel(raw_short)}), P::cel_pixels_short},
        {"compressed pixels that are not zlib data", one_frame(2, 32, {layer("a"), ase_cel(garbage)}), P::cel_bad_zlib},
        {"zlib data cut short", one_frame(2, 32, {layer("a"), ase_cel(cut)}), P::cel_zlib_cut_short},
        {"zlib data of more pixels than the cel's", one_frame(2, 32, {layer("a"), ase_cel(more)}), P::cel_too_much_data},
        {"zlib data of fewer pixels than the cel's", one_frame(2, 32, {layer("a"), ase_cel(fewer)}), P::cel_too_little_data},
        {"a linked cel to a frame without a cel", sprite(2, 32, {{100, {layer("a")}}, {100, {ase_linked_cel(0, 0)}}}),
         P::bad_link},
        {"a linked cel to a linked cel",
         sprite(2, 32, {{100, {layer("a"), row(0, {A})}}, {100, {ase_linked_cel(0, 0)}}, {100, {ase_linked_cel(0, 1)}}}),
         P::bad_link},
        {"a palette's last entry past its size", one_frame(2, 8, {ase_palette(1, 0, {{1, 2, 3, 4}, {5, 6, 7, 8}})}),
         P::bad_palette_range},
        {"an old palette past 256 entries", one_frame(2, 8, {ase_chunk(0x0004, {1, 0, 255, 2, 1, 2, 3, 4, 5, 6})}),
         P::bad_palette_range},
        {"a 6-bit palette value above 63", one_frame(2, 8, {ase_old_palette({{64, 0, 0}}, true)}), P::bad_palette_value},
        {"a colour index past the palette", one_frame(2, 8, {palette3, layer("a"), ase_image_cel(0, 2, 1, {1, 3})}),
         P::colour_index_past_palette},
        {"a tag past the last frame", one_frame(2, 32, {ase_tags({{0, 1, 0, "run"}})}), P::bad_tag_range},
        {"a tag ending before it starts", sprite(2, 32, {{100, {ase_tags({{1, 0, 0, "run"}})}}, {100, {}}}),
         P::bad_tag_range},
        {"a tag direction not known", one_frame(2, 32, {ase_tags({{0, 0, 4, "run"}})}), P::unknown_tag_direction},
        {"a layer under no group", one_frame(2, 32, {layer("a"), layer("b", 1)}), P::bad_layer_nesting},
        {"a layer two levels below the one before", one_frame(2, 32, {group("g"), layer("b", 2)}), P::bad_layer_nesting},
        {"groups 33 deep", one_frame(2, 32, deep), P::groups_too_deep},
        {"a layer type not known", one_frame(2, 32, {layer("a", 0, 1, 255, 3)}), P::unknown_layer_type},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AsepriteSprite result;
        const AsepriteOutcome outcome = read(c.file, result);
        EXPECT_EQ(outcome.problem, c.problem) << aseprite_problem_text(outcome);
        EXPECT_FALSE(aseprite_problem_text(outcome).empty());
        EXPECT_TRUE(result.animation.frames.empty());
    }
}

// Cut at every length, with the header's size left (the file is cut short) or set to the cut
// (every structure inside must then refuse on its own).
TEST(AsepriteReader, RefusesEveryCutOfASmallSprite)
{
    const Bytes whole = small_sprite();
    AsepriteSprite result;
    ASSERT_TRUE(read(whole, result).ok());
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        const AsepriteOutcome as_cut = read(cut, result);
        EXPECT_EQ(as_cut.problem, length < 128 ? AsepriteProblem::too_short : AsepriteProblem::cut_short);
        if (length < 128) continue;
        const AsepriteOutcome resized = read(with_u32(cut, 0, static_cast<uint32_t>(length)), result);
        EXPECT_FALSE(resized.ok());
        EXPECT_FALSE(aseprite_problem_text(resized).empty());
    }
}

TEST(AsepriteReader, GivesATagsFramesInTheOrderTheEditorPlaysThem)
{
    std::vector<AseFrame> frames(6);
    frames[0].chunks = {ase_tags({{1, 4, 0, "forward"}, {1, 4, 1, "reverse"}, {1, 4, 2, "ping-pong"},
                                  {1, 4, 3, "ping-pong reverse"}, {2, 2, 2, "one"}, {2, 3, 3, "two"}, {0, 0, 0, "twice"},
                                  {5, 5, 0, "twice"}})};
    AsepriteSprite result;
    ASSERT_TRUE(read(sprite(2, 32, frames), result).ok());
    struct Case {
        const char* name;
        std::vector<uint32_t> frames;
    } cases[] = {
        {"", {0, 1, 2, 3, 4, 5}},
        {"forward", {1, 2, 3, 4}},
        {"reverse", {4, 3, 2, 1}},
        {"ping-pong", {1, 2, 3, 4, 3, 2}},
        {"ping-pong reverse", {4, 3, 2, 1, 2, 3}},
        {"one", {2}},
        {"two", {3, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> order;
        EXPECT_TRUE(aseprite_tag_frames(result, c.name, order).ok());
        EXPECT_EQ(order, c.frames);
    }
    std::vector<uint32_t> order;
    const AsepriteOutcome unknown = aseprite_tag_frames(result, "run", order);
    EXPECT_EQ(unknown.problem, AsepriteProblem::unknown_tag);
    EXPECT_EQ(aseprite_problem_text(unknown),
              "no tag is named 'run' (the tags: 'forward', 'reverse', 'ping-pong', 'ping-pong reverse', 'one', 'two', "
              "'twice', 'twice')");
    EXPECT_EQ(aseprite_tag_frames(result, "twice", order).problem, AsepriteProblem::ambiguous_tag);
}

}  // namespace
