// What render and animate share: the input image at the render depth and
// resolution, the mask, and the parameter settings, checked against the
// parameters the effect registered, then applied to a session and rendered.
#ifndef FOLVEK_RUNNER_CLI_SCENE_H
#define FOLVEK_RUNNER_CLI_SCENE_H

#include <optional>
#include <string>
#include <vector>

#include "runner/cli/colour.h"
#include "runner/cli/mask_select.h"
#include "runner/param_text.h"
#include "runner/result.h"
#include "runner/session.h"

namespace runner::cli {

struct SceneOptions {
    std::string input;
    std::string plugin;                // empty: DefaultPluginPath()
    MaskOptions mask;
    std::vector<std::string> params;   // NAME=VALUE as typed
    int32_t depth = 0;                 // 0: the input file's
    int32_t downsample = 1;
    std::string compression;           // --compression as typed; empty: the output format's default
    bool raw_colour = false;           // --raw-colour: no colour conversion or tags, in or out
};

// Frame times: frame k is at k * time_step in units of 1 / time_scale s.
struct Timing {
    int32_t frames = 1;
    int32_t time_step = 1;
    uint32_t time_scale = 24;
};

// The path id under which the mask is handed to the host.
constexpr PF_PathID MASK_ID = 1;

struct Scene {
    std::string plugin;
    World input;                 // render depth and resolution
    int32_t full_width = 0;      // the file's size
    int32_t full_height = 0;
    int32_t downsample = 1;
    std::optional<MaskPath> mask;
    std::vector<ParamSetting> settings;
    RenderValues values = RenderValues::ENCODED;  // what the rendered numbers stand for (colour.h)
};

Result<Scene> PrepareScene(const SceneOptions& options, const std::vector<ParamDefinition>& params,
                           bool allow_ranges);

// Input, size, resolution, mask and values (animated across `timing`).
Status ApplyScene(const Scene& scene, const Timing& timing, Session* session);

// One frame through pre-render and smart render; the output world, or the
// effect's error with its code and message.
Result<World> RenderAt(Session* session, const Timing& timing, int32_t frame, const std::string& plugin);

// Timing for `frames` frames at `fps` frames per second.
Result<Timing> MakeTiming(int32_t frames, double fps);

}  // namespace runner::cli

#endif
