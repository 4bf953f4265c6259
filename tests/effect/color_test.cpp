#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "pixel/color.h"

namespace {

template <typename Pixel>
bool Same(const Pixel& a, const Pixel& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Hues chosen to reach each formula and each tie between largest channels;
// every one converts back to itself.
TEST(ColorTest, RgbToHsv8AndBack) {
    const struct {
        PF_Pixel pixel;
        double hue, saturation, value;
    } cases[] = {
        {{255, 128, 128, 128}, 0.0, 0.0, 128.0},  {{255, 200, 100, 50}, 20.0, 191.25, 200.0},
        {{255, 255, 0, 255}, 300.0, 255.0, 255.0},  // red and blue tie: red's formula
        {{255, 0, 255, 255}, 180.0, 255.0, 255.0},  // green and blue tie: green's formula
        {{255, 255, 0, 0}, 0.0, 255.0, 255.0},    {{255, 0, 255, 0}, 120.0, 255.0, 255.0},
        {{255, 0, 0, 255}, 240.0, 255.0, 255.0},  {{7, 10, 20, 30}, 210.0, 170.0, 30.0},
    };
    for (const auto& c : cases) {
        const HsvColor hsv = RgbToHsv8(c.pixel);
        SCOPED_TRACE(c.hue);
        EXPECT_DOUBLE_EQ(hsv.hue, c.hue);
        EXPECT_DOUBLE_EQ(hsv.saturation, c.saturation);
        EXPECT_DOUBLE_EQ(hsv.value, c.value);
        EXPECT_EQ(hsv.alpha, static_cast<double>(c.pixel.alpha));
        EXPECT_TRUE(Same(HsvToRgb8(hsv), c.pixel));
    }
}

TEST(ColorTest, HsvToRgbTruncatesAndClampsPerDepth) {
    HsvColor hsv = RgbToHsv8(PF_Pixel{200, 200, 100, 50});
    hsv.value = 255.0;  // p = 63.75, t = 127.5
    EXPECT_TRUE(Same(HsvToRgb8(hsv), PF_Pixel{200, 255, 127, 63}));
    EXPECT_TRUE(Same(HsvToRgb8(HsvColor{77.0, 123.0, 200.0, 0.0}), PF_Pixel{77, 0, 0, 0}));

    // 16-bit white is 32768; an alpha above it survives, colour is capped
    const PF_Pixel16 white{32768, 32768, 32768, 32768};
    EXPECT_DOUBLE_EQ(RgbToHsv16(white).value, 255.0);
    EXPECT_TRUE(Same(HsvToRgb16(RgbToHsv16(white)), white));
    EXPECT_TRUE(Same(HsvToRgb16(RgbToHsv16(PF_Pixel16{40000, 65535, 0, 0})), PF_Pixel16{40000, 32768, 0, 0}));
    // 16384 and 8192 read as 127.5 and 63.75 and come back exactly
    EXPECT_TRUE(Same(HsvToRgb16(RgbToHsv16(PF_Pixel16{100, 16384, 0, 8192})), PF_Pixel16{100, 16384, 0, 8192}));

    // a float value of 300 stores 1.0, not 300 / 255
    EXPECT_TRUE(Same(HsvToRgbFloat(HsvColor{0.25, 0.0, 0.0, 300.0}), PF_PixelFloat{0.25f, 1.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(Same(HsvToRgbFloat(HsvColor{1.0, 0.0, 255.0, 300.0}), PF_PixelFloat{1.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_DOUBLE_EQ(RgbToHsvFloat(PF_PixelFloat{0.5f, 2.0f, 1.0f, 0.0f}).hue, 30.0);
}

// A coarse lattice of 8-bit colours survives a round trip to within one step
// of truncation; a wrong row of the sector table would be far off.
TEST(ColorTest, RoundTrip8StaysWithinOneStep) {
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 15) {
                const PF_Pixel in{static_cast<uint8_t>(r), static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                  static_cast<uint8_t>(b)};
                const PF_Pixel out = HsvToRgb8(RgbToHsv8(in));
                ASSERT_EQ(out.alpha, in.alpha);
                ASSERT_LE(std::abs(out.red - in.red) + std::abs(out.green - in.green) +
                              std::abs(out.blue - in.blue),
                          2)
                    << r << "," << g << "," << b;
            }
        }
    }
}

bool NoNaN(const PF_PixelFloat& p) {
    return !std::isnan(p.red) && !std::isnan(p.green) && !std::isnan(p.blue);
}

// Negative, NaN and infinite float channels keep the colour model finite,
// and colour records the effect never makes still give defined channels.
TEST(ColorTest, OutOfRangeInputGivesDefinedPixels) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const PF_PixelFloat samples[] = {{1.0f, -0.2f, 0.6f, 0.4f}, {1.0f, -0.5f, -0.2f, -0.1f},
                                     {1.0f, 0.0f, -1.0f, 0.0f}, {1.0f, nan, 0.5f, 0.2f},
                                     {1.0f, inf, 0.5f, 0.2f},   {1.0f, -inf, inf, nan}};
    for (const PF_PixelFloat& sample : samples) {
        HsvColor hsv = RgbToHsvFloat(sample);
        EXPECT_TRUE(std::isfinite(hsv.hue) && std::isfinite(hsv.saturation) && std::isfinite(hsv.value));
        hsv.value = std::min(hsv.value * 3.0, 255.0);
        EXPECT_TRUE(NoNaN(HsvToRgbFloat(hsv)));
    }
    // with a positive largest channel the model extends to negative ones
    const PF_PixelFloat back = HsvToRgbFloat(RgbToHsvFloat(PF_PixelFloat{1.0f, -0.2f, 0.6f, 0.4f}));
    EXPECT_NEAR(back.red, -0.2f, 1e-6);
    EXPECT_NEAR(back.green, 0.6f, 1e-6);
    EXPECT_NEAR(back.blue, 0.4f, 1e-6);

    const double dnan = std::numeric_limits<double>::quiet_NaN();
    const HsvColor odd[] = {{dnan, dnan, 100.0, 100.0},
                            {255.0, 1e300, 255.0, 255.0},
                            {-5.0, 30.0, 1e300, 1e300},
                            {1e300, 30.0, 128.0, -1e300}};
    for (const HsvColor& hsv : odd) {
        const PF_Pixel16 p16 = HsvToRgb16(hsv);
        EXPECT_TRUE(p16.red <= 32768 && p16.green <= 32768 && p16.blue <= 32768);
        EXPECT_TRUE(NoNaN(HsvToRgbFloat(hsv)));
        HsvToRgb8(hsv);
    }
    // a negative hue wraps into the sector table: -90 lies in sector 5
    EXPECT_TRUE(Same(HsvToRgb8(HsvColor{255.0, -90.0, 255.0, 255.0}), PF_Pixel{255, 255, 0, 255}));
}

TEST(ColorTest, ExpansionOfEightBitChannels) {
    const struct {
        uint8_t in;
        uint16_t out;
    } cases[] = {{0, 0}, {1, 129}, {128, 16448}, {254, 32640}, {255, 32768}};
    for (const auto& c : cases) {
        EXPECT_TRUE(Same(ExpandPixel8To16(PF_Pixel{c.in, c.in, c.in, c.in}), PF_Pixel16{c.out, c.out, c.out, c.out}));
    }
    EXPECT_TRUE(Same(ExpandPixel8ToFloat(PF_Pixel{255, 0, 128, 255}),
                     PF_PixelFloat{1.0f, 0.0f, static_cast<float>(128.0 / 255.0), 1.0f}));
}

}  // namespace
