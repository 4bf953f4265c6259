// A clip's frames as its decoder gives them, and a shot at one constant
// rate made of them the way editors conform a clip: each frame of the shot
// shows the clip's frame on screen at its time, so frames are repeated or
// left out and the shot lasts as long as the clip (and its sound).
#ifndef FOLVEK_RUNNER_SHOT_CONFORM_H
#define FOLVEK_RUNNER_SHOT_CONFORM_H

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "runner/shot/frame_rate.h"

namespace runner {

struct ClipTimes {
    Fraction time_base{1, 1};     // seconds per tick
    std::vector<int64_t> starts;  // each decoded frame's presentation time in ticks, increasing
    int64_t end = 0;              // when the last frame ends, in ticks

    double Seconds() const;       // from the first frame's start to the end
};

struct Conformed {
    Fraction rate;
    std::vector<int32_t> source;  // source[k]: the clip's frame shown as frame k of the shot
    int32_t repeated = 0;         // frames of the shot that show the same clip frame as the one before
    int32_t left_out = 0;         // clip frames no frame of the shot shows

    bool Identity() const { return repeated == 0 && left_out == 0; }
};

// The shot at `rate`: round(duration x rate) frames (at least 1), frame k
// showing the last clip frame that starts within half a frame of k / rate.
Conformed ConformClip(const ClipTimes& clip, const Fraction& rate);

// The clip's own rate: `stated` (the container's) when every frame keeps
// to it, else the average over the clip (kept to thousandths of a frame per
// second where it is no simpler fraction).
Fraction NativeRate(const ClipTimes& clip, const std::optional<Fraction>& stated);

// One line saying what a conform did: "47 frames over 1.94 s at a variable
// rate, conformed to 24227/1000 (24.227) fps: 47 frames, 3 repeated and 3
// left out"; empty when the shot is the clip frame for frame.
std::string DescribeConform(const ClipTimes& clip, const Conformed& shot, bool variable);

}  // namespace runner

#endif
