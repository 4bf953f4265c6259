// Times typed for --in, --out and --at, the frame each lands on, and a
// frame laid over a background.
#include <gtest/gtest.h>

#include "cli/shot_point.h"
#include "runner/shot/background.h"

namespace {

using namespace runner;
using namespace runner::cli;

TEST(ShotPoint, ReadsSecondsClockTimesAndFrames) {
    struct Case {
        const char* text;
        bool ok;
        int64_t at_2997, after_2997;  // FrameAt at 30000/1001, floor and ceil
    };
    const Case cases[] = {{"1.5", true, 44, 45},      {"1001/30000", true, 1, 1}, {"0", true, 0, 0},
                          {"00:01.5", true, 44, 45},  {"1:00:00", true, 107892, 107893},
                          {"36f", true, 36, 36},      {"x", false, 0, 0},         {"1:75", false, 0, 0},
                          {"1:2:3:4", false, 0, 0},   {"-1", false, 0, 0},        {"1.5f", false, 0, 0},
                          {"", false, 0, 0},          {"1:1/2", false, 0, 0}};
    for (const Case& c : cases) {
        Result<ShotPoint> p = ParseShotPoint(c.text, "--in");
        ASSERT_EQ(p.has_value(), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(p.error().message.find(std::string("--in ") + c.text + ":"), std::string::npos);
            continue;
        }
        EXPECT_EQ(FrameAt(*p, {30000, 1001}), c.at_2997) << c.text;
        EXPECT_EQ(FrameAt(*p, {30000, 1001}, true), c.after_2997) << c.text;
    }
}

TEST(ShotPoint, TrimsKeepTheFramesOnScreenBetweenInAndOut) {
    struct Case {
        const char* in;
        const char* out;
        bool ok;
        int32_t first, last;
    };
    const Case cases[] = {{"", "", true, 0, 89},       {"1", "2", true, 29, 59},   {"30f", "60f", true, 30, 59},
                          {"", "3.003", true, 0, 89},  {"3.1", "", false, 0, 0},   {"", "3.1", false, 0, 0},
                          {"2", "1", false, 0, 0},     {"10f", "10f", false, 0, 0}};
    for (const Case& c : cases) {
        Result<FrameRange> r = TrimRange(c.in, c.out, {30000, 1001}, 90);
        ASSERT_EQ(r.has_value(), c.ok) << c.in << " " << c.out;
        if (!c.ok) continue;
        EXPECT_EQ(r->first, c.first) << c.in;
        EXPECT_EQ(r->last, c.last) << c.out;
    }
}

TEST(Background, MixesStraightColourAndMakesItOpaque) {
    const Background grey{128, 64, 255};
    World w8 = World::Create(PF_PixelFormat_ARGB32, 2, 1, 0, 0).value();
    w8.Pixel8(0, 0) = {0, 10, 20, 30};     // transparent: the background
    w8.Pixel8(1, 0) = {51, 255, 0, 255};   // a fifth opaque
    LayOver(grey, RenderValues::ENCODED, &w8);
    EXPECT_EQ(w8.Pixel8(0, 0).alpha, 255);
    EXPECT_EQ(w8.Pixel8(0, 0).red, 128);
    EXPECT_EQ(w8.Pixel8(1, 0).red, 153);   // (255*51 + 128*204) / 255
    EXPECT_EQ(w8.Pixel8(1, 0).blue, 255);  // (255*51 + 255*204) / 255

    World w16 = World::Create(PF_PixelFormat_ARGB64, 1, 1, 0, 0).value();
    w16.Pixel16(0, 0) = {16384, 32768, 0, 0};
    LayOver(grey, RenderValues::ENCODED, &w16);
    EXPECT_EQ(w16.Pixel16(0, 0).alpha, 32768);
    EXPECT_EQ(w16.Pixel16(0, 0).red, 24608);  // half of 32768 and half of 16448

    // Over linear light the colour is decoded first: sRGB 128 is 0.2158 linear.
    World wf = World::Create(PF_PixelFormat_ARGB128, 1, 1, 0, 0).value();
    wf.PixelFloat(0, 0) = {0.0f, 0.0f, 0.0f, 0.0f};
    LayOver(grey, RenderValues::LINEAR, &wf);
    EXPECT_NEAR(wf.PixelFloat(0, 0).red, 0.2158, 1e-4);
    EXPECT_EQ(wf.PixelFloat(0, 0).alpha, 1.0f);
    EXPECT_FALSE(ParseBackground("#12345", "--background").has_value());
    EXPECT_EQ(ParseBackground("336699", "--background")->blue, 0x99);
}

}  // namespace
