#include "cli/scene.h"

#include <cstdio>

#include "runner/shot/downsample.h"
#include "runner/loader/effect_open.h"
#include "runner/shot/apply_settings.h"

namespace runner::cli {

namespace {

// What the tool's users give instead of a value.
const ValueTerms CLI_TERMS{"--mask FILE or --mask-d PATHDATA", "animate"};

}  // namespace

Result<Scene> PrepareScene(const SceneOptions& options, const std::vector<ParamDefinition>& params,
                           bool allow_ranges, const SourceCheck& check) {
    Scene scene;
    scene.plugin = options.plugin;
    scene.downsample = options.downsample;
    if (options.downsample < 1 || options.downsample > 256) {
        return Error{"--downsample " + std::to_string(options.downsample) + ": must be 1 to 256"};
    }
    for (const std::string& assignment : options.params) {
        Result<ParamSetting> setting = ParseParam(assignment, params, allow_ranges, "--param " + assignment, CLI_TERMS);
        if (!setting) return setting.error();
        scene.settings.push_back(*setting);
    }
    if (!options.keys.empty()) {
        Result<ShotKeys> keys = ReadKeysFile(options.keys, params);
        if (!keys) return keys.error();
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
    Result<std::unique_ptr<FrameSource>> source = OpenSource(options.input, options.start_number);
    if (!source) return source.error();
    scene.source = std::move(*source);
    const SourceInfo& info = scene.source->Info();
    scene.full_width = info.width;
    scene.full_height = info.height;
    scene.bits = options.depth == 0 ? info.bits : options.depth;
    if (FormatForBits(scene.bits) == PF_PixelFormat_INVALID) {
        return Error{"--depth " + std::to_string(scene.bits) + ": use 8, 16 or 32"};
    }
    scene.values = ValuesOfRender(info.bits, info.exr, scene.bits);
    if (check) {
        if (Status ok = check(info, scene.bits); !ok) return ok.error();
    }
    scene.raw_colour = options.raw_colour;
    if (!options.background.empty()) {
        Result<Background> background = ParseBackground(options.background, "--background");
        if (!background) return background.error();
        scene.background = *background;
    }

    // After the input: --mask-fit layer needs the layer's size.
    Result<std::optional<MaskPath>> mask = LoadMask(options.mask, info.width, info.height);
    if (!mask) return mask.error();
    scene.mask = *mask;
    if ((scene.mask || !scene.keys.mask.empty()) && MaskParamIndex(params) < 0) {
        return Error{"--mask: the effect has no mask path parameter"};
    }
    if (const std::string note = scene.mask ? NothingToWalk(options.mask, *scene.mask) : ""; !note.empty()) {
        std::fprintf(stderr, "ringstride: warning: %s\n", note.c_str());
    }
    if (info.kind == SourceKind::STILL) {
        Result<World> world = ReadWorld(options.input, scene.bits, options.raw_colour);
        if (!world) return world.error();
        if (options.downsample > 1) {
            Result<World> reduced = BoxDownsample(*world, options.downsample);
            if (!reduced) return reduced.error();
            scene.input = std::move(*reduced);
        } else {
            scene.input = std::move(*world);
        }
    }
    return scene;
}

Status ReadFrameInto(const Scene& scene, int32_t frame, World* full, World* input) {
    if (scene.downsample == 1) return scene.source->ReadInto(frame, scene.raw_colour, input);
    if (full->Empty()) {
        Result<World> made = World::Create(FormatForBits(scene.bits), scene.full_width, scene.full_height);
        if (!made) return Error{"cannot hold a frame: " + made.error().message};
        *full = std::move(*made);
    }
    if (Status ok = scene.source->ReadInto(frame, scene.raw_colour, full); !ok) return ok;
    Result<World> reduced = BoxDownsample(*full, scene.downsample);
    if (!reduced) return reduced.error();
    *input = std::move(*reduced);
    return Success();
}

Fraction ShotRate(const std::optional<Fraction>& fps, const std::string& input, Scene* scene) {
    const std::optional<Fraction>& own = scene->source->Info().rate;
    const Fraction rate = fps ? *fps : own ? *own : Fraction{24, 1};
    if (const std::string note = scene->source->ConformTo(rate); !note.empty()) {
        std::fprintf(stderr, "ringstride: note: %s: %s\n", input.c_str(), note.c_str());
    }
    return rate;
}

Status SetShotRate(Scene* scene, const Fraction& rate) {
    Result<ShotKeys> placed = PlaceKeys(scene->keys, rate);
    if (!placed) return placed.error();
    scene->keys = std::move(*placed);
    return Success();
}

Status ApplyScene(const Scene& scene, const Timing& timing, Session* session) {
    if (!scene.IsClip()) session->SetInput(scene.input.Clone());
    session->SetLayerSize(scene.full_width, scene.full_height);
    const PF_RationalScale factor{1, static_cast<uint32_t>(scene.downsample)};
    session->SetDownsample(factor, factor);
    session->SetTime(timing.TimeOf(0), timing.time_step, timing.time_scale);
    if (Status ok = ApplyMask(session, scene.mask, MASK_ID); !ok) return ok;
    if (!scene.keys.mask.empty() && !session->SetValue(MaskParamIndex(session->Params()), MASK_ID)) {
        return Error{"the host refused the mask"};
    }
    if (Status ok = ApplySettings(session, scene.settings, timing.SecondsOf(0), timing.SecondsOf(timing.frames - 1));
        !ok) {
        return Error{"--param: " + ok.error().message};
    }
    return ApplyKeys(scene.keys, MASK_ID, session);
}

Result<World> RenderAt(const Scene& scene, Session* session, const Timing& timing, int32_t frame) {
    session->SetTime(timing.TimeOf(frame), timing.time_step, timing.time_scale);
    const std::string label = timing.frames > 1 ? " of frame " + std::to_string(frame) : "";
    RenderResult rendered = session->RenderFrame();
    if (Status ok = CheckFrame(rendered, label); !ok) return Error{scene.plugin + ": " + ok.error().message};
    if (scene.background) {
        LayOver(*scene.background, scene.raw_colour ? RenderValues::ENCODED : scene.values, &rendered.output);
    }
    return std::move(rendered.output);
}

}  // namespace runner::cli
