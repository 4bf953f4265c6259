#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pixel/color.h"

namespace {

struct HsvCase {
    PF_Pixel pixel;
    double hue, saturation, value;
};

// Hues chosen to reach each formula and each tie between largest channels.
TEST(ColorTest, RgbToHsv8MatchesHandComputedValues) {
    const HsvCase cases[] = {
        {{255, 128, 128, 128}, 0.0, 0.0, 128.0},
        {{255, 200, 100, 50}, 20.0, 191.25, 200.0},
        {{255, 255, 0, 255}, 300.0, 255.0, 255.0},  // red and blue tie: red's formula
        {{255, 0, 255, 255}, 180.0, 255.0, 255.0},  // green and blue tie: green's formula
        {{255, 255, 0, 0}, 0.0, 255.0, 255.0},
        {{255, 0, 255, 0}, 120.0, 255.0, 255.0},
        {{255, 0, 0, 255}, 240.0, 255.0, 255.0},
        {{255, 10, 20, 30}, 210.0, 170.0, 30.0},
        {{0, 0, 0, 0}, 0.0, 0.0, 0.0},
    };
    for (const HsvCase& c : cases) {
        const HsvColor hsv = RgbToHsv8(c.pixel);
        SCOPED_TRACE(testing::Message() << int(c.pixel.red) << "," << int(c.pixel.green) << ","
                                        << int(c.pixel.blue));
        EXPECT_DOUBLE_EQ(hsv.hue, c.hue);
        EXPECT_DOUBLE_EQ(hsv.saturation, c.saturation);
        EXPECT_DOUBLE_EQ(hsv.value, c.value);
        EXPECT_EQ(hsv.alpha, static_cast<double>(c.pixel.alpha));
        const PF_Pixel back = HsvToRgb8(hsv);
        EXPECT_EQ(back.alpha, c.pixel.alpha);
        EXPECT_EQ(back.red, c.pixel.red);
        EXPECT_EQ(back.green, c.pixel.green);
        EXPECT_EQ(back.blue, c.pixel.blue);
    }
}

TEST(ColorTest, HsvToRgb8TruncatesAndClampsScaledChannels) {
    HsvColor hsv = RgbToHsv8(PF_Pixel{200, 200, 100, 50});
    hsv.value = 255.0;  // p = 63.75, t = 127.5
    const PF_Pixel brighter = HsvToRgb8(hsv);
    EXPECT_EQ(brighter.alpha, 200);
    EXPECT_EQ(brighter.red, 255);
    EXPECT_EQ(brighter.green, 127);
    EXPECT_EQ(brighter.blue, 63);

    const PF_Pixel black = HsvToRgb8(HsvColor{77.0, 123.0, 200.0, 0.0});
    EXPECT_EQ(black.alpha, 77);
    EXPECT_EQ(black.red + black.green + black.blue, 0);

    const PF_Pixel over = HsvToRgb8(HsvColor{255.0, 0.0, 0.0, 400.0});
    EXPECT_EQ(over.red, 255);
}

// Every 8-bit colour on a coarse lattice survives a round trip to within one
// step of truncation, with its alpha untouched; a swapped row of the sector
// table would be far off.
TEST(ColorTest, RoundTrip8StaysWithinOneStep) {
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 15) {
                const PF_Pixel in{static_cast<uint8_t>(r), static_cast<uint8_t>(r),
                                  static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
                const PF_Pixel out = HsvToRgb8(RgbToHsv8(in));
                ASSERT_EQ(out.alpha, in.alpha);
                ASSERT_LE(std::abs(out.red - in.red), 1) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(out.green - in.green), 1) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(out.blue - in.blue), 1) << r << "," << g << "," << b;
            }
        }
    }
}

TEST(ColorTest, SixteenBitUsesTheHostsWhiteAndKeepsAlpha) {
    const HsvColor white = RgbToHsv16(PF_Pixel16{32768, 32768, 32768, 32768});
    EXPECT_DOUBLE_EQ(white.value, 255.0);
    EXPECT_EQ(white.alpha, 32768.0);
    const PF_Pixel16 back = HsvToRgb16(white);
    EXPECT_EQ(back.alpha, 32768);
    EXPECT_EQ(back.red, 32768);
    EXPECT_EQ(back.green, 32768);
    EXPECT_EQ(back.blue, 32768);

    // An out-of-range alpha still survives the round trip; colour is capped.
    const PF_Pixel16 odd = HsvToRgb16(RgbToHsv16(PF_Pixel16{40000, 65535, 0, 0}));
    EXPECT_EQ(odd.alpha, 40000);
    EXPECT_EQ(odd.red, 32768);
    EXPECT_EQ(odd.green, 0);

    // 16384 reads as 127.5 on the 0..255 scale and comes back exactly.
    const PF_Pixel16 half = HsvToRgb16(RgbToHsv16(PF_Pixel16{100, 16384, 0, 8192}));
    EXPECT_EQ(half.red, 16384);
    EXPECT_EQ(half.green, 0);
    EXPECT_EQ(half.blue, 8192);
}

TEST(ColorTest, FloatValueIsLimitedToOneOnTheWayBack) {
    const PF_PixelFloat grey = HsvToRgbFloat(HsvColor{0.25, 0.0, 0.0, 300.0});
    EXPECT_EQ(grey.alpha, 0.25f);
    EXPECT_EQ(grey.red, 1.0f);
    EXPECT_EQ(grey.blue, 1.0f);
    const PF_PixelFloat red = HsvToRgbFloat(HsvColor{1.0, 0.0, 255.0, 300.0});
    EXPECT_EQ(red.red, 1.0f);
    EXPECT_EQ(red.green, 0.0f);

    const HsvColor bright = RgbToHsvFloat(PF_PixelFloat{0.5f, 2.0f, 1.0f, 0.0f});
    EXPECT_DOUBLE_EQ(bright.value, 510.0);
    EXPECT_DOUBLE_EQ(bright.hue, 30.0);
    EXPECT_EQ(bright.alpha, 0.5);
}

bool Finite(const PF_PixelFloat& p) {
    return std::isfinite(p.alpha) && std::isfinite(p.red) && std::isfinite(p.green) &&
           std::isfinite(p.blue);
}

// Negative, NaN and infinite float channels: the colour model stays finite
// and a brightened colour is a pixel value, never NaN.
TEST(ColorTest, FloatSamplesOutsideTheNormalRangeGiveFinitePixels) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const PF_PixelFloat samples[] = {
        {1.0f, -0.2f, 0.6f, 0.4f}, {1.0f, -0.5f, -0.2f, -0.1f}, {1.0f, 0.0f, -1.0f, 0.0f},
        {1.0f, nan, 0.5f, 0.2f},   {1.0f, inf, 0.5f, 0.2f},     {1.0f, -inf, inf, nan},
    };
    for (const PF_PixelFloat& sample : samples) {
        const HsvColor hsv = RgbToHsvFloat(sample);
        EXPECT_TRUE(std::isfinite(hsv.hue) && std::isfinite(hsv.saturation) &&
                    std::isfinite(hsv.value));
        for (double factor : {0.0, 0.5, 3.0}) {
            HsvColor scaled = hsv;
            scaled.value = scaled.value * factor;
            if (scaled.value > 255.0) scaled.value = 255.0;
            EXPECT_TRUE(Finite(HsvToRgbFloat(scaled)));
        }
    }
    // With a positive largest channel the model extends to negative ones and
    // gives the sample back.
    const PF_PixelFloat back = HsvToRgbFloat(RgbToHsvFloat(PF_PixelFloat{1.0f, -0.2f, 0.6f, 0.4f}));
    EXPECT_NEAR(back.red, -0.2f, 1e-6);
    EXPECT_NEAR(back.green, 0.6f, 1e-6);
    EXPECT_NEAR(back.blue, 0.4f, 1e-6);
}

// Colour records that the effect never makes itself still convert to a
// defined pixel.
TEST(ColorTest, MalformedHsvGivesDefinedChannels) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const HsvColor odd[] = {
        {nan, nan, 100.0, 100.0},  {255.0, 1e300, 255.0, 255.0}, {255.0, -90.0, 255.0, 255.0},
        {-5.0, 30.0, 1e300, 1e300}, {1e300, 30.0, 128.0, -1e300},
    };
    for (const HsvColor& hsv : odd) {
        const PF_Pixel p8 = HsvToRgb8(hsv);
        const PF_Pixel16 p16 = HsvToRgb16(hsv);
        const PF_PixelFloat pf = HsvToRgbFloat(hsv);
        EXPECT_LE(p16.red, 32768);
        EXPECT_LE(p16.green, 32768);
        EXPECT_LE(p16.blue, 32768);
        EXPECT_FALSE(std::isnan(pf.red) || std::isnan(pf.green) || std::isnan(pf.blue));
        (void)p8;
    }
    // A negative hue wraps into the sector table: -90 lies in sector 5.
    const PF_Pixel wrapped = HsvToRgb8(HsvColor{255.0, -90.0, 255.0, 255.0});
    EXPECT_EQ(wrapped.red, 255);
}

TEST(ColorTest, ExpansionOfEightBitChannels) {
    const struct {
        uint8_t in;
        uint16_t out16;
    } cases[] = {{0, 0}, {1, 129}, {128, 16448}, {254, 32640}, {255, 32768}};
    for (const auto& c : cases) {
        const PF_Pixel16 p = ExpandPixel8To16(PF_Pixel{c.in, c.in, c.in, c.in});
        EXPECT_EQ(p.alpha, c.out16);
        EXPECT_EQ(p.red, c.out16);
        EXPECT_EQ(p.green, c.out16);
        EXPECT_EQ(p.blue, c.out16);
    }
    const PF_PixelFloat f = ExpandPixel8ToFloat(PF_Pixel{255, 0, 128, 255});
    EXPECT_EQ(f.alpha, 1.0f);
    EXPECT_EQ(f.red, 0.0f);
    EXPECT_EQ(f.green, static_cast<float>(128.0 / 255.0));
    EXPECT_EQ(f.blue, 1.0f);
}

}  // namespace
