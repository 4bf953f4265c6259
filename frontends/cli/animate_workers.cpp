#include <new>

#include "cli/animate_parts.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {
namespace {

// A clip's frame into the session's input world: a video is read in claim
// order (the claim and the read happen under one lock), a sequence in
// parallel. Nothing when there is no frame left to render.
Result<std::optional<int32_t>> ClaimAndRead(const Scene& scene, FrameOrder* order, std::mutex* source_mutex,
                                            World* full, World* input) {
    std::unique_lock<std::mutex> sequential(*source_mutex, std::defer_lock);
    if (scene.source->Sequential()) sequential.lock();
    const std::optional<int32_t> frame = order->Claim();
    if (frame) {
        if (Status read = ReadFrameInto(scene, *frame, full, input); !read) return read.error();
    }
    return frame;
}

Status RenderFrames(const Scene& scene, const Timing& timing, FrameSink* sink, FrameOrder* order,
                    std::mutex* source_mutex) {
    Result<OpenedEffect> opened = OpenEffect(scene.plugin);
    if (!opened) return opened.error();
    Session* session = opened->session.get();
    if (Status ok = ApplyScene(scene, timing, session); !ok) return ok;
    World full;  // a clip's frame before downsampling
    if (scene.IsClip()) {
        // Each frame of a clip is read into the same input world.
        Result<World> input =
            World::Create(FormatForBits(scene.bits), scene.RenderWidth(), scene.RenderHeight());
        if (!input) return Error{"cannot hold a frame: " + input.error().message};
        session->SetInput(std::move(*input));
    }
    while (true) {
        std::optional<int32_t> frame;
        if (scene.IsClip()) {
            Result<std::optional<int32_t>> claimed =
                ClaimAndRead(scene, order, source_mutex, &full, &session->MutableInput());
            if (!claimed) return claimed.error();
            frame = *claimed;
        } else {
            frame = order->Claim();
        }
        if (!frame) return Success();
        // Frames are rendered into the memory of frames already written.
        if (World spare = order->TakeSpare(); !spare.Empty()) session->RecycleOutput(std::move(spare));
        Result<World> image = RenderAt(scene, session, timing, *frame);
        if (!image) return image.error();
        Result<PipeFrame> prepared = sink->Prepare(*frame, std::move(*image));
        if (!prepared) return prepared.error();
        order->Finish(*frame, std::move(*prepared));
    }
}

}  // namespace

void Workers::Start(int32_t count) {
    for (int32_t i = 0; i < count; ++i) threads_.emplace_back([this] { Run(); });
}

// A worker must not let an exception end the process: it stops the run.
void Workers::Run() {
    try {
        if (Status ok = RenderFrames(scene_, timing_, sink_, order_, &source_mutex_); !ok) order_->Fail(ok.error());
    } catch (const std::bad_alloc&) {
        order_->Fail(Error{"out of memory while rendering"});
    } catch (const std::exception& e) {
        order_->Fail(Error{std::string("unexpected failure while rendering: ") + e.what()});
    }
}

void Workers::Join() {
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
}

Workers::~Workers() {
    bool running = false;
    for (const std::thread& t : threads_) running = running || t.joinable();
    if (running) order_->Fail(Error{"the run was stopped"});
    Join();
}

}  // namespace runner::cli
