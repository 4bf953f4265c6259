#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "runner/media/image_io.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {
namespace {

// A clip's frame on screen at --at (a sequence's at 24 fps, as animate's
// default), rendered as animate renders that frame: at the frame's own time.
Status ReadClipFrame(const RenderOptions& options, Scene* scene, Session* session, Timing* timing, int32_t* frame) {
    const SourceInfo& info = scene->source->Info();
    Result<ShotPoint> at = ParseShotPoint(options.at, "--at");
    if (!at) return at.error();
    const Fraction rate = info.rate ? *info.rate : Fraction{24, 1};
    const int64_t k = FrameAt(*at, rate);
    if (k >= info.frames) {
        char length[64];
        std::snprintf(length, sizeof length, "%.6g s", info.frames * static_cast<double>(rate.den) / static_cast<double>(rate.num));
        return Error{"--at " + options.at + ": past the end of " + options.scene.input + " (" +
                     std::to_string(info.frames) + " frames, " + length + ")"};
    }
    *frame = static_cast<int32_t>(k);
    Result<Timing> made = MakeTiming(*frame + 1, rate);
    if (!made) return made.error();
    *timing = *made;
    if (Status ok = ApplyScene(*scene, *timing, session); !ok) return ok;
    Result<World> input = World::Create(FormatForBits(scene->bits), scene->RenderWidth(), scene->RenderHeight());
    if (!input) return Error{"cannot hold a frame: " + input.error().message};
    World full;
    if (Status ok = ReadFrameInto(*scene, *frame, &full, &*input); !ok) return ok;
    session->SetInput(std::move(*input));
    return Success();
}

}  // namespace

Status RunRender(const RenderOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    if (Status ok = CheckOutputFile(options.output); !ok) return ok;
    Result<Compression> compression = ParseCompression(options.scene.compression, options.output);
    if (!compression) return compression.error();
    Result<OpenedEffect> opened = OpenEffect(options.scene.plugin);
    if (!opened) return opened.error();
    Session* session = opened->session.get();

    Result<Scene> scene = PrepareScene(options.scene, session->Params(), false);
    if (!scene) return scene.error();
    Timing timing;
    int32_t frame = 0;
    std::string which;
    if (scene->IsClip()) {
        if (Status ok = ReadClipFrame(options, &*scene, session, &timing, &frame); !ok) return ok;
        char at[64];
        std::snprintf(at, sizeof at, "%.6g", timing.SecondsOf(frame));
        which = " (frame " + std::to_string(frame) + " of " + options.scene.input + ", at " + at + " s)";
    } else {
        Result<Fraction> at = ParseSeconds(options.at, "--at");
        if (!at) return at.error();
        Result<Timing> made = TimingAt(*at);
        if (!made) return made.error();
        timing = *made;
        if (Status ok = ApplyScene(*scene, timing, session); !ok) return ok;
    }
    Result<World> rendered = RenderAt(*scene, session, timing, frame);
    if (!rendered) return rendered.error();
    const WriteOptions write{*compression, scene->values, options.scene.raw_colour};
    if (Status ok = WriteImage(*rendered, options.output, write); !ok) return ok;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "rendered " << rendered->Width() << "x" << rendered->Height() << " at "
              << BitsOfFormat(rendered->Format()) << (BitsOfFormat(rendered->Format()) == 32 ? "-bit float" : "-bit")
              << " in " << static_cast<int64_t>(seconds * 1000.0) << " ms -> " << options.output << which << "\n";
    return Success();
}

}  // namespace runner::cli
