// Exact rates and times: a frame rate or an instant as a fraction of whole
// numbers, so that 30000/1001 stays 30000/1001 and frame i is handed to the
// effect at exactly i * 1001 / 30000 s.
#ifndef FOLVEK_RUNNER_SHOT_FRAME_RATE_H
#define FOLVEK_RUNNER_SHOT_FRAME_RATE_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner {

// num / den, reduced, both positive (den >= 1; num may be 0 for a time).
struct Fraction {
    int64_t num = 0;
    int64_t den = 1;
};

// "24", "12.5", "30000/1001"; as in ffmpeg, 23.976, 29.97, 47.952 and 59.94
// (and their "ntsc" names) mean 24000/1001, 30000/1001, 48000/1001 and
// 60000/1001. Between 0.01 and 1000 frames per second. Messages begin with
// `what` and the text ("--fps 1/2/3: ...").
Result<Fraction> ParseFrameRate(const std::string& text, const std::string& what);

// Seconds as "1.5", "15e-1" or "1001/30000", from 0 to 2^31 - 1, with
// numerator and denominator within 2^31 - 1 (what the host's frame times
// hold).
Result<Fraction> ParseSeconds(const std::string& text, const std::string& what);

// "30000/1001 (29.97)", "24".
std::string DescribeRate(const Fraction& rate);

// When frame `frame` of a shot at `rate` is, in seconds: the same double as
// the host computes for that frame (frame * den / num), so that a key given
// by frame falls exactly on it. |frame| < 2^31.
double FrameSeconds(int64_t frame, const Fraction& rate);

// Frame times: frame k is at start_time + k * time_step in units of
// 1 / time_scale s.
struct Timing {
    int32_t frames = 1;
    int32_t start_time = 0;
    int32_t time_step = 1;
    uint32_t time_scale = 24;

    int32_t TimeOf(int32_t frame) const { return start_time + frame * time_step; }
    double SecondsOf(int32_t frame) const { return TimeOf(frame) / static_cast<double>(time_scale); }
};

// `frames` frames at `rate`: the scale is the rate's numerator and the step
// its denominator, so every frame time is exact. Messages name the frames
// and the rate, not any front-end's option.
Result<Timing> MakeTiming(int32_t frames, const Fraction& rate);

// One instant (as ParseSeconds gives it), for rendering a single frame.
Result<Timing> TimingAt(const Fraction& seconds);

}  // namespace runner

#endif
