// What render and animate share: the input (a still picture, or a clip or
// sequence whose frames arrive one by one) at the render depth and
// resolution, the mask, the parameter settings and keyframes, checked
// against the parameters the effect registered, then applied to a session
// and rendered.
#ifndef FOLVEK_CLI_SCENE_H
#define FOLVEK_CLI_SCENE_H

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runner/shot/frame_rate.h"
#include "runner/media/frame_source.h"
#include "runner/shot/background.h"
#include "runner/shot/colour.h"
#include "cli/mask_select.h"
#include "runner/shot/keys_file.h"
#include "runner/shot/param_text.h"
#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner::cli {

struct SceneOptions {
    std::string input;
    std::string plugin;                // empty: DefaultPluginPath()
    MaskOptions mask;
    std::vector<std::string> params;   // NAME=VALUE as typed
    std::string keys;                  // --keys FILE.json, empty if not given
    int32_t start_number = -1;         // --start-number; -1: the lowest that exists
    int32_t depth = 0;                 // 0: the input's
    int32_t downsample = 1;
    std::string compression;           // --compression as typed; empty: the output format's default
    bool raw_colour = false;           // --raw-colour: no colour conversion or tags, in or out
    std::string background;            // --background #RRGGBB; empty: alpha kept
    std::string max_memory;            // --max-memory as typed; empty: the default limit
};

// The path id under which the mask is handed to the host.
constexpr PF_PathID MASK_ID = 1;

struct Scene {
    std::string plugin;
    std::shared_ptr<FrameSource> source;
    World input;                 // a still's picture; empty for clips and sequences
    int32_t bits = 8;            // render depth
    int32_t full_width = 0;      // the source's size
    int32_t full_height = 0;
    int32_t downsample = 1;
    std::optional<MaskPath> mask;
    std::vector<ParamSetting> settings;
    ShotKeys keys;               // placed at the shot's rate by SetShotRate
    RenderValues values = RenderValues::ENCODED;  // what the rendered numbers stand for (colour.h)
    bool raw_colour = false;
    std::optional<Background> background;         // rendered frames are laid over it

    bool IsClip() const { return input.Empty(); }
    // The rendered frame's size: the source's, downsampled (rounded up).
    int32_t RenderWidth() const { return (full_width + downsample - 1) / downsample; }
    int32_t RenderHeight() const { return (full_height + downsample - 1) / downsample; }
};

// Called once the source's size and the render depth are known, before any
// frame-sized memory is taken: a failure stops the preparation.
using SourceCheck = std::function<Status(const SourceInfo& info, int32_t bits)>;

// `allow_ranges`: FROM..TO values (animate). A still is read here; a clip
// only has its length, rate and size looked up.
Result<Scene> PrepareScene(const SceneOptions& options, const std::vector<ParamDefinition>& params,
                           bool allow_ranges, const SourceCheck& check = nullptr);

// The shot's rate: `fps` when given, else a clip's own, else 24. A video
// is conformed to it, said in one note line about `input` when that changes
// its frames.
Fraction ShotRate(const std::optional<Fraction>& fps, const std::string& input, Scene* scene);

// The shot's frame rate: keys given by frame are placed at it, and every
// key checked to be in time order (an error names the file, track and key).
Status SetShotRate(Scene* scene, const Fraction& rate);

// Input (for a still), size, resolution, mask, values and keys. FROM..TO
// becomes two linear keys at the first and the last frame of `timing`.
Status ApplyScene(const Scene& scene, const Timing& timing, Session* session);

// Frame `frame` of a clip into `input`, a world at the render depth and
// resolution (reused frame after frame); `full` holds the full-size frame
// when the render is downsampled. Not from two threads at once for a video.
Status ReadFrameInto(const Scene& scene, int32_t frame, World* full, World* input);

// One frame through pre-render and smart render, laid over the background
// if there is one; the output world, or the effect's error with its code
// and message.
Result<World> RenderAt(const Scene& scene, Session* session, const Timing& timing, int32_t frame);

}  // namespace runner::cli

#endif
