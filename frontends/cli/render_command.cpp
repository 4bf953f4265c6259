#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "cli/memory_budget.h"
#include "cli/output_claim.h"
#include "runner/media/image_io.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {
namespace {

// A clip's frame on screen at --at at `rate` (a video conformed to it by
// ShotRate, as for animate), rendered as animate renders that frame: at its
// own time.
Status ReadClipFrame(const RenderOptions& options, const Fraction& rate, Scene* scene, Session* session,
                     Timing* timing, int32_t* frame) {
    const SourceInfo& info = scene->source->Info();
    Result<ShotPoint> at = ParseShotPoint(options.at.empty() ? "0" : options.at, "--at");
    if (!at) return at.error();
    const int64_t k = FrameAt(*at, rate);
    if (k >= info.frames) {
        return Error{"--at " + options.at + ": past the end of " + options.scene.input + " (" +
                     std::to_string(info.frames) + " frames, " + Length(info.frames, rate) + ")"};
    }
    *frame = static_cast<int32_t>(k);
    Result<Timing> made = MakeTiming(*frame + 1, rate);
    if (!made) return Error{"--at " + options.at + ": " + made.error().message};
    *timing = *made;
    if (Status ok = SetShotRate(scene, rate); !ok) return ok;
    if (Status ok = ApplyScene(*scene, *timing, session); !ok) return ok;
    Result<World> input = World::Create(FormatForBits(scene->bits), scene->RenderWidth(), scene->RenderHeight());
    if (!input) return Error{"cannot hold a frame: " + input.error().message};
    World full;
    if (Status ok = ReadFrameInto(*scene, *frame, &full, &*input); !ok) return ok;
    session->SetInput(std::move(*input));
    return Success();
}

// A still at --at (a time only), its keys by frame placed at `rate`.
Status PlaceStill(const RenderOptions& options, const Fraction& rate, Scene* scene, Session* session,
                  Timing* timing) {
    Result<Fraction> at = ParseSeconds(options.at.empty() ? "0" : options.at, "--at");
    if (!at) return at.error();
    Result<Timing> made = TimingAt(*at);
    if (!made) return Error{"--at " + options.at + ": " + made.error().message};
    *timing = *made;
    if (Status ok = SetShotRate(scene, rate); !ok) return ok;
    if (!options.at.empty() && options.scene.keys.empty()) {
        // The picture is right at any time; the option may be a slip.
        std::fprintf(stderr, "ringstride: warning: --at %s: nothing is keyed without --keys, so a still renders the "
                             "same at every time\n", options.at.c_str());
    }
    return ApplyScene(*scene, *timing, session);
}

}  // namespace

Status RunRender(const RenderOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    if (Status ok = CheckOutputFile(options.output); !ok) return ok;
    Result<std::optional<Fraction>> fps = ParseFps(options.fps);
    if (!fps) return fps.error();
    Result<Compression> compression = ParseCompression(options.scene.compression, options.output);
    if (!compression) return compression.error();
    Result<int64_t> memory_limit = MemoryLimit(options.scene.max_memory);
    if (!memory_limit) return memory_limit.error();
    if (Status ok = RefuseOverwritingInputs({options.output}, InputFiles({options.scene.input, options.scene.mask.file,
                                                                  options.scene.keys}));
        !ok) {
        return ok;
    }
    Result<OpenedEffect> opened = OpenEffect(options.scene.plugin);
    if (!opened) return opened.error();
    Session* session = opened->session.get();

    // The memory the render needs is known before the picture is read.
    const SourceCheck fits = [&](const SourceInfo& info, int32_t bits) -> Status {
        FrameShape shape;
        shape.full_width = info.width;
        shape.full_height = info.height;
        shape.width = (info.width + options.scene.downsample - 1) / options.scene.downsample;
        shape.height = (info.height + options.scene.downsample - 1) / options.scene.downsample;
        shape.bits = bits;
        shape.still = true;
        Result<int32_t> fit = WorkersWithin(shape, 0, true, *memory_limit, options.scene.input);
        if (!fit) return fit.error();
        return Success();
    };
    Result<Scene> scene = PrepareScene(options.scene, session->Params(), false, fits);
    if (!scene) return scene.error();
    Timing timing;
    int32_t frame = 0;
    std::string which;
    const Fraction rate = ShotRate(*fps, options.scene.input, &*scene);
    if (scene->IsClip()) {
        if (Status ok = ReadClipFrame(options, rate, &*scene, session, &timing, &frame); !ok) return ok;
        char at[64];
        std::snprintf(at, sizeof at, "%.6g", timing.SecondsOf(frame));
        which = " (frame " + std::to_string(frame) + " of " + options.scene.input + ", at " + at + " s)";
    } else if (Status ok = PlaceStill(options, rate, &*scene, session, &timing); !ok) {
        return ok;
    }
    Result<World> rendered = RenderAt(*scene, session, timing, frame);
    if (!rendered) return rendered.error();
    const WriteOptions write{*compression, scene->values, options.scene.raw_colour};
    Result<OutputLock> lock = ClaimOutput(options.output, 0, 0);
    if (!lock) return lock.error();
    if (Status ok = WriteImage(*rendered, options.output, write); !ok) return ok;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "rendered " << rendered->Width() << "x" << rendered->Height() << " at "
              << BitsOfFormat(rendered->Format()) << (BitsOfFormat(rendered->Format()) == 32 ? "-bit float" : "-bit")
              << " in " << static_cast<int64_t>(seconds * 1000.0) << " ms -> " << options.output << which << "\n";
    return Success();
}

}  // namespace runner::cli
