// The frames of a run on their way from the workers, which render them in
// any order, to the sink, which takes them in order on one thread. Workers
// claim frames at most `window` places ahead of the next one due at the
// sink, so that finished frames do not pile up in memory; the worlds of
// written frames come back to be rendered into again. The first failure
// stops everyone: no frame is claimed or handed over after it.
#ifndef FOLVEK_CLI_FRAME_ORDER_H
#define FOLVEK_CLI_FRAME_ORDER_H

#include <stdint.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/world.h"
#include "runner/media/video_pipe.h"

namespace runner::cli {

class FrameOrder {
public:
    // `frames`: the frame numbers to render, in the order the sink takes them.
    FrameOrder(std::vector<int32_t> frames, int32_t window);

    // A worker's next frame, or nothing when none is left or the run stopped.
    // Waits while the window is full.
    std::optional<int32_t> Claim();
    // A worker's finished frame, ready for the sink.
    void Finish(int32_t frame, PipeFrame prepared);
    // The world of a written frame, if one is waiting, to render into again.
    World TakeSpare();

    // The first failure is kept and stops the run; later ones are dropped.
    void Fail(Error error);
    std::optional<Error> Failure() const;

    enum class Next { FRAME, DONE, STOPPED, WAITING };
    // The sink's next frame in order: FRAME with it, DONE when every frame
    // has been taken, STOPPED after a failure, WAITING when none came within
    // `patience`.
    Next TakeNext(std::chrono::milliseconds patience, int32_t* frame, PipeFrame* prepared);
    // The frame taken last is in the sink; its world is kept for a worker.
    void Written(World world);

private:
    bool Stopped() const { return failure_.has_value(); }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    const std::vector<int32_t> frames_;
    const size_t window_;
    size_t next_to_claim_ = 0;  // places in frames_
    size_t next_to_take_ = 0;
    std::map<int32_t, PipeFrame> ready_;
    std::vector<World> spare_;
    std::optional<Error> failure_;
};

}  // namespace runner::cli

#endif
