#include "runner/cli/scene.h"

#include <cmath>

#include "runner/cli/downsample.h"
#include "runner/effect_open.h"
#include "runner/cli/image_io.h"

namespace runner::cli {
namespace {

PF_ParamIndex PathParamIndex(const std::vector<ParamDefinition>& params) {
    for (size_t i = 1; i < params.size(); ++i) {
        if (params[i].type == PF_Param_PATH) return params[i].id;
    }
    return -1;
}

}  // namespace

Result<Timing> MakeTiming(int32_t frames, double fps) {
    if (frames < 1 || frames > 1000000) return Error{"--frames " + std::to_string(frames) + ": must be 1 to 1000000"};
    if (!std::isfinite(fps) || fps < 0.01 || fps > 1000.0) {
        return Error{"--fps " + FormatNumber(fps) + ": must be between 0.01 and 1000"};
    }
    // Frame times are whole numbers: a step of 1000 units, fps * 1000 units a second.
    Timing t;
    t.frames = frames;
    t.time_step = 1000;
    t.time_scale = static_cast<uint32_t>(std::lround(fps * 1000.0));
    return t;
}

Result<Scene> PrepareScene(const SceneOptions& options, const std::vector<ParamDefinition>& params,
                           bool allow_ranges) {
    Scene scene;
    scene.plugin = options.plugin;
    scene.downsample = options.downsample;
    if (options.downsample < 1 || options.downsample > 256) {
        return Error{"--downsample " + std::to_string(options.downsample) + ": must be 1 to 256"};
    }
    for (const std::string& assignment : options.params) {
        Result<ParamSetting> setting = ParseParam(assignment, params, allow_ranges);
        if (!setting) return setting.TakeError();
        scene.settings.push_back(*setting);
    }
    Result<std::optional<MaskPath>> mask = LoadMask(options.mask);
    if (!mask) return mask.TakeError();
    scene.mask = *mask;
    if (scene.mask && PathParamIndex(params) < 0) {
        return Error{"--mask: the effect has no mask path parameter"};
    }

    ImageInfo file;
    Result<World> world = ReadWorld(options.input, options.depth, options.raw_colour, &file);
    if (!world) return world.TakeError();
    scene.full_width = file.width;
    scene.full_height = file.height;
    scene.values = ValuesOfRender(file.bits, file.exr, BitsOfFormat(world->Format()));
    if (options.downsample > 1) {
        Result<World> reduced = BoxDownsample(*world, options.downsample);
        if (!reduced) return reduced.TakeError();
        scene.input = std::move(*reduced);
    } else {
        scene.input = std::move(*world);
    }
    return scene;
}

Status ApplyScene(const Scene& scene, const Timing& timing, Session* session) {
    session->SetInput(scene.input.Clone());
    session->SetLayerSize(scene.full_width, scene.full_height);
    const PF_RationalScale factor{1, static_cast<uint32_t>(scene.downsample)};
    session->SetDownsample(factor, factor);
    session->SetTime(0, timing.time_step, timing.time_scale);
    if (scene.mask) {
        const PF_ParamIndex path_index = PathParamIndex(session->Params());
        if (!session->SetMask(MASK_ID, *scene.mask) || !session->SetValue(path_index, MASK_ID)) {
            return Error{"the host refused the mask"};
        }
    }
    const int32_t last_time = (timing.frames - 1) * timing.time_step;
    for (const ParamSetting& s : scene.settings) {
        bool ok = true;
        if (s.is_color) {
            ok = session->SetColor(s.index, s.color);
        } else if (s.animated && timing.frames > 1) {
            ok = session->Animate(s.index, s.from, s.to, 0, last_time);
        } else {
            ok = session->SetValue(s.index, s.from);
        }
        if (!ok) return Error{"--param: the host refused the value for \"" + s.label + "\""};
    }
    return Success();
}

Result<World> RenderAt(Session* session, const Timing& timing, int32_t frame, const std::string& plugin) {
    session->SetTime(frame * timing.time_step, timing.time_step, timing.time_scale);
    RenderResult r = session->RenderFrame();
    if (r.err != PF_Err_NONE) {
        const char* stage = r.render_ran ? "render" : "pre-render";
        return Error{plugin + ": " + stage + (timing.frames > 1 ? " of frame " + std::to_string(frame) : "") +
                     " failed with " + DescribeEffectError(r.err, r.return_msg)};
    }
    if (r.render.escaped_exception || r.pre_render.escaped_exception) {
        return Error{plugin + ": the effect let an exception escape while rendering"};
    }
    if (r.output.Empty()) return Error{plugin + ": the effect produced no output image"};
    return std::move(r.output);
}

}  // namespace runner::cli
