#include "runner/cli/scene.h"

#include "runner/cli/downsample.h"
#include "runner/effect_open.h"

namespace runner::cli {
namespace {

PF_ParamIndex PathParamIndex(const std::vector<ParamDefinition>& params) {
    for (size_t i = 1; i < params.size(); ++i) {
        if (params[i].type == PF_Param_PATH) return params[i].id;
    }
    return -1;
}

}  // namespace

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
    if (!options.keys.empty()) {
        Result<ShotKeys> keys = ReadKeysFile(options.keys, params);
        if (!keys) return keys.TakeError();
        for (const ParamTrack& track : keys->params) {
            for (const ParamSetting& s : scene.settings) {
                if (s.index == track.index) {
                    return Error{"\"" + track.label + "\" is given both in " + options.keys +
                                 " and with --param; give it in one place"};
                }
            }
        }
        if (!keys->mask.empty() && (!options.mask.file.empty() || !options.mask.path_data.empty())) {
            return Error{options.keys + " keys the mask; leave out --mask and --mask-d"};
        }
        scene.keys = std::move(*keys);
    }
    Result<std::optional<MaskPath>> mask = LoadMask(options.mask);
    if (!mask) return mask.TakeError();
    scene.mask = *mask;
    if ((scene.mask || !scene.keys.mask.empty()) && PathParamIndex(params) < 0) {
        return Error{"--mask: the effect has no mask path parameter"};
    }

    Result<std::unique_ptr<FrameSource>> source = OpenSource(options.input, options.start_number);
    if (!source) return source.TakeError();
    scene.source = std::move(*source);
    const SourceInfo& info = scene.source->Info();
    scene.full_width = info.width;
    scene.full_height = info.height;
    scene.bits = options.depth == 0 ? info.bits : options.depth;
    if (info.kind == SourceKind::STILL) {
        Result<FileImage> image = scene.source->Read(0);
        if (!image) return image.TakeError();
        Result<World> world = SceneWorld(scene, *image);
        if (!world) return Error{options.input + ": " + world.Message()};
        scene.input = std::move(*world);
    }
    return scene;
}

Result<World> SceneWorld(const Scene& scene, const FileImage& image) {
    Result<World> world = ToWorld(image, scene.bits);
    if (!world) return world.TakeError();
    if (scene.downsample == 1) return world;
    return BoxDownsample(*world, scene.downsample);
}

Status ApplyScene(const Scene& scene, const Timing& timing, Session* session) {
    if (!scene.IsClip()) session->SetInput(scene.input.Clone());
    session->SetLayerSize(scene.full_width, scene.full_height);
    const PF_RationalScale factor{1, static_cast<uint32_t>(scene.downsample)};
    session->SetDownsample(factor, factor);
    session->SetTime(timing.TimeOf(0), timing.time_step, timing.time_scale);
    const PF_ParamIndex path_index = PathParamIndex(session->Params());
    if (scene.mask) {
        if (!session->SetMask(MASK_ID, *scene.mask) || !session->SetValue(path_index, MASK_ID)) {
            return Error{"the host refused the mask"};
        }
    }
    if (!scene.keys.mask.empty() && !session->SetValue(path_index, MASK_ID)) {
        return Error{"the host refused the mask"};
    }
    const double first = timing.SecondsOf(0);
    const double last = timing.SecondsOf(timing.frames - 1);
    for (const ParamSetting& s : scene.settings) {
        bool ok = true;
        if (s.is_color) {
            ok = session->SetColor(s.index, s.color);
        } else if (s.animated && timing.frames > 1) {
            ok = session->SetKeys(s.index, {ScalarKey{first, s.from, KEY_LINEAR}, ScalarKey{last, s.to, KEY_LINEAR}});
        } else {
            ok = session->SetValue(s.index, s.from);
        }
        if (!ok) return Error{"--param: the host refused the value for \"" + s.label + "\""};
    }
    return ApplyKeys(scene.keys, MASK_ID, session);
}

Result<World> RenderAt(Session* session, const Timing& timing, int32_t frame, const std::string& plugin) {
    session->SetTime(timing.TimeOf(frame), timing.time_step, timing.time_scale);
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
