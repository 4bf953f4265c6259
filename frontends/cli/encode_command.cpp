#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "cli/animate_parts.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/memory_budget.h"
#include "cli/output_claim.h"
#include "cli/progress.h"
#include "runner/media/clip_probe.h"
#include "runner/media/frame_source.h"
#include "runner/media/video_pipe.h"
#include "runner/shot/background.h"
#include "runner/shot/colour.h"

namespace runner::cli {
namespace {

// What the frames' numbers stand for: an EXR's linear light, a float
// TIFF's as --linear says (a float TIFF records no convention; animate
// writes a float render of an EXR into it as linear light), else
// display-encoded values.
Result<RenderValues> FrameValues(const EncodeOptions& options, const SourceInfo& info) {
    if (options.linear && (info.bits != DEPTH_BITS_FLOAT || info.exr)) {
        if (info.exr) return RenderValues::LINEAR;
        return Error{"--linear: " + options.pattern + " holds " + std::to_string(info.bits) +
                     "-bit frames, which hold sRGB-encoded values; it is for float TIFF frames"};
    }
    if (options.linear) return RenderValues::LINEAR;
    return ValuesOfRender(info.bits, info.exr, info.bits);
}

// The sound of --audio and what its picture says: the frames' rate (unless
// --fps gives it), their pixel aspect, and where the sound of frame 0 is.
Status TakeAudio(const EncodeOptions& options, const SourceInfo& info, VideoOptions* video) {
    Result<std::optional<Fraction>> fps = ParseFps(options.fps);
    if (!fps) return fps.error();
    std::optional<Fraction> rate = *fps;
    double picture_start = 0;
    if (!options.audio.empty()) {
        Result<ClipProbe> clip = ProbeClip(options.audio);
        if (!clip) return Error{"--audio " + clip.error().message};
        if (clip->audio_codec.empty()) return Error{"--audio " + options.audio + ": has no audio stream"};
        video->audio_source = options.audio;
        video->audio_codec = clip->audio_codec;
        if (clip->has_picture) {
            if (!rate) rate = DefaultRate(*clip);
            video->pixel_aspect = clip->pixel_aspect;
            picture_start = clip->first_frame_seconds;
        }
    }
    video->rate = rate ? *rate : Fraction{24, 1};
    // Frame number N of the sequence is at N / rate in the shot: so is its sound.
    video->audio_start = picture_start + FrameSeconds(info.first_number, video->rate);
    return Success();
}

}  // namespace

Status RunEncode(const EncodeOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    if (!IsVideoName(options.output)) {
        return Error{options.output + ": encode makes a video (.mp4, .mov, .webm or .gif)"};
    }
    Result<std::unique_ptr<FrameSource>> source = OpenSource(options.pattern, options.start_number);
    if (!source) return source.error();
    const SourceInfo& info = (*source)->Info();
    if (info.kind != SourceKind::SEQUENCE) {
        return Error{options.pattern + ": encode takes a numbered frame sequence such as frames/f_%05d.png"};
    }
    Result<RenderValues> values = FrameValues(options, info);
    if (!values) return values.error();
    std::optional<Background> background;
    if (!options.background.empty()) {
        Result<Background> parsed = ParseBackground(options.background, "--background");
        if (!parsed) return parsed.error();
        background = *parsed;
    }
    Result<int64_t> memory_limit = MemoryLimit(options.max_memory);
    if (!memory_limit) return memory_limit.error();
    const FrameShape shape = ShapeOf(info, info.bits, 1, options.output);
    if (Result<int32_t> fit = WorkersWithin(shape, 0, true, *memory_limit, options.pattern); !fit) return fit.error();
    if (Status ok = RefuseOverwritingInputs({options.output}, InputFiles({options.pattern, options.audio})); !ok) {
        return ok;
    }
    VideoOptions video;
    if (Status ok = TakeAudio(options, info, &video); !ok) return ok;
    video.frames = info.frames;
    video.bits = info.bits;
    video.crf = options.crf;
    video.raw_colour = options.raw_colour;
    video.linear = *values == RenderValues::LINEAR;
    Result<OutputLock> lock = ClaimOutput(options.output, 0, 0);
    if (!lock) return lock.error();
    Result<std::unique_ptr<VideoPipe>> pipe = VideoPipe::Start(options.output, info.width, info.height, video);
    if (!pipe) return pipe.error();

    Progress progress(info.frames, isatty(STDERR_FILENO) != 0, "read");
    InterruptCatcher catcher;
    World world;  // each frame is read into the same memory
    for (int32_t i = 0; i < info.frames; ++i) {
        if (InterruptCatcher::Caught() != 0) break;
        if (world.Empty()) {
            Result<World> made = World::Create(FormatForBits(info.bits), info.width, info.height);
            if (!made) return Error{"cannot hold a frame: " + made.error().message};
            world = std::move(*made);
        }
        Status put = (*source)->ReadInto(i, options.raw_colour, &world);
        if (put) {
            if (background) LayOver(*background, options.raw_colour ? RenderValues::ENCODED : *values, &world);
            Result<PipeFrame> frame = (*pipe)->Pack(std::move(world));
            put = frame ? (*pipe)->Write(*frame) : Status(frame.error());
            if (frame && frame->world.Format() == FormatForBits(info.bits)) world = std::move(frame->world);
        }
        if (!put) {
            (*pipe)->Abort();
            if (InterruptCatcher::Caught() == 0) return put;
            break;
        }
        progress.Update(i + 1);
    }
    if (const int signal = InterruptCatcher::Caught(); signal != 0) {
        progress.Finish();
        (*pipe)->Abort();
        return Error{"interrupted by " + SignalName(signal) + "; the video was not written (it is only ever kept whole)"};
    }
    const double reading = progress.Seconds();
    progress.Phase("encoding " + options.output);
    const auto finishing = std::chrono::steady_clock::now();
    const Status closed = (*pipe)->Close();
    if (const int signal = InterruptCatcher::Caught(); signal != 0) {
        // Close waits for ffmpeg to end, signal or not: what it finished is kept.
        return Error{"interrupted by " + SignalName(signal) +
                     (closed ? "; " + options.output + " was finished first and is whole"
                             : "; the video was not written (it is only ever kept whole)")};
    }
    if (!closed) return closed;
    const auto now = std::chrono::steady_clock::now();
    int32_t width = info.width, height = info.height;
    EncodedSize(options.output, &width, &height);
    const std::string padded = width != info.width || height != info.height
                                   ? " (padded to " + std::to_string(width) + "x" + std::to_string(height) + ")"
                                   : "";
    std::printf("encoded %d frames of %dx%d%s at %s fps in %.2f s: reading %.2f s, encoder done %.2f s later -> %s\n",
                info.frames, info.width, info.height, padded.c_str(), DescribeRate(video.rate).c_str(),
                std::chrono::duration<double>(now - started).count(), reading,
                std::chrono::duration<double>(now - finishing).count(), options.output.c_str());
    return Success();
}

}  // namespace runner::cli
