// Points of a shot as typed for --in, --out and a clip's --at: seconds
// (1.5, 1001/30000, or ffmpeg's [HH:]MM:SS[.fraction]) or a frame number
// counted from 0 with an f after it (36f); and the frames of --range.
#ifndef FOLVEK_CLI_SHOT_POINT_H
#define FOLVEK_CLI_SHOT_POINT_H

#include <stdint.h>

#include <optional>
#include <string>

#include "runner/core/error.h"
#include "runner/shot/frame_rate.h"

namespace runner::cli {

struct ShotPoint {
    bool is_frame = false;
    int64_t frame = 0;  // is_frame
    Fraction seconds;   // otherwise
};

Result<ShotPoint> ParseShotPoint(const std::string& text, const std::string& what);

// --fps as typed; none when it is empty.
Result<std::optional<Fraction>> ParseFps(const std::string& text);

// The frame on screen at the point at `rate` (frame k lasts from k / rate
// to (k + 1) / rate); `after`: the first frame that starts at or after it.
int64_t FrameAt(const ShotPoint& point, const Fraction& rate, bool after = false);

// Frames `first` to `last`, counted from 0, both included.
struct FrameRange {
    int32_t first = 0;
    int32_t last = 0;
};

// "3.5 s": how long `frames` frames at `rate` last, for messages.
std::string Length(int32_t frames, const Fraction& rate);

// "A-B" (from 0, inclusive) within `frames`.
Result<FrameRange> ParseRange(const std::string& text, int32_t frames);

// The frames from --in to --out of a shot of `frames` frames at `rate`: from
// the frame on screen at --in up to the first frame that starts at or after
// --out, which is left out (as ffmpeg's -ss and -to). Either may be empty.
Result<FrameRange> TrimRange(const std::string& in, const std::string& out, const Fraction& rate, int32_t frames);

}  // namespace runner::cli

#endif
