// A whole frame through EntryPointFunc in our host: the built effect
// library loaded into a runner::Session, set up with the scene's
// parameters, input layer and mask.
#ifndef FOLVEK_BENCH_FRAME_RIG_H
#define FOLVEK_BENCH_FRAME_RIG_H

#include <memory>
#include <string>

#include "scenes.h"
#include "runner/core/session.h"

namespace bench {

class FrameRig {
public:
    // False (with `error`) when the library cannot be loaded or set up.
    bool Open(const std::string& library, const BenchScene& scene, std::string* error);

    // Pre-render, smart render and deletion of the pre-render data, as
    // Session::RenderFrame runs them (a fresh output world each time).
    PF_Err RenderFrame();

    // The two EntryPointFunc calls of a frame alone: pre-render, then smart
    // render into the output world of the previous frame, then the deletion
    // of the pre-render data. What the host does around them (making the
    // output world) is left out.
    PF_Err EffectFrame();

    runner::Session& Session() { return *session_; }

private:
    std::unique_ptr<runner::Session> session_;
};

}  // namespace bench

#endif
