#include <gtest/gtest.h>

#include <limits>

#include "pixel/composite.h"

namespace {

template <typename Pixel>
void ExpectPixel(const Pixel& actual, const Pixel& expected) {
    EXPECT_EQ(actual.alpha, expected.alpha);
    EXPECT_EQ(actual.red, expected.red);
    EXPECT_EQ(actual.green, expected.green);
    EXPECT_EQ(actual.blue, expected.blue);
}

TEST(CompositeTest, BlendOver8) {
    const struct {
        PF_Pixel source, destination, expected;
    } cases[] = {
        // k = 127 with the 256 weight
        {{128, 255, 0, 0}, {255, 0, 0, 255}, {255, 128, 0, 127}},
        {{100, 0, 0, 0}, {100, 200, 200, 200}, {160, 75, 75, 75}},
        // a faint source vanishes in the truncation
        {{1, 255, 255, 255}, {255, 10, 20, 30}, {255, 10, 20, 30}},
        // an empty destination takes the source whole, even a transparent one
        {{0, 1, 2, 3}, {0, 9, 9, 9}, {0, 1, 2, 3}},
        {{255, 1, 2, 3}, {200, 9, 9, 9}, {255, 1, 2, 3}},
        {{0, 1, 2, 3}, {200, 9, 9, 9}, {200, 9, 9, 9}},
    };
    for (const auto& c : cases) ExpectPixel(BlendOver8(c.destination, c.source), c.expected);
}

TEST(CompositeTest, BlendOver16) {
    const struct {
        PF_Pixel16 source, destination, expected;
    } cases[] = {
        {{16384, 32768, 0, 0}, {32768, 0, 0, 32768}, {32768, 16384, 0, 16384}},
        // k = (16384 x 16384) >> 15 = 8192, a = 24576
        {{16384, 0, 0, 0}, {16384, 24576, 0, 0}, {24576, 8192, 0, 0}},
        {{0, 1, 2, 3}, {0, 9, 9, 9}, {0, 1, 2, 3}},
        {{32768, 1, 2, 3}, {100, 9, 9, 9}, {32768, 1, 2, 3}},
        {{0, 1, 2, 3}, {100, 9, 9, 9}, {100, 9, 9, 9}},
        // values above the host's white: colour is capped, a source alpha
        // above opaque is opaque
        {{16384, 65535, 0, 0}, {32768, 65535, 65535, 0}, {32768, 32768, 32767, 0}},
        {{40000, 1, 2, 3}, {100, 9, 9, 9}, {40000, 1, 2, 3}},
    };
    for (const auto& c : cases) ExpectPixel(BlendOver16(c.destination, c.source), c.expected);
}

TEST(CompositeTest, BlendOverFloatKeepsValuesOutsideTheNormalRange) {
    ExpectPixel(BlendOverFloat(PF_PixelFloat{1.0f, 0.0f, 0.0f, 1.0f},
                               PF_PixelFloat{0.5f, 1.0f, 0.0f, 0.0f}),
                PF_PixelFloat{1.0f, 0.5f, 0.0f, 0.5f});
    const PF_PixelFloat mixed =
        BlendOverFloat(PF_PixelFloat{0.5f, 2.0f, 0.0f, 0.0f}, PF_PixelFloat{0.5f, 0.0f, 0.0f, 0.0f});
    EXPECT_EQ(mixed.alpha, 0.75f);
    EXPECT_EQ(mixed.red, 0.5f / 0.75f);
    ExpectPixel(BlendOverFloat(PF_PixelFloat{0.0f, 5.0f, 5.0f, 5.0f},
                               PF_PixelFloat{0.0f, 1.0f, 2.0f, 3.0f}),
                PF_PixelFloat{0.0f, 1.0f, 2.0f, 3.0f});
    ExpectPixel(BlendOverFloat(PF_PixelFloat{0.3f, 5.0f, 5.0f, 5.0f},
                               PF_PixelFloat{0.0f, 1.0f, 2.0f, 3.0f}),
                PF_PixelFloat{0.3f, 5.0f, 5.0f, 5.0f});
    // Source alpha above 1 over a thin destination: alpha is capped at 1 and
    // the colour is not.
    const PF_PixelFloat strong =
        BlendOverFloat(PF_PixelFloat{0.5f, 1.0f, 0.0f, 0.0f}, PF_PixelFloat{1.5f, 1.0f, 0.0f, 0.0f});
    EXPECT_EQ(strong.alpha, 1.0f);
    EXPECT_EQ(strong.red, (1.0f * 1.5f + 1.0f * -0.25f) / 1.0f);
}

TEST(CompositeTest, CoverageScalesTheSampleAlpha) {
    const struct {
        uint8_t alpha;
        double coverage;
        uint8_t expected;
    } cases[] = {
        {255, 0.5, 127},
        {200, 0.999, 199},
        {255, 1.0, 255},
        {255, 0.0, 0},
        {255, std::numeric_limits<double>::quiet_NaN(), 0},
        {255, 2.0, 255},
        {255, -1.0, 0},
    };
    for (const auto& c : cases) {
        PF_Pixel out{0, 0, 0, 0};  // an empty destination takes the source whole
        CompositePixel(out, PF_Pixel{17, 1, 2, 3}, c.alpha, c.coverage);
        EXPECT_EQ(out.alpha, c.expected) << c.coverage;
        EXPECT_EQ(out.red, 1);
    }

    PF_Pixel16 out16{0, 0, 0, 0};
    CompositePixel(out16, PF_Pixel16{1, 2, 3, 4}, uint16_t{32768}, 0.5);
    EXPECT_EQ(out16.alpha, 16384);
    CompositePixel(out16, PF_Pixel16{1, 2, 3, 4}, uint16_t{60000}, 1.0);
    EXPECT_EQ(out16.alpha, 32768);  // capped to opaque, so the source replaces
    EXPECT_EQ(out16.red, 2);

    PF_PixelFloat outf{0.0f, 0.0f, 0.0f, 0.0f};
    CompositePixel(outf, PF_PixelFloat{9.0f, 1.0f, 2.0f, 3.0f}, 0.7f, 0.3);
    EXPECT_EQ(outf.alpha, static_cast<float>(static_cast<double>(0.7f) * 0.3));
}

// A NaN coverage or a NaN float sample alpha lays nothing over a pixel that
// has colour.
TEST(CompositeTest, NaNContributionsLeaveOpaquePixelsAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PF_Pixel out8{255, 10, 20, 30};
    CompositePixel(out8, PF_Pixel{0, 200, 200, 200}, uint8_t{255}, nan);
    ExpectPixel(out8, PF_Pixel{255, 10, 20, 30});

    PF_PixelFloat outf{1.0f, 0.1f, 0.2f, 0.3f};
    CompositePixel(outf, PF_PixelFloat{0.0f, 5.0f, 5.0f, 5.0f},
                   std::numeric_limits<float>::quiet_NaN(), 1.0);
    ExpectPixel(outf, PF_PixelFloat{1.0f, 0.1f, 0.2f, 0.3f});
    CompositePixel(outf, PF_PixelFloat{0.0f, 5.0f, 5.0f, 5.0f}, 1.0f, nan);
    ExpectPixel(outf, PF_PixelFloat{1.0f, 0.1f, 0.2f, 0.3f});
}

}  // namespace
