// The commands of the tool. Each returns what it has to report as an
// error; on success it has printed its own output.
#ifndef FOLVEK_CLI_COMMANDS_H
#define FOLVEK_CLI_COMMANDS_H

#include <string>

#include "cli/scene.h"
#include "cli/shot_point.h"
#include "runner/core/error.h"

namespace runner::cli {

Status RunInfo(const std::string& plugin);

struct RenderOptions {
    SceneOptions scene;
    std::string output;
    std::string at;        // seconds of the shot: 1.5 or 1001/30000 (for a clip also 36f); empty: 0, not given
    std::string fps;       // the shot's rate, which places keys given by frame; empty: a clip's own, else 24
};

Status RunRender(const RenderOptions& options);

struct AnimateOptions {
    SceneOptions scene;
    std::string output;    // a frame-number pattern or a .mp4/.mov/.webm/.gif file
    int32_t frames = -1;   // -1: the clip's length (a still needs it)
    std::string fps;       // empty: the clip's rate, or 24
    int32_t threads = 0;   // 0: every core
    std::string range;     // "A-B": only those frames (patterns only); empty: all
    std::string in, out;   // trims: seconds or frames (36f), see shot_point.h; empty: the ends
    int32_t crf = -1;      // -1: the codec's usual
    bool no_audio = false;
    bool dry_run = false;  // check everything, print what would be rendered, render nothing
    bool show_keys = false;  // with dry_run: every frame's keyed values as the effect gets them
    bool resume = false;   // frames whose files are there and complete are not rendered again
};

Status RunAnimate(const AnimateOptions& options);

struct EncodeOptions {
    std::string pattern;       // finished frames: frames/f_%05d.png
    std::string output;        // .mp4, .mov, .webm, .gif
    std::string fps;           // empty: the --audio source's picture's rate, else 24
    std::string audio;         // a file whose first audio stream goes along
    int32_t start_number = -1;
    int32_t crf = -1;
    bool raw_colour = false;
    bool linear = false;       // float TIFF frames hold scene-linear light (a float render of EXR)
    std::string background;    // --background #RRGGBB; empty: alpha kept
    std::string max_memory;    // --max-memory as typed; empty: the default limit
};

Status RunEncode(const EncodeOptions& options);

}  // namespace runner::cli

#endif
