#include <chrono>
#include <iostream>

#include "runner/cli/commands.h"
#include "runner/effect_open.h"
#include "runner/cli/image_io.h"

namespace runner::cli {

Status RunRender(const SceneOptions& options, const std::string& output) {
    const auto started = std::chrono::steady_clock::now();
    if (Status ok = CheckOutputFile(output); !ok) return ok;
    Result<Compression> compression = ParseCompression(options.compression, output);
    if (!compression) return compression.TakeError();
    Result<std::unique_ptr<Session>> opened = OpenEffect(options.plugin);
    if (!opened) return opened.TakeError();
    Session* session = opened->get();

    Result<Scene> scene = PrepareScene(options, session->Params(), false);
    if (!scene) return scene.TakeError();
    const Timing timing;
    if (Status ok = ApplyScene(*scene, timing, session); !ok) return ok;
    Result<World> frame = RenderAt(session, timing, 0, options.plugin);
    if (!frame) return frame.TakeError();
    if (Status ok = WriteImage(*frame, output, WriteOptions{*compression, scene->values, options.raw_colour}); !ok) {
        return ok;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "rendered " << frame->Width() << "x" << frame->Height() << " at "
              << BitsOfFormat(frame->Format()) << (BitsOfFormat(frame->Format()) == 32 ? "-bit float" : "-bit")
              << " in " << static_cast<int64_t>(seconds * 1000.0) << " ms -> " << output << "\n";
    return Success();
}

}  // namespace runner::cli
