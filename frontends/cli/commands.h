// The commands of the tool. Each returns what it has to report as an
// error; on success it has printed its own output.
#ifndef FOLVEK_CLI_COMMANDS_H
#define FOLVEK_CLI_COMMANDS_H

#include <string>

#include "cli/scene.h"
#include "runner/core/error.h"

namespace runner::cli {

Status RunInfo(const std::string& plugin);

struct RenderOptions {
    SceneOptions scene;
    std::string output;
    std::string at = "0";  // seconds of the shot: 1.5 or 1001/30000
};

Status RunRender(const RenderOptions& options);

struct AnimateOptions {
    SceneOptions scene;
    std::string output;    // a frame-number pattern or a .mp4/.mov/.webm/.gif file
    int32_t frames = -1;   // -1: the clip's length (a still needs it)
    std::string fps;       // empty: the clip's rate, or 24
    int32_t threads = 0;   // 0: every core
    std::string range;     // "A-B": only those frames (patterns only); empty: all
    int32_t crf = -1;      // -1: the codec's usual
    bool no_audio = false;
    bool dry_run = false;  // check everything, print what would be rendered, render nothing
    bool resume = false;   // frames whose files are there and complete are not rendered again
};

Status RunAnimate(const AnimateOptions& options);

struct EncodeOptions {
    std::string pattern;       // finished frames: frames/f_%05d.png
    std::string output;        // .mp4, .mov, .webm, .gif
    std::string fps = "24";
    std::string audio;         // a file whose first audio stream goes along
    int32_t start_number = -1;
    int32_t crf = -1;
    bool raw_colour = false;
    std::string max_memory;    // --max-memory as typed; empty: the default limit
};

Status RunEncode(const EncodeOptions& options);

// "A-B" (from 0, inclusive) within `frames`.
struct FrameRange {
    int32_t first = 0;
    int32_t last = 0;
};
Result<FrameRange> ParseRange(const std::string& text, int32_t frames);

}  // namespace runner::cli

#endif
