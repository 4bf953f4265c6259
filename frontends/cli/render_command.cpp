#include <chrono>
#include <iostream>

#include "cli/commands.h"
#include "cli/memory_budget.h"
#include "cli/output_claim.h"
#include "runner/media/image_io.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {

Status RunRender(const RenderOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    if (Status ok = CheckOutputFile(options.output); !ok) return ok;
    Result<Fraction> at = ParseSeconds(options.at, "--at");
    if (!at) return at.error();
    Result<Timing> timing = TimingAt(*at);
    if (!timing) return timing.error();
    Result<Compression> compression = ParseCompression(options.scene.compression, options.output);
    if (!compression) return compression.error();
    Result<int64_t> memory_limit = MemoryLimit(options.scene.max_memory);
    if (!memory_limit) return memory_limit.error();
    if (Status ok = CheckNotAnInput({options.output}, InputFiles({options.scene.input, options.scene.mask.file,
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
    if (scene->IsClip()) {
        return Error{options.scene.input + ": render takes one picture; use animate (with --range A-A for one "
                     "frame) for a clip or a sequence"};
    }
    if (Status ok = ApplyScene(*scene, *timing, session); !ok) return ok;
    Result<World> frame = RenderAt(session, *timing, 0, options.scene.plugin);
    if (!frame) return frame.error();
    const WriteOptions write{*compression, scene->values, options.scene.raw_colour};
    Result<OutputLock> lock = ClaimOutput(options.output, 0, 0);
    if (!lock) return lock.error();
    if (Status ok = WriteImage(*frame, options.output, write); !ok) return ok;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "rendered " << frame->Width() << "x" << frame->Height() << " at "
              << BitsOfFormat(frame->Format()) << (BitsOfFormat(frame->Format()) == 32 ? "-bit float" : "-bit")
              << " in " << static_cast<int64_t>(seconds * 1000.0) << " ms -> " << options.output << "\n";
    return Success();
}

}  // namespace runner::cli
