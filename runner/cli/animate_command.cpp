#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "runner/cli/commands.h"
#include "runner/effect_open.h"
#include "runner/cli/frame_sink.h"
#include "runner/cli/progress.h"

namespace runner::cli {
namespace {

// Frames are handed out in order to the workers and collected in order by
// the writer; workers stay at most WINDOW frames per worker ahead of it so
// that finished frames do not pile up in memory.
constexpr int32_t WINDOW_PER_WORKER = 2;

// Set by SIGINT and SIGTERM so that an interrupted run still removes what it
// has written so far.
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    int32_t next_to_claim = 0;
    int32_t next_to_write = 0;
    int32_t window = 1;
    std::map<int32_t, World> ready;  // empty worlds for frames a worker already wrote
    std::vector<World> spare;        // written frames, for the workers to render into again
    FrameSink* sink = nullptr;       // set when workers write their own frames
    std::optional<Error> error;  // the first failure; stops everyone
};

void Fail(Shared* shared, Error error) {
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (!shared->error) shared->error = std::move(error);
    shared->changed.notify_all();
}

void RenderFrames(const Scene& scene, const Timing& timing, Shared* shared) {
    Result<std::unique_ptr<Session>> opened = OpenEffect(scene.plugin);
    if (!opened) return Fail(shared, opened.TakeError());
    Session* session = opened->get();
    if (Status ok = ApplyScene(scene, timing, session); !ok) return Fail(shared, ok.TakeError());
    while (true) {
        int32_t frame = 0;
        World spare;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->changed.wait(lock, [&] {
                return shared->error || shared->next_to_claim >= timing.frames ||
                       shared->next_to_claim - shared->next_to_write < shared->window;
            });
            if (shared->error || shared->next_to_claim >= timing.frames) return;
            frame = shared->next_to_claim++;
            if (!shared->spare.empty()) {
                spare = std::move(shared->spare.back());
                shared->spare.pop_back();
            }
        }
        // Frames are rendered into the memory of frames already written.
        if (!spare.Empty()) session->RecycleOutput(std::move(spare));
        Result<World> image = RenderAt(session, timing, frame, scene.plugin);
        if (!image) return Fail(shared, image.TakeError());
        if (shared->sink != nullptr) {
            if (Status put = shared->sink->Put(frame, *image); !put) return Fail(shared, put.TakeError());
            session->RecycleOutput(std::move(*image));
            *image = World();
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->ready.emplace(frame, std::move(*image));
        shared->changed.notify_all();
    }
}

// A worker must not let an exception end the process: it stops the run.
void Worker(const Scene& scene, const Timing& timing, Shared* shared) {
    try {
        RenderFrames(scene, timing, shared);
    } catch (const std::bad_alloc&) {
        Fail(shared, Error{"out of memory while rendering"});
    } catch (const std::exception& e) {
        Fail(shared, Error{std::string("unexpected failure while rendering: ") + e.what()});
    }
}

}  // namespace

Status RunAnimate(const AnimateOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    Result<Timing> timing = MakeTiming(options.frames, options.fps);
    if (!timing) return timing.TakeError();
    if (!IsVideoName(options.output)) {
        if (Result<std::string> name = FrameFileName(options.output, 0); !name) return name.TakeError();
    }

    // One session up front learns the parameters and checks the scene
    // before any worker starts.
    Result<std::unique_ptr<Session>> probe = OpenEffect(options.scene.plugin);
    if (!probe) return probe.TakeError();
    Result<Scene> scene = PrepareScene(options.scene, (*probe)->Params(), true);
    if (!scene) return scene.TakeError();
    probe->reset();

    const int32_t width = scene->input.Width();
    const int32_t height = scene->input.Height();
    Result<std::unique_ptr<FrameSink>> sink = MakeFrameSink(
        options.output, width, height, options.fps,
        SinkOptions{options.scene.compression, scene->values, options.scene.raw_colour});
    if (!sink) return sink.TakeError();

    int32_t workers = options.threads > 0 ? options.threads
                                          : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    workers = std::min(workers, timing->frames);
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction old_int {}, old_term {};
    sigaction(SIGINT, &action, &old_int);
    sigaction(SIGTERM, &action, &old_term);

    Shared shared;
    shared.window = workers * WINDOW_PER_WORKER;
    if ((*sink)->TakesFramesFromAnyThread()) shared.sink = sink->get();
    std::vector<std::thread> threads;
    for (int32_t i = 0; i < workers; ++i) {
        threads.emplace_back(Worker, std::cref(*scene), std::cref(*timing), &shared);
    }

    Progress progress(timing->frames, isatty(STDERR_FILENO) != 0);
    std::optional<Error> failure;
    while (true) {
        World frame;
        int32_t index = 0;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            while (true) {
                if (g_interrupted.load() && !shared.error) {
                    shared.error = Error{"interrupted; the frames written so far were removed"};
                    shared.changed.notify_all();
                }
                const bool ready = shared.changed.wait_for(lock, std::chrono::milliseconds(100), [&] {
                    return shared.error || shared.next_to_write >= timing->frames ||
                           shared.ready.count(shared.next_to_write) != 0;
                });
                if (ready) break;
            }
            if (shared.error) {
                failure = shared.error;
                break;
            }
            if (shared.next_to_write >= timing->frames) break;
            index = shared.next_to_write;
            auto it = shared.ready.find(index);
            frame = std::move(it->second);
            shared.ready.erase(it);
        }
        Status put = Success();
        try {
            if (shared.sink == nullptr) put = (*sink)->Put(index, frame);
        } catch (const std::exception& e) {
            put = Error{std::string("cannot write frame ") + std::to_string(index) + ": " + e.what()};
        }
        if (!put) {
            Fail(&shared, put.TakeError());
            continue;
        }
        progress.Update(index + 1);
        std::lock_guard<std::mutex> lock(shared.mutex);
        ++shared.next_to_write;
        if (!frame.Empty()) shared.spare.push_back(std::move(frame));
        shared.changed.notify_all();
    }
    for (std::thread& t : threads) t.join();
    progress.Finish();
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);

    if (failure) {
        (*sink)->Abandon();
        return *failure;
    }
    if (Status ok = (*sink)->Finish(); !ok) return ok;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("animated %d frames of %dx%d in %.2f s (%.1f frames/s, %d threads) -> %s\n", timing->frames, width,
                height, seconds, seconds > 0 ? timing->frames / seconds : 0.0, workers, (*sink)->Describe().c_str());
    return Success();
}

}  // namespace runner::cli
