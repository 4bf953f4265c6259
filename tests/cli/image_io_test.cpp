// Image files through the tool's reader and writer: file samples into each
// depth, colour under zero alpha, compression that changes a file's size
// but never its pixels, and each format's colour convention.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "image_files.h"
#include "runner/media/exr_zip.h"
#include "runner/media/image_io.h"
#include "tool_harness.h"

namespace {

using namespace runner;
using namespace runner;
using cli_test::Picture;
using cli_test::ScratchDir;

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

// A one-row picture of the file's own sample type.
Picture Row(const char* file, std::vector<double> samples) {
    Picture p;
    p.width = static_cast<int>(samples.size() / 4);
    p.height = 1;
    const std::string name(file);
    p.type = name.find("16") != std::string::npos ? OIIO::TypeDesc::UINT16
           : name.find('8') != std::string::npos  ? OIIO::TypeDesc::UINT8
                                                  : OIIO::TypeDesc::FLOAT;
    p.samples = std::move(samples);
    return p;
}

double Opaque(const char* file) {
    const OIIO::TypeDesc type = Row(file, {}).type;
    return type == OIIO::TypeDesc::UINT8 ? 255 : type == OIIO::TypeDesc::UINT16 ? 65535 : 1;
}

double Red(const World& w) {
    switch (w.Format()) {
    case PF_PixelFormat_ARGB32: return w.Pixel8(0, 0).red;
    case PF_PixelFormat_ARGB64: return w.Pixel16(0, 0).red;
    default: return w.PixelFloat(0, 0).red;
    }
}

struct SampleCase {
    const char* file;  // its name gives the sample type: 8, 16, else float
    double sample;     // red, in an opaque pixel
    int32_t bits;      // the world's depth
    bool raw;
    double host;       // the world's red
};

inline void PrintTo(const SampleCase& c, std::ostream* os) {
    *os << c.file << " " << c.sample << " as " << c.bits << (c.raw ? " raw" : "");
}

class Samples : public ::testing::TestWithParam<SampleCase> {};

TEST_P(Samples, BecomeTheWorldsDepthByTheDocumentedFormulas) {
    const SampleCase& c = GetParam();
    ScratchDir dir;
    ASSERT_TRUE(cli_test::WritePicture(dir / c.file, Row(c.file, {c.sample, 0, 0, Opaque(c.file)})));
    Result<World> world = ReadWorld(dir / c.file, c.bits, c.raw);
    ASSERT_TRUE(world.has_value()) << world.error().message;
    if (std::isnan(c.host)) {
        EXPECT_TRUE(std::isnan(Red(*world)));
    } else {
        EXPECT_EQ(Red(*world), c.host);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Samples,
    ::testing::Values(
        // 8-bit c -> 16: round(c * 32768 / 255); -> float: c / 255.
        SampleCase{"in8.png", 0, 16, false, 0}, SampleCase{"in8.png", 1, 16, false, 129},
        SampleCase{"in8.png", 128, 16, false, 16448}, SampleCase{"in8.png", 255, 16, false, 32768},
        SampleCase{"in8.png", 200, 8, false, 200}, SampleCase{"in8.png", 51, 32, false, static_cast<float>(51 / 255.0)},
        // 16-bit f -> 16: round(f * 32768 / 65535); -> 8: round(f * 255 / 65535).
        SampleCase{"in16.png", 65535, 16, false, 32768}, SampleCase{"in16.png", 1, 16, false, 1},
        SampleCase{"in16.png", 3, 16, false, 2}, SampleCase{"in16.png", 32767, 16, false, 16384},
        SampleCase{"in16.png", 128, 8, false, 0}, SampleCase{"in16.png", 129, 8, false, 1},
        // Float stays as it is in float; out-of-range and NaN become 0..1 edges.
        SampleCase{"f.tif", 2.5, 32, false, 2.5}, SampleCase{"f.tif", -0.5, 32, false, -0.5},
        SampleCase{"f.tif", NaN, 32, false, NaN}, SampleCase{"f.tif", 0.5, 16, false, 16384},
        SampleCase{"f.tif", 2.5, 16, false, 32768}, SampleCase{"f.tif", NaN, 16, false, 0},
        SampleCase{"f.tif", INF, 8, false, 255},
        // EXR is linear light: encoded to sRGB for integer depths (0.5 is
        // sRGB 0.7354), as it is in float or with --raw-colour.
        SampleCase{"f.exr", 0.5, 32, false, 0.5}, SampleCase{"f.exr", 0.5, 8, false, 188},
        SampleCase{"f.exr", 0.5, 16, false, 24096}, SampleCase{"f.exr", 0.002, 8, false, 7},
        SampleCase{"f.exr", 0.5, 8, true, 128}, SampleCase{"f.exr", 2.0, 16, false, 32768}));

// What every format holds under zero alpha reaches the world unchanged (an
// EXR's colour there is not divided by its alpha).
TEST(ZeroAlpha, ColourIsKeptInEveryFormat) {
    struct Case {
        const char* file;
        std::vector<double> pixel;
        std::vector<double> want;  // R, G, B in the world at the file's depth
    };
    const Case cases[] = {{"z8.png", {200, 100, 50, 0}, {200, 100, 50}},
                          {"z16.png", {40000, 20000, 10000, 0}, {20000, 10000, 5000}},
                          {"z8.tif", {200, 100, 50, 0}, {200, 100, 50}},
                          {"z16.tif", {40000, 20000, 10000, 0}, {20000, 10000, 5000}},
                          {"zf.tif", {0.75, 0.25, 0.125, 0}, {0.75, 0.25, 0.125}},
                          {"zf.exr", {0.75, 0.25, 0.125, 0}, {0.75, 0.25, 0.125}}};
    ScratchDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(cli_test::WritePicture(dir / c.file, Row(c.file, c.pixel))) << c.file;
        Result<World> w = ReadWorld(dir / c.file, 0, false);
        ASSERT_TRUE(w.has_value()) << w.error().message;
        std::vector<double> got;
        if (w->Format() == PF_PixelFormat_ARGB32) got = {double(w->Pixel8(0, 0).red), double(w->Pixel8(0, 0).green), double(w->Pixel8(0, 0).blue)};
        if (w->Format() == PF_PixelFormat_ARGB64) got = {double(w->Pixel16(0, 0).red), double(w->Pixel16(0, 0).green), double(w->Pixel16(0, 0).blue)};
        if (w->Format() == PF_PixelFormat_ARGB128) got = {w->PixelFloat(0, 0).red, w->PixelFloat(0, 0).green, w->PixelFloat(0, 0).blue};
        EXPECT_EQ(got, c.want) << c.file;
    }
}

// A busy world of `bits` with every alpha from 1 (or 0, with colour, where
// the format keeps it) up.
World Busy(int32_t bits, bool zero_alpha) {
    World w = World::Create(FormatForBits(bits), 61, 37, 8, 0).value();
    for (int32_t y = 0; y < w.Height(); ++y) {
        for (int32_t x = 0; x < w.Width(); ++x) {
            const int32_t v = x * 37 + y * 101;
            const int32_t a = zero_alpha && x % 7 == 0 ? 0 : 1 + (x * 13 + y) % 255;
            if (bits == 8) w.Pixel8(x, y) = PF_Pixel{uint8_t(a), uint8_t(v % 256), uint8_t(v / 3 % 256), uint8_t(x * 4)};
            if (bits == 16) w.Pixel16(x, y) = PF_Pixel16{uint16_t(a * 128), uint16_t(v * 7 % 32769), uint16_t(y * 885), uint16_t(x * 537)};
            // Float alphas whose products and quotients are exact.
            if (bits == 32) w.PixelFloat(x, y) = PF_PixelFloat{x % 3 == 0 ? 0.5f : 1.0f, v / 999.0f, -0.25f, y / 7.0f};
        }
    }
    return w;
}

struct RoundTrip {
    const char* file;
    int32_t bits;
    std::vector<const char*> compressions;  // lossless; the first is the default ("")
};

inline void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.file << " at " << c.bits; }

class Compressions : public ::testing::TestWithParam<RoundTrip> {};

// Each lossless setting changes only how the file is encoded: it reads back
// as the very pixels written, colour under zero alpha too where the format
// keeps it (EXR premultiplies it away).
TEST_P(Compressions, ChangeTheEncodingButNeverThePixels) {
    const RoundTrip& c = GetParam();
    ScratchDir dir;
    const bool exr = ImageFormatOf(c.file) == IMAGE_FORMAT_EXR;
    const World world = Busy(c.bits, !exr);
    WriteOptions options;
    if (exr && c.bits == 32) options.values = RenderValues::LINEAR;  // as rendered from an EXR
    std::vector<std::string> methods;
    for (const char* text : c.compressions) {
        Result<Compression> parsed = ParseCompression(text, c.file);
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
        options.compression = *parsed;
        ASSERT_TRUE(WriteImage(world, dir / c.file, options).has_value()) << text;
        Result<World> back = ReadWorld(dir / c.file, c.bits, false);
        ASSERT_TRUE(back.has_value()) << back.error().message;
        EXPECT_TRUE(back->SameImage(world)) << c.file << " " << text;
        auto in = OIIO::ImageInput::open(dir / c.file);
        methods.push_back(in->spec().get_string_attribute("compression", "-"));
    }
    const std::map<std::string, std::vector<std::string>> want = {
        {"out.png", {"-", "-"}},  // PNG does not say
        {"out.tif", {"zip", "zip", "lzw", "none"}},
        {"out.exr", {"zip", "piz", "zips", "rle", "none", "zip", "zip"}}};
    EXPECT_EQ(methods, want.at(c.file));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Compressions,
    ::testing::Values(RoundTrip{"out.png", 8, {"", "zip:9"}}, RoundTrip{"out.png", 16, {"", "zip:6"}},
                      RoundTrip{"out.tif", 8, {"", "zip:9", "lzw", "none"}},
                      RoundTrip{"out.tif", 16, {"", "zip:3", "lzw", "none"}},
                      RoundTrip{"out.tif", 32, {"", "zip", "lzw", "none"}},
                      RoundTrip{"out.exr", 8, {"", "piz", "zips:3", "rle", "none", "zip", "zip:9"}},
                      RoundTrip{"out.exr", 16, {"", "piz", "zips", "rle", "none", "zip", "zip:1"}},
                      RoundTrip{"out.exr", 32, {"", "piz", "zips", "rle", "none", "zip", "zip:6"}}));

// Blocks deflate cannot shrink are stored as they are; those, deflated
// ones and a last block of fewer rows read back bit for bit through
// OpenEXR.
TEST(ExrZip, StoredAndDeflatedBlocksReadBackExactly) {
    ScratchDir dir;
    const int32_t w = 5, h = 19;
    std::vector<float> want(static_cast<size_t>(w * h * 4), 0.5f);
    uint32_t state = 12345;
    for (size_t i = 0; i < static_cast<size_t>(EXR_ZIP_BLOCK_ROWS * w * 4); ++i) {
        state = state * 1664525u + 1013904223u;
        const uint32_t bits = state & 0x3fffffffu;  // finite, positive, any mantissa
        std::memcpy(&want[i], &bits, sizeof bits);
    }
    const std::string file = dir / "noise.exr";
    ASSERT_TRUE(WriteExrZip(file, w, h, 2, [&](int32_t y, float* rgba) {
                    std::memcpy(rgba, &want[static_cast<size_t>(y * w * 4)], static_cast<size_t>(w) * 16);
                }).has_value());
    auto in = OIIO::ImageInput::open(file);
    ASSERT_TRUE(in);
    std::vector<float> got(want.size());
    ASSERT_TRUE(in->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, got.data()));
    EXPECT_EQ(in->spec().channelnames, (std::vector<std::string>{"R", "G", "B", "A"}));
    EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(float)), 0);
    EXPECT_FALSE(WriteExrZip(dir / "missing/x.exr", w, h, 2, [](int32_t, float*) {}).has_value());
}

TEST(CompressionText, IsCheckedAgainstTheFormat) {
    struct Case {
        const char* text;
        const char* file;
        const char* want;  // as described; null: refused
    };
    const Case cases[] = {{"", "a.png", ""},           {"zip:1", "a.png", "zip:1"},   {"ZIP:9", "a.PNG", "zip:9"},
                          {"zip:0", "a.png", nullptr}, {"zip:10", "a.png", nullptr},  {"lzw", "a.png", nullptr},
                          {"piz", "a.png", nullptr},   {"lzw", "a.tif", "lzw"},       {"lzw:2", "a.tif", nullptr},
                          {"none", "a.tiff", "none"},  {"piz", "a.tif", nullptr},     {"piz", "a.exr", "piz"},
                          {"zips:2", "a.exr", "zips:2"}, {"dwaa:45", "a.exr", "dwaa:45"}, {"dwaa:", "a.exr", nullptr},
                          {"zip:x", "a.exr", nullptr}, {"b44", "a.exr", nullptr},     {"zip", "clip.mp4", nullptr}};
    for (const Case& c : cases) {
        Result<Compression> parsed = ParseCompression(c.text, c.file);
        if (c.want == nullptr) {
            ASSERT_FALSE(parsed.has_value()) << c.text << " for " << c.file;
            EXPECT_NE(parsed.error().message.find(std::string("--compression ") + c.text), std::string::npos) << parsed.error().message;
        } else {
            ASSERT_TRUE(parsed.has_value()) << c.text << ": " << parsed.error().message;
            EXPECT_EQ(DescribeCompression(*parsed), c.want);
        }
    }
}

// EXR holds linear light: an sRGB-encoded render is decoded on writing
// (128 is 0.2158605 linear) and premultiplied; --raw-colour writes the
// values as they are. PNG carries an sRGB chunk unless raw.
TEST(ColourConventions, ExrIsLinearAndPngIsTaggedSrgb) {
    ScratchDir dir;
    World w = World::Create(PF_PixelFormat_ARGB32, 2, 1, 0, 0).value();
    w.Pixel8(0, 0) = PF_Pixel{255, 128, 0, 255};
    w.Pixel8(1, 0) = PF_Pixel{51, 128, 0, 255};
    for (bool raw : {false, true}) {
        WriteOptions options;
        options.raw_colour = raw;
        ASSERT_TRUE(WriteImage(w, dir / "out.exr", options).has_value());
        Picture exr;
        ASSERT_TRUE(cli_test::ReadPicture(dir / "out.exr", &exr));
        const double red = raw ? 128 / 255.0 : 0.2158605;
        EXPECT_NEAR(exr.At(0, 0, 0), red, 1e-6) << raw;
        EXPECT_NEAR(exr.At(1, 0, 0), red * 0.2, 1e-6) << raw;
        EXPECT_EQ(exr.At(0, 0, 2), 1.0) << raw;

        ASSERT_TRUE(WriteImage(w, dir / "out.png", options).has_value());
        const std::string png = cli_test::ReadText(dir / "out.png");
        EXPECT_EQ(png.find(std::string("\0\0\0\x01sRGB", 8)) != std::string::npos, !raw) << raw;
    }
}

}  // namespace
