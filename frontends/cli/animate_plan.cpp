#include <algorithm>
#include <atomic>
#include <set>
#include <system_error>

#include "cli/animate_parts.h"
#include "runner/media/output_guard.h"
#include "runner/media/path_util.h"

namespace runner::cli {
namespace {

// DescribeFrames names this many runs, then "...".
constexpr size_t RUNS_NAMED = 4;

}  // namespace

Result<Timing> ShotTiming(const AnimateOptions& options, Scene* scene) {
    Result<std::optional<Fraction>> fps = ParseFps(options.fps);
    if (!fps) return fps.error();
    const Fraction rate = ShotRate(*fps, options.scene.input, scene);
    const SourceInfo& info = scene->source->Info();
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

FrameShape ShapeOf(const SourceInfo& info, int32_t bits, int32_t downsample, const std::string& output) {
    FrameShape shape;
    shape.full_width = info.width;
    shape.full_height = info.height;
    shape.width = (info.width + downsample - 1) / downsample;
    shape.height = (info.height + downsample - 1) / downsample;
    shape.bits = bits;
    shape.still = info.kind == SourceKind::STILL;
    shape.video_source = info.kind == SourceKind::VIDEO;
    if (IsVideoName(output)) {
        // ProRes from deeper renders takes 16-bit RGBA; other deep renders an 8-bit copy.
        if (LowerExtension(output) == ".mov" && bits != 8) {
            shape.packed_bytes_per_pixel = 8;
        } else if (bits != 8) {
            shape.packed_bytes_per_pixel = 4;
        }
    }
    return shape;
}

std::vector<int32_t> FramesToRender(const FrameSink& sink, const FrameRange& range, bool resume, int32_t threads,
                                    std::vector<int32_t>* complete) {
    const int32_t count = range.last - range.first + 1;
    std::vector<char> done(static_cast<size_t>(count), 0);
    if (resume) {
        // Every frame is decoded to be sure of it: in parallel. A frame that
        // cannot be looked at is rendered again.
        std::atomic<int32_t> next{0};
        auto check = [&] {
            for (int32_t i = next++; i < count; i = next++) {
                try {
                    done[static_cast<size_t>(i)] = sink.Complete(range.first + i) ? 1 : 0;
                } catch (const std::exception&) {
                    done[static_cast<size_t>(i)] = 0;
                }
            }
        };
        std::vector<std::thread> checkers;
        try {
            for (int32_t t = 1; t < threads; ++t) checkers.emplace_back(check);
        } catch (const std::system_error&) {
            // Fewer threads than asked for: those there are, and this one, do the work.
        }
        check();
        for (std::thread& t : checkers) t.join();
    }
    std::vector<int32_t> frames;
    for (int32_t i = 0; i < count; ++i) {
        (done[static_cast<size_t>(i)] ? complete : &frames)->push_back(range.first + i);
    }
    return frames;
}

std::string LeftoverFramesNote(const std::string& pattern, int32_t frames) {
    std::vector<int32_t> beyond;
    for (int64_t n : FrameNumbersPresent(pattern).value_or(std::vector<int64_t>{})) {
        if (n >= frames) beyond.push_back(static_cast<int32_t>(n));
    }
    if (beyond.empty()) return "";
    return pattern + ": " + std::to_string(beyond.size()) + (beyond.size() == 1 ? " file" : " files") +
           " numbered past this animation's last frame " + std::to_string(frames - 1) + " (" +
           DescribeFrames(beyond) + ") are from another run; they are left as they are, and encode would take " +
           "them as well";
}

std::string DescribeFrames(std::vector<int32_t> frames) {
    std::sort(frames.begin(), frames.end());
    std::string text;
    size_t runs = 0;
    for (size_t i = 0; i < frames.size();) {
        size_t j = i;
        while (j + 1 < frames.size() && frames[j + 1] == frames[j] + 1) ++j;
        if (runs == RUNS_NAMED) return text + ", ...";
        text += (runs > 0 ? ", " : "") + std::to_string(frames[i]);
        if (j > i) text += "-" + std::to_string(frames[j]);
        ++runs;
        i = j + 1;
    }
    return text;
}

std::string WhatIsLeft(const FrameSink& sink, bool video, const FrameRange& range,
                       const std::vector<int32_t>& complete_before) {
    if (video) return "";
    std::set<int32_t> complete(complete_before.begin(), complete_before.end());
    for (int32_t f : sink.Written()) complete.insert(f);
    if (complete.empty()) return "";
    std::vector<int32_t> missing;
    for (int32_t f = range.first; f <= range.last; ++f) {
        if (complete.count(f) == 0) missing.push_back(f);
    }
    const int32_t total = range.last - range.first + 1;
    std::string text = "; " + std::to_string(complete.size()) + " of " + std::to_string(total) + " frames of " +
                       sink.Describe() + " are complete (" +
                       DescribeFrames(std::vector<int32_t>(complete.begin(), complete.end())) + ")";
    if (missing.empty()) return text;
    return text + ", " + std::to_string(missing.size()) + (missing.size() == 1 ? " is" : " are") + " not (" +
           DescribeFrames(missing) + "): run again with --resume to render the rest";
}

}  // namespace runner::cli
