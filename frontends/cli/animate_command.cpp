#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/keyed_values.h"
#include "runner/media/frame_sink.h"
#include "cli/progress.h"
#include "runner/loader/effect_open.h"

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
    int32_t end = 0;  // one past the last frame
    int32_t window = 1;
    std::map<int32_t, PipeFrame> ready;
    std::vector<World> spare;    // written frames, for the workers to render into again
    FrameSink* sink = nullptr;
    std::optional<Error> error;  // the first failure; stops everyone
    std::mutex source_mutex;     // a video is read by one worker at a time, in frame order
};

void Fail(Shared* shared, Error error) {
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (!shared->error) shared->error = std::move(error);
    shared->changed.notify_all();
}

// The next frame to render, or -1 when there is none or the run failed.
int32_t Claim(Shared* shared) {
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->changed.wait(lock, [&] {
        return shared->error || shared->next_to_claim >= shared->end ||
               shared->next_to_claim - shared->next_to_write < shared->window;
    });
    if (shared->error || shared->next_to_claim >= shared->end) return -1;
    return shared->next_to_claim++;
}

// A clip's frame into the session's input world: a video is read in claim
// order (the claim and the read happen under one lock), a sequence in
// parallel. -1 when there is no frame left to render.
Result<int32_t> ClaimAndRead(const Scene& scene, Shared* shared, World* full, World* input) {
    int32_t frame = -1;
    Status read = Success();
    if (scene.source->Sequential()) {
        std::lock_guard<std::mutex> lock(shared->source_mutex);
        frame = Claim(shared);
        if (frame >= 0) read = ReadFrameInto(scene, frame, full, input);
    } else {
        frame = Claim(shared);
        if (frame >= 0) read = ReadFrameInto(scene, frame, full, input);
    }
    if (!read) return read.error();
    return frame;
}

// A written frame's world, if one is waiting, to render the next frame into.
World TakeSpare(Shared* shared) {
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->spare.empty()) return World();
    World w = std::move(shared->spare.back());
    shared->spare.pop_back();
    return w;
}

void RenderFrames(const Scene& scene, const Timing& timing, Shared* shared) {
    Result<OpenedEffect> opened = OpenEffect(scene.plugin);
    if (!opened) return Fail(shared, opened.error());
    Session* session = opened->session.get();
    if (Status ok = ApplyScene(scene, timing, session); !ok) return Fail(shared, ok.error());
    World full;  // a clip's frame before downsampling
    if (scene.IsClip()) {
        // Each frame of a clip is read into the same input world.
        Result<World> input =
            World::Create(FormatForBits(scene.bits), scene.RenderWidth(), scene.RenderHeight());
        if (!input) return Fail(shared, Error{"cannot hold a frame: " + input.error().message});
        session->SetInput(std::move(*input));
    }
    while (true) {
        int32_t frame = -1;
        if (scene.IsClip()) {
            Result<int32_t> claimed = ClaimAndRead(scene, shared, &full, &session->MutableInput());
            if (!claimed) return Fail(shared, claimed.error());
            frame = *claimed;
        } else {
            frame = Claim(shared);
        }
        if (frame < 0) return;
        // Frames are rendered into the memory of frames already written.
        if (World spare = TakeSpare(shared); !spare.Empty()) session->RecycleOutput(std::move(spare));
        Result<World> image = RenderAt(scene, session, timing, frame);
        if (!image) return Fail(shared, image.error());
        Result<PipeFrame> prepared = shared->sink->Prepare(frame, std::move(*image));
        if (!prepared) return Fail(shared, prepared.error());
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->ready.emplace(frame, std::move(*prepared));
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

// Frames and rate: a clip's own unless given; a still needs --frames. A
// video is conformed to the rate (said in one line when that changes its
// frames).
Result<Timing> ShotTiming(const AnimateOptions& options, Scene* scene) {
    const SourceInfo& info = scene->source->Info();
    Fraction rate{24, 1};
    if (!options.fps.empty()) {
        Result<Fraction> parsed = ParseFrameRate(options.fps, "--fps");
        if (!parsed) return parsed.error();
        rate = *parsed;
    } else if (info.rate) {
        rate = *info.rate;
    }
    if (const std::string note = scene->source->ConformTo(rate); !note.empty()) {
        std::fprintf(stderr, "ringstride: note: %s: %s\n", options.scene.input.c_str(), note.c_str());
    }
    int32_t frames = options.frames;
    if (frames == 0 || frames > 1000000) {
        return Error{"--frames " + std::to_string(frames) + ": must be 1 to 1000000"};
    }
    if (info.kind == SourceKind::STILL) {
        if (frames < 0) return Error{"--frames: how many frames to render from the still " + options.scene.input};
    } else if (frames < 0) {
        frames = info.frames;
    } else if (frames > info.frames) {
        return Error{"--frames " + std::to_string(frames) + ": " + options.scene.input + " has only " +
                     std::to_string(info.frames) + " frames"};
    }
    Result<Timing> timing = MakeTiming(frames, rate);
    if (!timing && !options.fps.empty()) return Error{"--fps " + options.fps + ": " + timing.error().message};
    return timing;
}

// The frames to render: those --in and --out keep, or --range within them.
Result<FrameRange> ShotRange(const AnimateOptions& options, const Timing& timing) {
    Result<FrameRange> trim =
        TrimRange(options.in, options.out, Fraction{timing.time_scale, timing.time_step}, timing.frames);
    if (!trim || options.range.empty()) return trim;
    Result<FrameRange> range = ParseRange(options.range, timing.frames);
    if (range && (range->first < trim->first || range->last > trim->last)) {
        return Error{"--range " + options.range + ": outside the frames --in and --out keep (" +
                     std::to_string(trim->first) + " to " + std::to_string(trim->last) + ")"};
    }
    return range;
}

struct Summary {
    int32_t count;
    Timing timing;
    FrameRange range;
    int32_t width, height;
    std::string output;
    Fraction rate;
    int32_t workers;
    double seconds, rendering, encoding;
};

// "animated 48 frames (12 to 59 of 90) of 63x47 (padded to 64x48) at 24 fps in
// 5.20 s: rendering 3.10 s (15.5 frames/s, 2 threads), encoder done 0.40 s
// later -> out.mp4". The encoder works while frames are rendered (a GIF's
// only once all are in): its time is what it needs after the last frame.
void PrintSummary(const Summary& s, const std::string& target) {
    std::string which = std::to_string(s.count) + (s.count == 1 ? " frame" : " frames");
    if (s.count != s.timing.frames) {
        which += " (" + std::to_string(s.range.first) + " to " + std::to_string(s.range.last) + " of " +
                 std::to_string(s.timing.frames) + ")";
    }
    int32_t w = s.width, h = s.height;
    const bool video = IsVideoName(s.output);
    if (video) EncodedSize(s.output, &w, &h);
    const std::string padded =
        w != s.width || h != s.height ? " (padded to " + std::to_string(w) + "x" + std::to_string(h) + ")" : "";
    char encoding[64] = "";
    if (video) std::snprintf(encoding, sizeof encoding, ", encoder done %.2f s later", s.encoding);
    std::printf("animated %s of %dx%d%s at %s fps in %.2f s: rendering %.2f s (%.1f frames/s, %d threads)%s -> %s\n",
                which.c_str(), s.width, s.height, padded.c_str(), DescribeRate(s.rate).c_str(), s.seconds,
                s.rendering, s.rendering > 0 ? s.count / s.rendering : 0.0, s.workers, encoding, target.c_str());
}

}  // namespace

Result<FrameRange> ParseRange(const std::string& text, int32_t frames) {
    const std::string bad = "--range " + text + ": ";
    const size_t dash = text.find('-', 1);
    char* end = nullptr;
    FrameRange r;
    if (dash == std::string::npos || dash == 0) return Error{bad + "expected A-B, first and last frame counted from 0"};
    const std::string a = text.substr(0, dash), b = text.substr(dash + 1);
    auto whole = [](const std::string& s) {
        return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!whole(a) || !whole(b)) return Error{bad + "expected A-B, first and last frame counted from 0"};
    r.first = static_cast<int32_t>(std::strtol(a.c_str(), &end, 10));
    r.last = static_cast<int32_t>(std::strtol(b.c_str(), &end, 10));
    if (r.first > r.last) return Error{bad + "the first frame comes after the last"};
    if (r.last >= frames) {
        return Error{bad + "the animation has frames 0 to " + std::to_string(frames - 1)};
    }
    return r;
}

Status RunAnimate(const AnimateOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    const bool video_out = IsVideoName(options.output);
    if (!video_out) {
        if (Result<std::string> name = FrameFileName(options.output, 0); !name) return name.error();
    } else if (!options.range.empty()) {
        return Error{"--range renders numbered frame files; render the ranges to a pattern such as "
                     "frames/f_%05d.png, then make the video with ringstride encode"};
    }

    // One session up front learns the parameters and checks the scene
    // before any worker starts.
    Result<OpenedEffect> probe = OpenEffect(options.scene.plugin);
    if (!probe) return probe.error();
    Result<Scene> scene = PrepareScene(options.scene, probe->session->Params(), true);
    if (!scene) return scene.error();
    Result<Timing> timing = ShotTiming(options, &*scene);
    if (!timing) return timing.error();
    if (Status ok = SetShotRate(&*scene, Fraction{timing->time_scale, timing->time_step}); !ok) return ok;
    Result<FrameRange> shot_range = ShotRange(options, *timing);
    if (!shot_range) return shot_range.error();
    const FrameRange range = *shot_range;
    const int32_t count = range.last - range.first + 1;
    if (options.dry_run) {
        // One line a farm's submit script can read, in key=value form.
        const SourceInfo& source = scene->source->Info();
        const bool sound = !source.audio_codec.empty() && !options.no_audio;
        std::printf("dry run: frames=%d first=%d last=%d fps=%lld/%lld width=%d height=%d depth=%d audio=%s "
                    "output=%s\n",
                    timing->frames, range.first, range.last, static_cast<long long>(timing->time_scale),
                    static_cast<long long>(timing->time_step),
                    scene->RenderWidth(), scene->RenderHeight(), scene->bits,
                    sound ? source.audio_codec.c_str() : "none", options.output.c_str());
        if (options.show_keys) {
            Result<std::vector<std::string>> lines =
                KeyedValueLines(*scene, *timing, range.first, range.last, probe->session.get());
            if (!lines) return lines.error();
            for (const std::string& line : *lines) std::printf("%s\n", line.c_str());
        }
        return Success();
    }
    probe->session.reset();

    const int32_t width = scene->RenderWidth();
    const int32_t height = scene->RenderHeight();
    const SourceInfo& info = scene->source->Info();
    VideoOptions video;
    video.rate = Fraction{timing->time_scale, timing->time_step};
    video.frames = count;
    video.bits = scene->bits;
    video.crf = options.crf;
    video.pixel_aspect = info.pixel_aspect;
    if (info.kind == SourceKind::VIDEO && !info.audio_codec.empty() && !options.no_audio) {
        // The sound under the first frame rendered: the clip's, from where its picture starts.
        video.audio_source = options.scene.input;
        video.audio_codec = info.audio_codec;
        video.audio_start = info.start_seconds + timing->SecondsOf(range.first);
    }
    video.raw_colour = options.scene.raw_colour;
    video.linear = scene->values == RenderValues::LINEAR;
    Result<std::unique_ptr<FrameSink>> sink = MakeFrameSink(
        options.output, width, height, video,
        SinkOptions{options.scene.compression, scene->values, options.scene.raw_colour});
    if (!sink) return sink.error();

    int32_t workers = options.threads > 0 ? options.threads
                                          : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    workers = std::min(workers, count);
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction old_int {}, old_term {};
    sigaction(SIGINT, &action, &old_int);
    sigaction(SIGTERM, &action, &old_term);

    Shared shared;
    shared.window = workers * WINDOW_PER_WORKER;
    shared.next_to_claim = shared.next_to_write = range.first;
    shared.end = range.last + 1;
    shared.sink = sink->get();
    std::vector<std::thread> threads;
    for (int32_t i = 0; i < workers; ++i) {
        threads.emplace_back(Worker, std::cref(*scene), std::cref(*timing), &shared);
    }

    Progress progress(count, isatty(STDERR_FILENO) != 0, "rendered");
    std::optional<Error> failure;
    while (true) {
        PipeFrame frame;
        int32_t index = 0;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            while (true) {
                if (g_interrupted.load() && !shared.error) {
                    shared.error = Error{"interrupted; the frames written so far were removed"};
                    shared.changed.notify_all();
                }
                const bool ready = shared.changed.wait_for(lock, std::chrono::milliseconds(100), [&] {
                    return shared.error || shared.next_to_write >= shared.end ||
                           shared.ready.count(shared.next_to_write) != 0;
                });
                if (ready) break;
            }
            if (shared.error) {
                failure = shared.error;
                break;
            }
            if (shared.next_to_write >= shared.end) break;
            index = shared.next_to_write;
            auto it = shared.ready.find(index);
            frame = std::move(it->second);
            shared.ready.erase(it);
        }
        Status put = Success();
        try {
            put = (*sink)->Put(index, frame);
        } catch (const std::exception& e) {
            put = Error{std::string("cannot write frame ") + std::to_string(index) + ": " + e.what()};
        }
        if (!put) {
            Fail(&shared, put.error());
            continue;
        }
        progress.Update(index - range.first + 1);
        std::lock_guard<std::mutex> lock(shared.mutex);
        ++shared.next_to_write;
        if (!frame.world.Empty()) shared.spare.push_back(std::move(frame.world));
        shared.changed.notify_all();
    }
    for (std::thread& t : threads) t.join();
    const double rendering = progress.Seconds();
    if (video_out && !failure) {
        progress.Phase("encoding " + options.output);
    } else {
        progress.Finish();
    }
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);

    if (failure) {
        (*sink)->Abandon();
        return *failure;
    }
    const auto finishing = std::chrono::steady_clock::now();
    if (Status ok = (*sink)->Finish(); !ok) return ok;
    const auto now = std::chrono::steady_clock::now();
    PrintSummary(Summary{count, *timing, range, width, height, options.output, video.rate, workers,
                         std::chrono::duration<double>(now - started).count(), rendering,
                         std::chrono::duration<double>(now - finishing).count()},
                 (*sink)->Describe());
    return Success();
}

}  // namespace runner::cli
