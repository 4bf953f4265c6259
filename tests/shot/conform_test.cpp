// Clips conformed to a constant rate: a clip at its own rate is itself,
// another rate repeats or leaves out frames and keeps the length, a
// variable-rate clip takes its average rate.
#include <gtest/gtest.h>

#include "runner/shot/conform.h"

namespace {

using runner::ClipTimes;
using runner::ConformClip;
using runner::Fraction;
using runner::NativeRate;

// `frames` frames `step` ticks apart (plus `jitter` on every other one).
ClipTimes Even(int frames, int64_t step, Fraction tb, int64_t jitter = 0) {
    ClipTimes c;
    c.time_base = tb;
    for (int i = 0; i < frames; ++i) c.starts.push_back(i * step + (i % 2 == 1 ? jitter : 0));
    c.end = frames * step;
    return c;
}

TEST(Conform, KeepsLengthAtAnyRate) {
    struct Case {
        const char* what;
        ClipTimes clip;
        Fraction rate;
        size_t frames;
        int32_t repeated, left_out;
    };
    const Case cases[] = {
        {"29.97 as it is", Even(90, 1001, {1, 30000}), {30000, 1001}, 90, 0, 0},
        {"29.97 to 25", Even(90, 1001, {1, 30000}), {25, 1}, 75, 0, 15},
        {"24 to 48", Even(24, 3750, {1, 90000}), {48, 1}, 48, 24, 0},
        {"24 with a tick of jitter", Even(24, 3750, {1, 90000}, 1), {24, 1}, 24, 0, 0},
    };
    for (const Case& c : cases) {
        const runner::Conformed shot = ConformClip(c.clip, c.rate);
        EXPECT_EQ(shot.source.size(), c.frames) << c.what;
        EXPECT_EQ(shot.repeated, c.repeated) << c.what;
        EXPECT_EQ(shot.left_out, c.left_out) << c.what;
        for (size_t k = 1; k < shot.source.size(); ++k) EXPECT_GE(shot.source[k], shot.source[k - 1]) << c.what;
    }
    // 25 fps from 29.97: frame k shows the clip frame nearest its time.
    const runner::Conformed pal = ConformClip(Even(90, 1001, {1, 30000}), {25, 1});
    EXPECT_EQ(pal.source[5], 6);   // 0.2 s: clip frame 5.994
    EXPECT_EQ(pal.source[74], 89);
}

TEST(Conform, VariableRateClipTakesItsAverage) {
    // 30 frames at 50 fps, then 17 at 12.5 fps: 47 frames over 1.96 s.
    ClipTimes vfr;
    vfr.time_base = {1, 1000};
    for (int i = 0; i < 30; ++i) vfr.starts.push_back(i * 20);
    for (int i = 0; i < 17; ++i) vfr.starts.push_back(600 + i * 80);
    vfr.end = 1960;
    const Fraction rate = NativeRate(vfr, Fraction{50, 1});
    EXPECT_EQ(rate.num, 1175);  // 47 / 1.96 s exactly
    EXPECT_EQ(rate.den, 49);
    const runner::Conformed shot = ConformClip(vfr, rate);
    EXPECT_EQ(shot.source.size(), 47u);
    EXPECT_GT(shot.repeated, 0);
    EXPECT_GT(shot.left_out, 0);
    EXPECT_NE(runner::DescribeConform(vfr, shot, true).find("variable rate"), std::string::npos);
    // A clip that keeps its stated rate stays at it, and says nothing.
    const ClipTimes ntsc = Even(90, 1001, {1, 30000});
    const Fraction kept = NativeRate(ntsc, Fraction{30000, 1001});
    EXPECT_EQ(kept.num, 30000);
    EXPECT_EQ(runner::DescribeConform(ntsc, ConformClip(ntsc, kept), false), "");
}

}  // namespace
