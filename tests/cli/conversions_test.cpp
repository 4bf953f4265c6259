// The addressable-size limit, the box filter, frame names and the 8-bit
// frames handed to the encoder.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>

#include "runner/shot/downsample.h"
#include "runner/media/frame_sink.h"
#include "runner/media/image_io.h"
#include "runner/media/video_pipe.h"
#include "runner/shot/rgba.h"

namespace {

using namespace runner;
using namespace runner;
using runner::World;

struct SizeCase {
    int64_t width, height;
    bool fits;
};

inline void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.width << " x " << c.height; }

class Sizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(Sizes, FitTheEffectsAddressing) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(CheckAddressable(c.width, c.height, "f").has_value(), c.fits) << c.width << " x " << c.height;
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
    ASSERT_TRUE(made.has_value());
    World w = std::move(*made);
    w.Pixel8(0, 0) = {255, 200, 0, 0};
    w.Pixel8(1, 0) = {0, 0, 255, 0};  // transparent: its green must not bleed in
    w.Pixel8(2, 0) = {51, 10, 20, 30};
    auto half = BoxDownsample(w, 2);
    ASSERT_TRUE(half.has_value()) << half.error().message;
    ASSERT_EQ(half->Width(), 2);
    ASSERT_EQ(half->Height(), 1);
    const PF_Pixel a = half->Pixel8(0, 0);
    EXPECT_EQ(a.alpha, 128);  // round(255 / 2)
    EXPECT_EQ(a.red, 200);
    EXPECT_EQ(a.green, 0);
    const PF_Pixel b = half->Pixel8(1, 0);
    EXPECT_EQ(b.alpha, 51);
    EXPECT_EQ(b.blue, 30);
    EXPECT_FALSE(BoxDownsample(w, 0).has_value());
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
        EXPECT_FALSE(name.has_value()) << GetParam().pattern;
    } else {
        ASSERT_TRUE(name.has_value()) << name.error().message;
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

std::vector<uint8_t> Rgba8(const World& image) {
    std::vector<uint8_t> out(static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height()) * 4);
    WorldToRgba8(image, out.data());
    return out;
}

TEST(VideoFrames, AreStraightEightBitRgba) {
    auto made16 = World::Create(PF_PixelFormat_ARGB64, 1, 1, 0, 0);
    ASSERT_TRUE(made16.has_value());
    World w16 = std::move(*made16);
    w16.Pixel16(0, 0) = {32768, 16384, 128, 0};
    EXPECT_EQ(Rgba8(w16), (std::vector<uint8_t>{128, 1, 0, 255}));  // round(v * 255 / 32768)

    auto madef = World::Create(PF_PixelFormat_ARGB128, 1, 1, 0, 0);
    ASSERT_TRUE(madef.has_value());
    World wf = std::move(*madef);
    wf.PixelFloat(0, 0) = {0.5f, std::numeric_limits<float>::quiet_NaN(), 2.0f, -1.0f};
    EXPECT_EQ(Rgba8(wf), (std::vector<uint8_t>{0, 255, 0, 128}));
}

}  // namespace
