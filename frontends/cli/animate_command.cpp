#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/animate_parts.h"
#include "cli/interrupt.h"
#include "cli/keyed_values.h"
#include "cli/output_claim.h"
#include "cli/progress.h"
#include "runner/loader/effect_open.h"

namespace runner::cli {
namespace {

// Workers stay at most this many frames per worker ahead of the sink.
constexpr int32_t WINDOW_PER_WORKER = 2;
// How often the sink's thread looks for an interruption while it waits.
constexpr std::chrono::milliseconds INTERRUPT_POLL{100};

// The one line a farm's submit script reads, in key=value form.
void PrintDryRun(const AnimateOptions& options, const Scene& scene, const Timing& timing, const FrameRange& range) {
    const SourceInfo& source = scene.source->Info();
    const bool sound = !source.audio_codec.empty() && !options.no_audio;
    std::printf("dry run: frames=%d first=%d last=%d fps=%lld/%lld width=%d height=%d depth=%d audio=%s "
                "output=%s\n",
                timing.frames, range.first, range.last, static_cast<long long>(timing.time_scale),
                static_cast<long long>(timing.time_step), scene.RenderWidth(), scene.RenderHeight(), scene.bits,
                sound ? source.audio_codec.c_str() : "none", options.output.c_str());
}

// The files the run writes, each frame of a pattern by its name.
std::vector<std::string> OutputFiles(const std::string& output, bool video, const FrameRange& range) {
    if (video) return {output};
    std::vector<std::string> files;
    for (int32_t f = range.first; f <= range.last; ++f) files.push_back(FrameFileName(output, f).value());
    return files;
}

VideoOptions VideoOptionsOf(const AnimateOptions& options, const Scene& scene, const Timing& timing,
                            const FrameRange& range) {
    const SourceInfo& info = scene.source->Info();
    VideoOptions video;
    video.rate = Fraction{timing.time_scale, timing.time_step};
    video.frames = range.last - range.first + 1;
    video.bits = scene.bits;
    video.crf = options.crf;
    video.pixel_aspect = info.pixel_aspect;
    if (info.kind == SourceKind::VIDEO && !info.audio_codec.empty() && !options.no_audio) {
        // The sound under the first frame rendered: the clip's, from where its picture starts.
        video.audio_source = options.scene.input;
        video.audio_codec = info.audio_codec;
        video.audio_start = info.start_seconds + timing.SecondsOf(range.first);
    }
    video.raw_colour = options.scene.raw_colour;
    video.linear = scene.values == RenderValues::LINEAR;
    return video;
}

// Hands the finished frames to the sink in order until every frame is in,
// the run fails or a signal interrupts it.
void WriteInOrder(FrameSink* sink, FrameOrder* order, Progress* progress) {
    int32_t done = 0;
    while (true) {
        if (const int signal = InterruptCatcher::Caught(); signal != 0) {
            order->Fail(Error{"interrupted by " + SignalName(signal)});
        }
        int32_t index = 0;
        PipeFrame frame;
        const FrameOrder::Next next = order->TakeNext(INTERRUPT_POLL, &index, &frame);
        if (next == FrameOrder::Next::WAITING) continue;
        if (next != FrameOrder::Next::FRAME) return;
        Status put = Success();
        try {
            put = sink->Put(index, frame);
        } catch (const std::exception& e) {
            put = Error{std::string("cannot write frame ") + std::to_string(index) + ": " + e.what()};
        }
        if (!put) {
            order->Fail(put.error());
            continue;
        }
        progress->Update(++done);
        order->Written(std::move(frame.world));
    }
}

struct Summary {
    int32_t count;     // rendered by this run
    int32_t complete;  // found complete already (--resume)
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
    if (s.count + s.complete != s.timing.frames) {
        which += " (" + std::to_string(s.range.first) + " to " + std::to_string(s.range.last) + " of " +
                 std::to_string(s.timing.frames) + ")";
    }
    if (s.complete > 0) which += " (" + std::to_string(s.complete) + " were complete already)";
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

Status RunAnimate(const AnimateOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    const bool video_out = IsVideoName(options.output);
    if (!video_out) {
        if (Result<std::string> name = FrameFileName(options.output, 0); !name) return name.error();
    } else if (!options.range.empty()) {
        return Error{"--range renders numbered frame files; render the ranges to a pattern such as "
                     "frames/f_%05d.png, then make the video with ringstride encode"};
    } else if (options.resume) {
        return Error{"--resume: " + options.output + " is a video, which is only ever written whole; resume "
                     "works on frame patterns (render to frames/f_%05d.png, then ringstride encode)"};
    }
    Result<int64_t> memory_limit = MemoryLimit(options.scene.max_memory);
    if (!memory_limit) return memory_limit.error();

    // One session up front learns the parameters and checks the scene
    // before any worker starts; the memory a run needs is known before the
    // picture is read.
    Result<OpenedEffect> probe = OpenEffect(options.scene.plugin);
    if (!probe) return probe.error();
    const int32_t wanted = options.threads > 0
                               ? options.threads
                               : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    int32_t workers = wanted;
    const SourceCheck fits = [&](const SourceInfo& info, int32_t bits) -> Status {
        const FrameShape shape = ShapeOf(info, bits, options.scene.downsample, options.output);
        Result<int32_t> fit = WorkersWithin(shape, wanted, options.threads > 0, *memory_limit, options.scene.input);
        if (!fit) return fit.error();
        workers = *fit;
        return Success();
    };
    Result<Scene> scene = PrepareScene(options.scene, probe->session->Params(), true, fits);
    if (!scene) return scene.error();
    Result<Timing> timing = ShotTiming(options, &*scene);
    if (!timing) return timing.error();
    if (Status ok = SetShotRate(&*scene, Fraction{timing->time_scale, timing->time_step}); !ok) return ok;
    Result<FrameRange> shot_range = ShotRange(options, *timing);
    if (!shot_range) return shot_range.error();
    const FrameRange range = *shot_range;
    const int32_t count = range.last - range.first + 1;
    const std::vector<std::string> inputs =
        InputFiles({options.scene.input, options.scene.mask.file, options.scene.keys});
    if (Status ok = RefuseOverwritingInputs(OutputFiles(options.output, video_out, range), inputs); !ok) return ok;
    if (options.dry_run) {
        PrintDryRun(options, *scene, *timing, range);
        if (options.show_keys) {
            Result<std::vector<std::string>> lines =
                KeyedValueLines(*scene, *timing, range.first, range.last, probe->session.get());
            if (!lines) return lines.error();
            for (const std::string& line : *lines) std::printf("%s\n", line.c_str());
        }
        return Success();
    }
    probe->session.reset();
    if (workers < wanted && workers < count) {
        std::fprintf(stderr, "ringstride: note: %d of %d threads, to stay within the memory limit of %s "
                     "(--max-memory)\n", workers, wanted, DescribeBytes(*memory_limit).c_str());
    }

    Result<OutputLock> lock = ClaimOutput(options.output, video_out ? 0 : range.first, video_out ? 0 : range.last);
    if (!lock) return lock.error();
    const int32_t width = scene->RenderWidth();
    const int32_t height = scene->RenderHeight();
    const VideoOptions video = VideoOptionsOf(options, *scene, *timing, range);
    Result<std::unique_ptr<FrameSink>> sink = MakeFrameSink(
        options.output, width, height, video,
        SinkOptions{options.scene.compression, scene->values, options.scene.raw_colour});
    if (!sink) return sink.error();
    FrameSink* out = sink->get();
    std::vector<int32_t> complete;
    const std::vector<int32_t> frames = FramesToRender(*out, range, options.resume, workers, &complete);
    if (!video_out) {
        if (const std::string note = LeftoverFramesNote(options.output, timing->frames); !note.empty()) {
            std::fprintf(stderr, "ringstride: warning: %s\n", note.c_str());
        }
    }
    if (!complete.empty()) {
        std::fprintf(stderr, "ringstride: note: %s: %zu of %d frames are complete already (%s); rendering %zu\n",
                     options.output.c_str(), complete.size(), count, DescribeFrames(complete).c_str(), frames.size());
    }

    workers = std::max<int32_t>(1, std::min<int32_t>(workers, static_cast<int32_t>(frames.size())));
    FrameOrder order(frames, workers * WINDOW_PER_WORKER);
    Progress progress(static_cast<int32_t>(frames.size()), isatty(STDERR_FILENO) != 0, "rendered");
    double rendering = 0.0;
    // Also while the video is finished: a signal then must not end the tool
    // with ffmpeg (in a process group of its own) still writing.
    InterruptCatcher catcher;
    {
        Workers pool(*scene, *timing, out, &order);
        if (!frames.empty()) pool.Start(workers);
        WriteInOrder(out, &order, &progress);
        pool.Join();
        rendering = progress.Seconds();
        if (video_out && !order.Failure()) {
            progress.Phase("encoding " + options.output);
        } else {
            progress.Finish();
        }
    }
    if (std::optional<Error> failure = order.Failure()) {
        out->Abandon();
        // A signal may also have reached a decoder or encoder first: the interruption is the cause.
        if (const int signal = InterruptCatcher::Caught(); signal != 0) {
            return Error{"interrupted by " + SignalName(signal) +
                         (video_out ? "; the video was not written (it is only ever kept whole)"
                                    : WhatIsLeft(*out, video_out, range, complete))};
        }
        return Error{failure->message + WhatIsLeft(*out, video_out, range, complete)};
    }
    const auto finishing = std::chrono::steady_clock::now();
    const Status finished = out->Finish();
    if (const int signal = InterruptCatcher::Caught(); signal != 0) {
        // Finish waits for ffmpeg to end, signal or not: what it finished is kept.
        const std::string kept = !video_out ? WhatIsLeft(*out, video_out, range, complete)
                                 : finished ? "; " + options.output + " was finished first and is whole"
                                            : "; the video was not written (it is only ever kept whole)";
        return Error{"interrupted by " + SignalName(signal) + kept};
    }
    if (!finished) return finished;
    const auto now = std::chrono::steady_clock::now();
    PrintSummary(Summary{static_cast<int32_t>(frames.size()), static_cast<int32_t>(complete.size()), *timing, range,
                         width, height, options.output, video.rate, workers,
                         std::chrono::duration<double>(now - started).count(), rendering,
                         std::chrono::duration<double>(now - finishing).count()},
                 out->Describe());
    return Success();
}

}  // namespace runner::cli
