// Samples between files and host worlds, the addressable-size limit, the
// box filter, frame names and the 8-bit frames handed to the encoder.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>

#include "runner/cli/downsample.h"
#include "runner/cli/frame_sink.h"
#include "runner/cli/image_io.h"
#include "runner/cli/video_pipe.h"

namespace {

using namespace runner;
using namespace runner::cli;
using runner::World;

FileImage OnePixel(int32_t bits, double r, double g, double b, double a) {
    FileImage f;
    f.width = 1;
    f.height = 1;
    f.bits = bits;
    if (bits == 8) f.u8 = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
    if (bits == 16) f.u16 = {uint16_t(r), uint16_t(g), uint16_t(b), uint16_t(a)};
    if (bits == 32) f.f32 = {float(r), float(g), float(b), float(a)};
    return f;
}

struct SampleCase {
    int32_t file_bits;
    double sample;     // the file's red sample
    int32_t host_bits;
    double host;       // the host's red channel
};

inline void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.file_bits << "-bit " << c.sample << " as " << c.host_bits << "-bit"; }

class Samples : public ::testing::TestWithParam<SampleCase> {};

TEST_P(Samples, ConvertByTheDocumentedFormulas) {
    const SampleCase& c = GetParam();
    auto world = ToWorld(OnePixel(c.file_bits, c.sample, 0, 0, 0), c.host_bits);
    ASSERT_TRUE(world.Ok()) << world.Message();
    double got = 0;
    if (c.host_bits == 8) got = world->Pixel8(0, 0).red;
    if (c.host_bits == 16) got = world->Pixel16(0, 0).red;
    if (c.host_bits == 32) got = world->PixelFloat(0, 0).red;
    if (std::isnan(c.host)) {
        EXPECT_TRUE(std::isnan(got));
    } else {
        EXPECT_EQ(got, c.host) << c.file_bits << "-bit " << c.sample << " -> " << c.host_bits;
    }
}

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Table, Samples,
    ::testing::Values(
        // 8-bit c -> 16: round(c * 32768 / 255); -> float: c / 255.
        SampleCase{8, 0, 16, 0}, SampleCase{8, 1, 16, 129}, SampleCase{8, 128, 16, 16448},
        SampleCase{8, 255, 16, 32768}, SampleCase{8, 200, 8, 200},
        SampleCase{8, 51, 32, static_cast<float>(51 / 255.0)}, SampleCase{8, 255, 32, 1.0},
        // 16-bit f -> 16: round(f * 32768 / 65535); -> 8: round(f * 255 / 65535).
        SampleCase{16, 65535, 16, 32768}, SampleCase{16, 1, 16, 1}, SampleCase{16, 3, 16, 2},
        SampleCase{16, 32767, 16, 16384}, SampleCase{16, 65535, 8, 255}, SampleCase{16, 128, 8, 0},
        SampleCase{16, 129, 8, 1},
        // Float stays as it is in float, out-of-range and NaN become 0..1 edges.
        SampleCase{32, 2.5, 32, 2.5}, SampleCase{32, -0.5, 32, -0.5}, SampleCase{32, NaN, 32, NaN},
        SampleCase{32, 0.5, 16, 16384}, SampleCase{32, 2.5, 16, 32768}, SampleCase{32, -1, 16, 0},
        SampleCase{32, NaN, 16, 0}, SampleCase{32, INF, 8, 255}, SampleCase{32, NaN, 8, 0}));

struct SizeCase {
    int64_t width, height;
    bool fits;
};

inline void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.width << " x " << c.height; }

class Sizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(Sizes, FitTheEffectsAddressing) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(CheckAddressable(c.width, c.height, "f").Ok(), c.fits) << c.width << " x " << c.height;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, Sizes,
    ::testing::Values(SizeCase{1, 1, true}, SizeCase{0, 10, false}, SizeCase{10, -1, false},
                      SizeCase{65535, 16384, true},           // 4294901760 bytes
                      SizeCase{65536, 16384, false},          // exactly 2^32
                      SizeCase{1, 1073741823, true}, SizeCase{1, 1073741824, false},
                      SizeCase{2147483648LL, 1, false},       // wider than int32
                      SizeCase{4294967296LL, 4294967296LL, false}));  // product wraps 64-bit width*height*4 if unchecked

TEST(Downsample, AveragesBlocksWeightedByAlphaAndKeepsPartialBlocks) {
    auto made = World::Create(PF_PixelFormat_ARGB32, 3, 1, 0, 0);
    ASSERT_TRUE(made.Ok());
    World w = made.TakeValue();
    w.Pixel8(0, 0) = {255, 200, 0, 0};
    w.Pixel8(1, 0) = {0, 0, 255, 0};  // transparent: its green must not bleed in
    w.Pixel8(2, 0) = {51, 10, 20, 30};
    auto half = BoxDownsample(w, 2);
    ASSERT_TRUE(half.Ok()) << half.Message();
    ASSERT_EQ(half->Width(), 2);
    ASSERT_EQ(half->Height(), 1);
    const PF_Pixel a = half->Pixel8(0, 0);
    EXPECT_EQ(a.alpha, 128);  // round(255 / 2)
    EXPECT_EQ(a.red, 200);
    EXPECT_EQ(a.green, 0);
    const PF_Pixel b = half->Pixel8(1, 0);
    EXPECT_EQ(b.alpha, 51);
    EXPECT_EQ(b.blue, 30);
    EXPECT_FALSE(BoxDownsample(w, 0).Ok());
}

struct NameCase {
    const char* pattern;
    int32_t frame;
    const char* want;  // null: refused
};

inline void PrintTo(const NameCase& c, std::ostream* os) { *os << c.pattern; }

class FrameNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(FrameNames, FillTheOneFrameNumber) {
    auto name = FrameFileName(GetParam().pattern, GetParam().frame);
    if (GetParam().want == nullptr) {
        EXPECT_FALSE(name.Ok()) << GetParam().pattern;
    } else {
        ASSERT_TRUE(name.Ok()) << name.Message();
        EXPECT_EQ(*name, GetParam().want);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FrameNames,
    ::testing::Values(NameCase{"out/frame_%04d.png", 7, "out/frame_0007.png"},
                      NameCase{"f%d.tif", 123, "f123.tif"}, NameCase{"f%3d.png", 5, "f  5.png"},
                      NameCase{"%02d.exr", 1234, "1234.exr"}, NameCase{"plain.png", 0, nullptr},
                      NameCase{"a%d%d.png", 0, nullptr}, NameCase{"a%s.png", 0, nullptr},
                      NameCase{"a%.png", 0, nullptr}, NameCase{"a%099999999999d.png", 0, nullptr}));

TEST(VideoFrames, AreStraightEightBitRgba) {
    auto made16 = World::Create(PF_PixelFormat_ARGB64, 1, 1, 0, 0);
    ASSERT_TRUE(made16.Ok());
    World w16 = made16.TakeValue();
    w16.Pixel16(0, 0) = {32768, 16384, 128, 0};
    EXPECT_EQ(Rgba8(w16), (std::vector<uint8_t>{128, 1, 0, 255}));  // round(v * 255 / 32768)

    auto madef = World::Create(PF_PixelFormat_ARGB128, 1, 1, 0, 0);
    ASSERT_TRUE(madef.Ok());
    World wf = madef.TakeValue();
    wf.PixelFloat(0, 0) = {0.5f, std::numeric_limits<float>::quiet_NaN(), 2.0f, -1.0f};
    EXPECT_EQ(Rgba8(wf), (std::vector<uint8_t>{0, 255, 0, 128}));
}

}  // namespace
