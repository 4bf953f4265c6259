// Host worlds to and from packed RGBA rows, at every depth, on worlds with
// row padding: known samples each way, and no byte written beyond a row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "runner/shot/rgba.h"

namespace {

using namespace runner;

constexpr int32_t PADDING = 12;
constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();

World Padded(PF_PixelFormat format) {
    Result<World> w = World::Create(format, 2, 2, PADDING);
    EXPECT_TRUE(w.has_value());
    return std::move(*w);
}

// Pixel 1 of row 0 holds the sample under test; pixel 0 is zero.
template <typename P>
World Holding(PF_PixelFormat format, P pixel) {
    World w = Padded(format);
    std::memset(w.Row(0), 0, sizeof(P));
    std::memcpy(w.Row(0) + sizeof(P), &pixel, sizeof(P));
    return w;
}

struct OutCase {
    const char* name;
    World (*world)();
    std::vector<uint8_t> rgba8;     // pixel 1, R G B A
    std::vector<uint16_t> rgba16;
};

class ToRgba : public ::testing::TestWithParam<OutCase> {};

TEST_P(ToRgba, ConvertsEachDepth) {
    const OutCase& c = GetParam();
    const World w = c.world();
    std::vector<uint8_t> rgba8(8, 0xEE);
    std::vector<uint16_t> rgba16(8, 0xEEEE);
    PF_Pixel argb[2];
    WorldRowToRgba8(w, 0, rgba8.data());
    WorldRowToRgba16(w, 0, rgba16.data());
    WorldRowToArgb8(w, 0, argb);
    EXPECT_EQ(std::vector<uint8_t>(rgba8.begin() + 4, rgba8.end()), c.rgba8);
    EXPECT_EQ(std::vector<uint16_t>(rgba16.begin() + 4, rgba16.end()), c.rgba16);
    EXPECT_EQ((std::vector<uint8_t>{argb[1].red, argb[1].green, argb[1].blue, argb[1].alpha}), c.rgba8);
    EXPECT_EQ(std::vector<uint8_t>(rgba8.begin(), rgba8.begin() + 4), std::vector<uint8_t>(4, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, ToRgba,
    ::testing::Values(
        OutCase{"8 bits", [] { return Holding(PF_PixelFormat_ARGB32, PF_Pixel{128, 1, 254, 0}); },
                {1, 254, 0, 128}, {257, 65278, 0, 32896}},
        // round(v * 255 / 32768) and round(v * 65535 / 32768); above 32768 is full.
        OutCase{"16 bits", [] { return Holding(PF_PixelFormat_ARGB64, PF_Pixel16{32768, 16384, 128, 40000}); },
                {128, 1, 255, 255}, {32768, 256, 65535, 65535}},
        OutCase{"float", [] { return Holding(PF_PixelFormat_ARGB128, PF_PixelFloat{0.5f, NAN_F, 2.0f, -1.0f}); },
                {0, 255, 0, 128}, {0, 65535, 0, 32768}}));

TEST(FromRgba, FillsEachDepthWithinItsRows) {
    const uint8_t rgba8[8] = {0, 0, 0, 0, 255, 0, 128, 51};
    const uint16_t rgba16[8] = {0, 0, 0, 0, 65535, 0, 32768, 65535};
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        for (int32_t bits : {8, 16}) {
            World w = Padded(format);
            RgbaRowIntoWorld(bits == 8 ? static_cast<const void*>(rgba8) : rgba16, bits, &w, 0);
            const int32_t used = 2 * BytesPerPixel(format);
            for (int32_t i = used; i < w.RowBytes() * 2; ++i) {
                ASSERT_EQ(w.Row(0)[i], PADDING_CANARY) << "byte " << i << " of a " << bits << "-bit row, format " << format;
            }
            if (format == PF_PixelFormat_ARGB32) {
                const PF_Pixel p = w.Pixel8(1, 0);
                EXPECT_EQ((std::vector<int>{p.alpha, p.red, p.green, p.blue}),
                          (bits == 8 ? std::vector<int>{51, 255, 0, 128} : std::vector<int>{255, 255, 0, 128}));
            } else if (format == PF_PixelFormat_ARGB64) {
                const PF_Pixel16 p = w.Pixel16(1, 0);
                EXPECT_EQ((std::vector<int>{p.alpha, p.red, p.green, p.blue}),
                          (bits == 8 ? std::vector<int>{6554, 32768, 0, 16448} : std::vector<int>{32768, 32768, 0, 16384}));
            } else {
                const PF_PixelFloat p = w.PixelFloat(1, 0);
                EXPECT_EQ(p.red, 1.0f);
                EXPECT_EQ(p.green, 0.0f);
                EXPECT_EQ(p.alpha, bits == 8 ? 0.2f : 1.0f);
            }
        }
    }
}

}  // namespace
