#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "runner/media/image_io.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {

Status RunRender(const RenderOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    if (Status ok = CheckOutputFile(options.output); !ok) return ok;
    Result<Fraction> at = ParseSeconds(options.at.empty() ? "0" : options.at, "--at");
    if (!at) return at.error();
    Result<Timing> timing = TimingAt(*at);
    if (!timing) return Error{"--at " + options.at + ": " + timing.error().message};
    Result<Fraction> rate = ParseFrameRate(options.fps.empty() ? "24" : options.fps, "--fps");
    if (!rate) return rate.error();
    Result<Compression> compression = ParseCompression(options.scene.compression, options.output);
    if (!compression) return compression.error();
    Result<OpenedEffect> opened = OpenEffect(options.scene.plugin);
    if (!opened) return opened.error();
    Session* session = opened->session.get();

    Result<Scene> scene = PrepareScene(options.scene, session->Params(), false);
    if (!scene) return scene.error();
    if (scene->IsClip()) {
        return Error{options.scene.input + ": render takes one picture; use animate (with --range A-A for one "
                     "frame) for a clip or a sequence"};
    }
    if (Status ok = SetShotRate(&*scene, *rate); !ok) return ok;
    if (!options.at.empty() && options.scene.keys.empty()) {
        // The picture is right at any time; the option may be a slip.
        std::fprintf(stderr, "ringstride: warning: --at %s: nothing is keyed without --keys, so a still renders the "
                             "same at every time\n", options.at.c_str());
    }
    if (Status ok = ApplyScene(*scene, *timing, session); !ok) return ok;
    Result<World> frame = RenderAt(session, *timing, 0, options.scene.plugin);
    if (!frame) return frame.error();
    const WriteOptions write{*compression, scene->values, options.scene.raw_colour};
    if (Status ok = WriteImage(*frame, options.output, write); !ok) return ok;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "rendered " << frame->Width() << "x" << frame->Height() << " at "
              << BitsOfFormat(frame->Format()) << (BitsOfFormat(frame->Format()) == 32 ? "-bit float" : "-bit")
              << " in " << static_cast<int64_t>(seconds * 1000.0) << " ms -> " << options.output << "\n";
    return Success();
}

}  // namespace runner::cli
