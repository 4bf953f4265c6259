#include "frame_rig.h"

#include "runner/loader/effect_open.h"

namespace bench {

bool FrameRig::Open(const std::string& library, const BenchScene& scene, std::string* error) {
    auto loaded = runner::EffectLibrary::Load(library);
    if (!loaded) {
        *error = "cannot load " + library;
        return false;
    }
    session_ = runner::NewSession(std::move(*loaded));
    auto world = runner::World::Create(scene.format, scene.width, scene.height, 0, 0);
    if (!world) {
        *error = "cannot make the input world";
        return false;
    }
    runner::World input = std::move(*world);
    FillPattern(scene.format, scene.width, scene.height, input.RowBytes(), input.Row(0));
    session_->SetInput(std::move(input));
    const runner::CommandResult setup = session_->SetUp();
    if (setup.err != PF_Err_NONE) {
        *error = "set-up failed with " + std::to_string(setup.err);
        return false;
    }
    return ApplyScene(scene, session_.get(), error);
}

PF_Err FrameRig::RenderFrame() {
    const runner::RenderResult r = session_->RenderFrame();
    session_->ClearLogs();
    return r.err;
}

PF_Err FrameRig::EffectFrame() {
    const runner::PreRenderResult pre = session_->SmartPreRender();
    if (pre.command.err != PF_Err_NONE) return pre.command.err;
    // The output world of the previous frame is kept (the first frame makes it).
    const runner::CommandResult render = session_->SmartRender(pre.output.pre_render_data, true);
    session_->DeletePreRenderData(pre.output);
    session_->ClearLogs();
    return render.err;
}

}  // namespace bench
