// End to end: qfbinfo --compare on files packed by the real makeqfb and qfbprep pack from frames
// made here. Its figures must agree with the ones worked out here, by the definitions and
// without its code (the words as a GPU samples them, PSNR, a blur summed in two dimensions at
// once); hand-made files give known figures exactly; sources that cannot be the file's refused.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::TempDir;

RunResult qfbprep(const std::vector<std::string>& args, const std::string& cwd)
{
    return qfbtest::run_program(QFBPREP_BINARY, args, cwd);
}

// An image, top row first, 3 or 4 bytes a pixel (blue, green, red, alpha).
struct Picture {
    int w = 0, h = 0, bpp = 0;
    Bytes px;
    const uint8_t* at(int x, int y) const { return px.data() + (static_cast<size_t>(y) * w + x) * bpp; }
};

Bytes targa(const Picture& p) { return qfbtest::raw_image(p.w, p.h, p.bpp * 8, p.px).to_bytes(); }

// An uncompressed Targa file, as the tests and qfbprep write them (either row order).
Picture read_targa(const std::string& path)
{
    const Bytes file = qfbtest::read_file(path);
    Picture p;
    if (file.size() < 18 || file[2] != 2) return p;
    p.w = file[12] | file[13] << 8, p.h = file[14] | file[15] << 8, p.bpp = file[16] / 8;
    const size_t row = static_cast<size_t>(p.w) * p.bpp, start = 18 + file[0];
    if (file.size() < start + row * p.h) return Picture{};
    for (int y = 0; y < p.h; ++y) {
        const int stored = (file[17] & 0x20) != 0 ? y : p.h - 1 - y;
        p.px.insert(p.px.end(), file.begin() + static_cast<long>(start + row * stored),
                    file.begin() + static_cast<long>(start + row * (stored + 1)));
    }
    return p;
}

// Smooth gradients with a little noise; in 32 bits alpha runs across, with a fully transparent corner.
Picture frame_picture(int w, int h, int bpp, uint32_t seed)
{
    const Bytes noise = qfbtest::pattern(w, h, bpp, seed);
    Picture p{w, h, bpp, Bytes(static_cast<size_t>(w) * h * bpp)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < bpp; ++c) {
                const size_t i = (static_cast<size_t>(y) * w + x) * bpp + c;
                int v = (c * 70 + 200 * x / w + 110 * y / h + static_cast<int>(seed) * 13) % 240 + noise[i] % 9;
                if (c == 3) v = x + y < 3 ? 0 : 120 + 135 * x / w;
                p.px[i] = static_cast<uint8_t>(v);
            }
    return p;
}

// What a GPU samples of a word: each field v of largest value m as round(v x 255 / m); 1555's
// top bit is set for a transparent pixel; 565 is opaque.
void sampled(uint16_t word, const std::string& format, int out[4])
{
    auto field = [&](int shift, int bits) {
        const int m = (1 << bits) - 1;
        return static_cast<int>(std::lround(((word >> shift) & m) * 255.0 / m));
    };
    if (format == "565") {
        out[0] = field(0, 5), out[1] = field(5, 6), out[2] = field(11, 5), out[3] = 255;
    } else if (format == "4444") {
        out[0] = field(0, 4), out[1] = field(4, 4), out[2] = field(8, 4), out[3] = field(12, 4);
    } else {
        out[0] = field(0, 5), out[1] = field(5, 5), out[2] = field(10, 5), out[3] = (word & 0x8000) != 0 ? 0 : 255;
    }
}

// One level's figures, or the whole file's, as sums.
struct Sums {
    double squared[4] = {}, samples[4] = {};
    double blurred = 0, blurred_samples = 0;
    int largest = 0;
    double steady = 0, flickered = 0;
    void add(const Sums& o, bool with_flicker)
    {
        for (int c = 0; c < 4; ++c) squared[c] += o.squared[c], samples[c] += o.samples[c];
        blurred += o.blurred, blurred_samples += o.blurred_samples;
        largest = std::max(largest, o.largest);
        if (with_flicker) steady += o.steady, flickered += o.flickered;
    }
};

double psnr(double squared, double samples)
{
    return squared == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * samples / squared);
}

// The figures of a level of words against its reference. Colour counts where the reference is
// not fully transparent; the blurred colour error is the kernel's mean over such pixels.
Sums level_sums(const Picture& ref, const std::vector<uint16_t>& words, const Picture* before,
                const std::vector<uint16_t>* before_words, const std::string& format, bool alpha)
{
    Sums s;
    const int w = ref.w, h = ref.h;
    std::vector<double> error[4], counts(static_cast<size_t>(w) * h);
    for (auto& e : error) e.assign(counts.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            int shown[4];
            sampled(words[i], format, shown);
            const uint8_t* p = ref.at(x, y);
            const bool colour = ref.bpp == 3 || p[3] != 0;
            counts[i] = colour;
            for (int c = 0; c < 4; ++c) {
                if (c < 3 ? !colour : !alpha) continue;
                const int e = p[c] - shown[c];
                error[c][i] = e;
                s.squared[c] += e * e, s.samples[c] += 1, s.largest = std::max(s.largest, std::abs(e));
            }
            if (before != nullptr && std::equal(p, p + ref.bpp, before->at(x, y))) {
                s.steady += 1;
                s.flickered += words[i] != (*before_words)[i];
            }
        }
    double g[7], total = 0;
    for (int k = -3; k <= 3; ++k) total += g[k + 3] = std::exp(-k * k / 2.0);
    for (double& v : g) v /= total;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double colour[3] = {}, weight = 0, a = 0;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) {
                    const size_t q = static_cast<size_t>(std::clamp(y + dy, 0, h - 1)) * w + std::clamp(x + dx, 0, w - 1);
                    const double k = g[dy + 3] * g[dx + 3];
                    weight += k * counts[q];
                    for (int c = 0; c < 3; ++c) colour[c] += k * counts[q] * error[c][q];
                    a += k * error[3][q];
                }
            if (counts[static_cast<size_t>(y) * w + x] != 0)
                for (double c : colour) s.blurred += (c / weight) * (c / weight), s.blurred_samples += 1;
            if (alpha) s.blurred += a * a, s.blurred_samples += 1;
        }
    return s;
}

// The token after key in a line of the output: a number, inf, absent or null.
std::string token(const std::string& line, const std::string& key)
{
    const size_t at = line.find(key);
    if (at == std::string::npos) return "(no " + key + ")";
    const size_t start = at + key.size();
    return line.substr(start, line.find_first_of(" ,;}", start) - start);
}

// Checks every figure of one line of the text (json false) or JSON form against sums.
void expect_figures(const std::string& line, const Sums& s, bool alpha, bool flicker, bool json)
{
    SCOPED_TRACE(line);
    const char* names[5] = {"blue", "green", "red", "alpha", "all"};
    auto key = [json](const std::string& name) { return json ? "\"" + name + "\": " : " " + name + " "; };
    auto expect_db = [&](const std::string& k, double expected) {
        const std::string t = token(line, k);
        if (std::isinf(expected)) {
            EXPECT_EQ(t, json ? "null" : "inf") << k;
        } else {
            EXPECT_NEAR(std::stod(t), expected, 0.01) << k;
        }
    };
    double squared = 0, samples = 0;
    for (int c = 0; c < 4; ++c) {
        squared += s.squared[c], samples += s.samples[c];
        if (c == 3 && !alpha) {
            EXPECT_EQ(token(line, key(names[c])), json ? "null" : "absent");
        } else {
            expect_db(key(names[c]), psnr(s.squared[c], s.samples[c]));
        }
    }
    expect_db(key("all"), psnr(squared, samples));
    expect_db(json ? "\"blurred_psnr\": " : " blurred ", psnr(s.blurred, s.blurred_samples));
    EXPECT_EQ(token(line, json ? "\"largest_error\": " : " largest error "), std::to_string(s.largest));
    const std::string f = json ? "\"flicker\": " : " flicker ";
    if (!flicker) {
        EXPECT_EQ(token(line, f), json ? "null" : "(no " + f + ")");
    } else {
        EXPECT_NEAR(std::stod(token(line, f)), s.steady == 0 ? 0 : 100 * s.flickered / s.steady, 0.005);
    }
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// A JSON document's brackets balance outside its strings, and nothing stands before a closing one
// but a value.
void expect_json_shape(const std::string& doc)
{
    int depth = 0;
    bool in_string = false;
    char last = 0;
    for (size_t i = 0; i < doc.size(); ++i) {
        const char c = doc[i];
        if (in_string) {
            if (c == '\\') ++i;
            in_string = c != '"';
            continue;
        }
        if (c == '"') in_string = true;
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') {
            --depth;
            EXPECT_NE(last, ',') << doc.substr(0, i);
        }
        if (c > ' ') last = c;
        EXPECT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    EXPECT_FALSE(in_string);
}

// The level words of a QFB file, read from its header by the format's definition.
struct QfbWords {
    int w = 0, h = 0, frames = 0, mipmaps = 0;
    std::vector<std::vector<std::vector<uint16_t>>> levels;  // [frame][level]
};

QfbWords words_of(const Bytes& file)
{
    QfbWords q;
    auto field = [&](size_t at) { return static_cast<int>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24); };
    q.w = field(8), q.h = field(12), q.frames = field(24), q.mipmaps = field(28);
    size_t at = 32;
    q.levels.resize(static_cast<size_t>(q.frames));
    for (auto& frame : q.levels)
        for (int l = 0; l <= q.mipmaps; ++l) {
            std::vector<uint16_t> words(static_cast<size_t>(q.w >> l) * (q.h >> l));
            for (uint16_t& word : words) word = static_cast<uint16_t>(file.at(at) | file.at(at + 1) << 8), at += 2;
            frame.push_back(words);
        }
    EXPECT_EQ(at, file.size());
    return q;
}

std::string level_letter(int level) { return level == 0 ? "" : std::string(1, static_cast<char>('a' + level - 1)); }

TEST(QfbinfoCompare, FiguresAgreeWithTheDefinitionsOnPackedFiles)
{
    struct Case {
        const char* what;
        std::string format;
        int w, h, bpp, frames;
        int painted;                      // painted levels of every frame
        bool same_frames;                 // every frame the same pixels
        std::vector<std::string> names;   // the frames' files as listed; empty: the set s.tga
        std::vector<int> order;           // the listed files in packing order
        std::vector<std::string> pack;    // qfbprep pack's options; empty: makeqfb packs the set
        std::vector<std::string> compare_options;
    } const cases[] = {
        {"565, one 24-bit image, its levels made by pack", "565", 13, 9, 3, 1, 0, false, {}, {}, {"--mipmaps"}, {}},
        {"4444, three frames with a painted level, the rest made, dithered", "4444", 16, 12, 4, 3, 1, false, {}, {},
         {"--mipmaps", "--dither"}, {}},
        {"1555, two identical frames with painted levels, by makeqfb", "1555", 12, 10, 4, 2, 2, true, {}, {}, {}, {}},
        {"4444, Targa files in natural order, two levels made", "4444", 10, 8, 4, 3, 0, false,
         {"f10.tga", "f9.tga", "f1.tga"}, {2, 1, 0}, {"--mipmaps", "2"}, {}},
        {"565 of 32-bit frames: no alpha, transparent colour left out", "565", 11, 7, 4, 2, 0, false, {}, {},
         {"--mipmaps", "--dither"}, {}},
        {"1555 of 24-bit frames as given, dithered", "1555", 9, 9, 3, 2, 0, false, {"b.tga", "a.tga"}, {0, 1},
         {"--dither", "--as-given"}, {"--as-given"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        // The frames in packing order, each with its painted levels.
        std::vector<std::vector<Picture>> frames(static_cast<size_t>(c.frames));
        for (int f = 0; f < c.frames; ++f)
            for (int l = 0; l <= c.painted; ++l)
                frames[static_cast<size_t>(f)].push_back(
                    frame_picture(c.w >> l, c.h >> l, c.bpp, static_cast<uint32_t>((c.same_frames ? 0 : 10 * f) + l + 1)));
        std::vector<std::string> source = c.names;
        if (c.names.empty()) {
            source = {"s.tga"};
            for (int f = 0; f < c.frames; ++f)
                for (int l = 0; l <= c.painted; ++l) {
                    const std::string number = c.frames == 1 ? "" : (l == 0 ? "-" : "") + std::string("000") + std::to_string(f + 1);
                    const std::string name = "s" + (l > 0 ? "-" + level_letter(l) : "") + number + ".tga";
                    qfbtest::write_file(dir.file(name), targa(frames[static_cast<size_t>(f)][static_cast<size_t>(l)]));
                }
        } else {
            for (size_t i = 0; i < c.names.size(); ++i)
                qfbtest::write_file(dir.file(c.names[i]), targa(frames[static_cast<size_t>(c.order[i])][0]));
        }
        std::vector<std::string> pack = {"pack", c.format, "10", "t.qfb"};
        pack.insert(pack.end(), source.begin(), source.end());
        pack.insert(pack.end(), c.pack.begin(), c.pack.end());
        const RunResult packed = c.pack.empty() ? qfbtest::run_makeqfb({c.format, "10", "s.tga"}, dir.path()) : qfbprep(pack, dir.path());
        ASSERT_EQ(packed.status, 0) << packed.output;
        const std::string file = c.pack.empty() ? "s.qfb" : "t.qfb";
        const QfbWords q = words_of(qfbtest::read_file(dir.file(file)));
        ASSERT_EQ(q.frames, c.frames);

        // The references: the frames as a set in packing order, its levels made by qfbprep mipmaps.
        TempDir ref;
        for (int f = 0; f < c.frames; ++f)
            for (int l = 0; l <= c.painted; ++l)
                qfbtest::write_file(ref.file("r-" + level_letter(l) + "000" + std::to_string(f + 1) + ".tga"),
                                    targa(frames[static_cast<size_t>(f)][static_cast<size_t>(l)]));
        if (q.mipmaps > c.painted) {
            ASSERT_EQ(qfbprep({"mipmaps", "r.tga", "--levels", std::to_string(q.mipmaps)}, ref.path()).status, 0);
        }
        const bool alpha = c.format != "565" && c.bpp == 4;
        std::vector<Sums> expected;
        Sums whole;
        std::vector<Picture> before;
        for (int f = 0; f < c.frames; ++f) {
            std::vector<Picture> levels;
            for (int l = 0; l <= q.mipmaps; ++l) {
                levels.push_back(read_targa(ref.file("r-" + level_letter(l) + "000" + std::to_string(f + 1) + ".tga")));
                ASSERT_EQ(levels.back().w, c.w >> l);
                const size_t at = static_cast<size_t>(l);
                const auto& words = q.levels[static_cast<size_t>(f)];
                expected.push_back(level_sums(levels[at], words[at], f > 0 ? &before[at] : nullptr,
                                              f > 0 ? &q.levels[static_cast<size_t>(f) - 1][at] : nullptr, c.format, alpha));
                whole.add(expected.back(), l == 0);
            }
            before = levels;
        }

        for (const bool json : {false, true}) {
            std::vector<std::string> args = {file, "--compare"};
            args.insert(args.end(), source.begin(), source.end());
            args.insert(args.end(), c.compare_options.begin(), c.compare_options.end());
            if (json) args.push_back("--json");
            const RunResult run = qfbtest::run_qfbinfo(args, dir.path());
            ASSERT_EQ(run.status, 0) << run.output;
            std::vector<std::string> level_lines, summary;
            for (const std::string& line : lines_of(run.output)) {
                if (line.rfind(json ? "    {\"frame\": " : "frame ", 0) == 0) level_lines.push_back(line);
                if (line.find(json ? "\"summary\": " : "whole file, ") != std::string::npos) summary.push_back(line);
            }
            ASSERT_EQ(level_lines.size(), expected.size()) << run.output;
            ASSERT_EQ(summary.size(), 1u) << run.output;
            size_t i = 0;
            for (int f = 0; f < c.frames; ++f)
                for (int l = 0; l <= q.mipmaps; ++l, ++i) {
                    const std::string frame = std::to_string(f + 1), level = std::to_string(l);
                    const std::string w = std::to_string(c.w >> l), h = std::to_string(c.h >> l);
                    const std::string place = json ? "{\"frame\": " + frame + ", \"level\": " + level + ", \"width\": " + w +
                                                         ", \"height\": " + h + ", \"psnr\": {"
                                                   : "frame " + frame + " level " + level + ", " + w + " x " + h + ": PSNR ";
                    EXPECT_NE(level_lines[i].find(place), std::string::npos) << place << " in " << level_lines[i];
                    expect_figures(level_lines[i], expected[i], alpha, f > 0, json);
                }
            expect_figures(summary[0], whole, alpha, c.frames > 1, json);
            if (!json) {
                EXPECT_EQ(summary[0].rfind("whole file, " + std::to_string(expected.size()) + " levels: PSNR", 0), 0u);
                continue;
            }
            expect_json_shape(run.output);
            EXPECT_NE(run.output.find("\n  \"file\": \"" + file + "\",\n"), std::string::npos);
            if (c.names.size() > 1) {  // the source's files in the order their frames are compared
                std::vector<std::string> compared(c.names.size());
                for (size_t i = 0; i < c.names.size(); ++i) compared[static_cast<size_t>(c.order[i])] = c.names[i];
                std::string listed;
                for (const std::string& name : compared) listed += (listed.empty() ? "\"" : ", \"") + name + "\"";
                EXPECT_NE(run.output.find("\n  \"source\": [" + listed + "],\n"), std::string::npos) << run.output;
            }
            EXPECT_NE(run.output.find("\n  \"format\": \"" + c.format + "\",\n"), std::string::npos);
            EXPECT_NE(run.output.find("\n  \"frames\": " + std::to_string(c.frames) + ",\n"), std::string::npos);
            EXPECT_NE(run.output.find(std::string("\n  \"alpha_compared\": ") + (alpha ? "true" : "false") + ",\n"), std::string::npos);
            EXPECT_NE(summary[0].find("\"levels\": " + std::to_string(expected.size()) + ","), std::string::npos);
        }
    }
}

// A QFB file from its header fields and words.
Bytes qfb_file(int w, int h, int format, int frames, int mipmaps, const std::vector<uint16_t>& words)
{
    Bytes out = {'.', 'q', 'f', 'b'};
    for (int v : {1, w, h, format, 10, frames, mipmaps})
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    for (uint16_t word : words) out.push_back(static_cast<uint8_t>(word)), out.push_back(static_cast<uint8_t>(word >> 8));
    return out;
}

// Hand-made files whose figures are known: every line of the text form, where "*" stands for a
// figure worked out by hand elsewhere.
TEST(QfbinfoCompare, HandMadeFilesGiveKnownFigures)
{
    // 4444, three 8 x 8 opaque frames of channels that are multiples of 17 (shown exactly): the
    // second changes a 2 x 2 patch, and its words the blue of three pixels outside it by one
    // step (17); the third is the second again, words and all.
    Picture first{8, 8, 4, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            first.px.insert(first.px.end(), {static_cast<uint8_t>(17 * ((x + y) % 16)), static_cast<uint8_t>(17 * x),
                                             static_cast<uint8_t>(34 * y), 255});
    Picture second = first;
    for (int y = 2; y < 4; ++y)
        for (int x = 2; x < 4; ++x) std::fill_n(second.px.begin() + (8 * y + x) * 4, 3, 0);
    auto words_4444 = [](const Picture& p) {
        std::vector<uint16_t> words;
        for (size_t i = 0; i < p.px.size(); i += 4)
            words.push_back(static_cast<uint16_t>(p.px[i] / 17 | p.px[i + 1] / 17 << 4 | p.px[i + 2] / 17 << 8 | p.px[i + 3] / 17 << 12));
        return words;
    };
    std::vector<uint16_t> flicker_words = words_4444(first), changed = words_4444(second);
    for (int pixel : {0, 13, 63}) changed[static_cast<size_t>(pixel)] ^= 1;
    flicker_words.insert(flicker_words.end(), changed.begin(), changed.end());
    flicker_words.insert(flicker_words.end(), changed.begin(), changed.end());

    // Blue 25, green 61, red 0 in 565 are 3, 15 and 0, shown exactly only when rounded
    // (repeating the bits gives 24 and 60).
    const Picture rounded{2, 1, 3, {25, 61, 0, 255, 255, 255}};
    // 1555: a transparent pixel's colour is left out (its words have none); the opaque one's alpha
    // 200 is shown as 255. Blurred: alpha errors 55 x (0.300475, 0.699525) and exact colour, over 5 values.
    const Picture flagged{2, 1, 4, {10, 20, 30, 0, 255, 0, 0, 200}};

    struct Case {
        const char* what;
        Bytes file;
        std::vector<std::pair<std::string, Picture>> source;
        std::vector<std::string> lines;
    } const cases[] = {
        {"flicker of a changed patch, none of a frame the same", qfb_file(8, 8, 1, 3, 0, flicker_words),
         {{"s-0001.tga", first}, {"s-0002.tga", second}, {"s-0003.tga", second}},
         {"Comparing t.qfb (4444, 3 frames of 8 x 8, 0 mipmap levels each) with its source, 32bpp; frames count from 1, levels from 0.",
          "frame 1 level 0, 8 x 8: PSNR blue inf green inf red inf alpha inf, all inf dB; blurred inf dB; largest error 0",
          // 3 errors of 17 in 64 blue values, 256 values in all; 3 of the 60 pixels outside the patch change.
          "frame 2 level 0, 8 x 8: PSNR blue 36.81 green inf red inf alpha inf, all 42.83 dB; blurred * dB; largest error 17; "
          "flicker 5.00 %",
          "frame 3 level 0, 8 x 8: PSNR blue 36.81 green inf red inf alpha inf, all 42.83 dB; blurred * dB; largest error 17; "
          "flicker 0.00 %",
          // 3 of 124 steady pixels.
          "whole file, 3 levels: PSNR blue 38.57 green inf red inf alpha inf, all 44.59 dB; blurred * dB; largest error 17; "
          "flicker 2.42 % at full size"}},
        {"565 shown rounded", qfb_file(2, 1, 2, 1, 0, {0x01E3, 0xFFFF}), {{"s.tga", rounded}},
         {"Comparing t.qfb (565, 1 frame of 2 x 1, 0 mipmap levels each) with its source, 24bpp: alpha is not compared; frames count from 1, levels from 0.",
          "frame 1 level 0, 2 x 1: PSNR blue inf green inf red inf alpha absent, all inf dB; blurred inf dB; largest error 0",
          "whole file, 1 level: PSNR blue inf green inf red inf alpha absent, all inf dB; blurred inf dB; largest error 0"}},
        {"1555's flag and transparent colour", qfb_file(2, 1, 0, 1, 0, {0x8000, 0x001F}), {{"s.tga", flagged}},
         {"Comparing t.qfb (1555, 1 frame of 2 x 1, 0 mipmap levels each) with its source, 32bpp; frames count from 1, levels from 0.",
          "frame 1 level 0, 2 x 1: PSNR blue inf green inf red inf alpha 16.33, all 20.31 dB; blurred 22.68 dB; largest error 55",
          "whole file, 1 level: PSNR blue inf green inf red inf alpha 16.33, all 20.31 dB; blurred 22.68 dB; largest error 55"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        for (const auto& [name, picture] : c.source) qfbtest::write_file(dir.file(name), targa(picture));
        const RunResult run = qfbtest::run_qfbinfo({"t.qfb", "--compare", "s.tga"}, dir.path());
        EXPECT_EQ(run.status, 0);
        const std::vector<std::string> lines = lines_of(run.output);
        ASSERT_EQ(lines.size(), c.lines.size()) << run.output;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& want = c.lines[i];
            const size_t star = want.find('*');
            if (star == std::string::npos) {
                EXPECT_EQ(lines[i], want);
                continue;
            }
            const std::string head = want.substr(0, star), tail = want.substr(star + 1);
            EXPECT_EQ(lines[i].substr(0, head.size()), head) << lines[i];
            ASSERT_GE(lines[i].size(), head.size() + tail.size()) << lines[i];
            EXPECT_EQ(lines[i].substr(lines[i].size() - tail.size()), tail) << lines[i];
        }
        // As JSON: the first frame has no flicker, and no error has no PSNR.
        const RunResult json = qfbtest::run_qfbinfo({"t.qfb", "--compare", "s.tga", "--json"}, dir.path());
        EXPECT_EQ(json.status, 0);
        expect_json_shape(json.output);
        EXPECT_NE(json.output.find("    {\"frame\": 1, \"level\": 0, \"width\": " + std::to_string(c.source[0].second.w) +
                                   ", \"height\": " + std::to_string(c.source[0].second.h) + ", \"psnr\": {\"blue\": null, "),
                  std::string::npos) << json.output;
        EXPECT_NE(json.output.find("\"flicker\": null}"), std::string::npos) << json.output;
    }
}

// A source that cannot be the file's is refused with one message naming both sides, and nothing
// is written. A refusal of the first frame comes before any figure, in either form.
TEST(QfbinfoCompare, RefusesASourceThatIsNotTheFiles)
{
    auto picture = [](int w, int h, int bpp) { return targa(frame_picture(w, h, bpp, 3)); };
    const std::string packed_from = ": compare a file with the frames it was packed from.\n";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, Bytes>> files;
        std::vector<std::string> source;
        std::string message;
        bool first_frame;  // the message is the whole output
    } const cases[] = {
        {"fewer frames", {{"s-0001.tga", picture(8, 8, 4)}}, {"s.tga"},
         "The source has 1 frame, but t.qfb has 2" + packed_from, true},
        {"more frames listed", {{"a.tga", picture(8, 8, 4)}}, {"a.tga", "a.tga", "a.tga"},
         "The source has 3 frames, but t.qfb has 2" + packed_from, true},
        {"frames of another size", {{"s-0001.tga", picture(8, 6, 4)}, {"s-0002.tga", picture(8, 6, 4)}}, {"s.tga"},
         "s-0001.tga is 8 x 6, but the frames of t.qfb are 8 x 8" + packed_from, true},
        {"a later frame of another size", {{"s-0001.tga", picture(8, 8, 4)}, {"s-0002.tga", picture(6, 8, 4)}}, {"s.tga"},
         "s-0002.tga is 6 x 8, but the frames of t.qfb are 8 x 8" + packed_from, false},
        {"a painted level not half the level above",
         {{"s-0001.tga", picture(8, 8, 4)}, {"s-a0001.tga", picture(3, 3, 4)}, {"s-0002.tga", picture(8, 8, 4)}}, {"s.tga"},
         "s-a0001.tga is 3 x 3, but level 1 of t.qfb is 4 x 4, half the level above.\n", true},
        {"more painted levels than the file has",
         {{"s-0001.tga", picture(8, 8, 4)}, {"s-a0001.tga", picture(4, 4, 4)}, {"s-b0001.tga", picture(2, 2, 4)},
          {"s-0002.tga", picture(8, 8, 4)}}, {"s.tga"},
         "s-0001.tga has 2 mipmap levels, but t.qfb has 1 per frame" + packed_from, true},
        {"a frame of another depth", {{"s-0001.tga", picture(8, 8, 4)}, {"s-0002.tga", picture(8, 8, 3)}}, {"s.tga"},
         "s-0002.tga is 24bpp, but the first frame s-0001.tga is 32bpp: every level of a source has one depth.\n", false},
        {"a painted level of another depth", {{"s-0001.tga", picture(8, 8, 4)}, {"s-a0001.tga", picture(4, 4, 3)},
          {"s-0002.tga", picture(8, 8, 4)}}, {"s.tga"},
         "s-a0001.tga is 24bpp, but the first frame s-0001.tga is 32bpp: every level of a source has one depth.\n", true},
        {"no such set", {}, {"none.tga"},
         "Either that file doesn't exist or there aren't any frames associated with\nthat base filename\n", true},
        {"a listed frame missing", {{"a.tga", picture(8, 8, 4)}}, {"a.tga", "b.tga"},
         "Couldn't read Targa file b.tga: cannot open the file.\n", false},
        {"a PNG file that is not one", {{"a.png", {'x', 'x'}}, {"b.png", {'x'}}}, {"b.png", "a.png"},
         "Couldn't read PNG file a.png: it is cut short.\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), qfb_file(8, 8, 1, 2, 1, std::vector<uint16_t>(160, 0x1234)));
        for (const auto& [name, bytes] : c.files) qfbtest::write_file(dir.file(name), bytes);
        const auto before = qfbtest::snapshot(dir.path());
        for (const bool json : {false, true}) {
            std::vector<std::string> args = {"t.qfb", "--compare"};
            args.insert(args.end(), c.source.begin(), c.source.end());
            if (json) args.push_back("--json");
            const RunResult run = qfbtest::run_qfbinfo(args, dir.path());
            EXPECT_EQ(run.status, 1);
            if (c.first_frame) {
                EXPECT_EQ(run.output, c.message);
            } else {
                ASSERT_GT(run.output.size(), c.message.size()) << run.output;
                EXPECT_EQ(run.output.substr(run.output.size() - c.message.size()), c.message);
            }
        }
        EXPECT_EQ(qfbtest::snapshot(dir.path()), before);
    }
}

}  // namespace
