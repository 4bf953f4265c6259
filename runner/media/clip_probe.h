// What ffprobe says about a clip: its first picture stream (size, depth,
// pixel aspect, rate, when each frame the decoder gives starts) and its
// first sound stream. The frames listed are those the decoder puts out:
// packets an edit list hides (a trim by stream copy) are not counted.
#ifndef FOLVEK_RUNNER_MEDIA_CLIP_PROBE_H
#define FOLVEK_RUNNER_MEDIA_CLIP_PROBE_H

#include <stdint.h>

#include <optional>
#include <string>

#include "runner/core/error.h"
#include "runner/shot/conform.h"
#include "runner/shot/frame_rate.h"

namespace runner {

struct ClipProbe {
    bool has_picture = false;
    int32_t width = 0;               // as decoded and turned upright
    int32_t height = 0;
    bool deep = false;               // more than 8 bits a channel
    std::string codec;               // "h264", "vp9" ...
    bool vpx_alpha = false;          // VP8/VP9 with an alpha channel beside it (WebM's alpha_mode)
    Fraction pixel_aspect{1, 1};     // the sample aspect ratio; 1:1 when none is stated
    std::optional<Fraction> stated_rate;  // the container's frame rate
    ClipTimes times;                 // the decoded frames
    double first_frame_seconds = 0;  // the first frame's start from the file's start (its -ss time)
    std::string audio_codec;         // the first sound stream's codec; empty: none
};

// Runs ffprobe on `file` (two runs: the streams, then the picture's packets).
Result<ClipProbe> ProbeClip(const std::string& file);

// The clip's rate as the tool uses it by default: the container's where
// the frames keep to it, else their average; 24 when it has no picture.
Fraction DefaultRate(const ClipProbe& clip);

// True where a rate was stated or the frames' times give one.
bool HasRate(const ClipProbe& clip);

}  // namespace runner

#endif
