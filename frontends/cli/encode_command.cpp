#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/memory_budget.h"
#include "cli/output_claim.h"
#include "runner/shot/colour.h"
#include "runner/media/frame_source.h"
#include "cli/progress.h"
#include "runner/media/video_pipe.h"

namespace runner::cli {

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
    Result<Fraction> rate = ParseFrameRate(options.fps, "--fps");
    if (!rate) return rate.error();
    Result<int64_t> memory_limit = MemoryLimit(options.max_memory);
    if (!memory_limit) return memory_limit.error();
    FrameShape shape;
    shape.full_width = shape.width = info.width;
    shape.full_height = shape.height = info.height;
    shape.bits = info.bits;
    if (Result<int32_t> fit = WorkersWithin(shape, 0, true, *memory_limit, options.pattern); !fit) return fit.error();
    if (Status ok = CheckNotAnInput({options.output}, InputFiles({options.pattern, options.audio})); !ok) return ok;
    VideoOptions video;
    video.rate = *rate;
    video.frames = info.frames;
    video.bits = info.bits;
    video.crf = options.crf;
    video.raw_colour = options.raw_colour;
    video.linear = ValuesOfRender(info.bits, info.exr, info.bits) == RenderValues::LINEAR;
    if (!options.audio.empty()) {
        Result<std::string> codec = AudioCodecOf(options.audio);
        if (!codec) return Error{"--audio " + codec.error().message};
        video.audio_source = options.audio;
        video.audio_codec = *codec;
    }
    Result<OutputLock> lock = ClaimOutput(options.output, 0, 0);
    if (!lock) return lock.error();
    Result<std::unique_ptr<VideoPipe>> pipe = VideoPipe::Start(options.output, info.width, info.height, video);
    if (!pipe) return pipe.error();

    Progress progress(info.frames, isatty(STDERR_FILENO) != 0);
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
            PipeFrame frame = (*pipe)->Pack(std::move(world));
            put = (*pipe)->Write(frame);
            if (frame.world.Format() == FormatForBits(info.bits)) world = std::move(frame.world);
        }
        if (!put) {
            (*pipe)->Abort();
            if (InterruptCatcher::Caught() == 0) return put;
            break;
        }
        progress.Update(i + 1);
    }
    progress.Finish();
    if (const int signal = InterruptCatcher::Caught(); signal != 0) {
        (*pipe)->Abort();
        return Error{"interrupted by " + SignalName(signal) + "; the video was not written (it is only ever kept whole)"};
    }
    if (Status ok = (*pipe)->Close(); !ok) return ok;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("encoded %d frames of %dx%d at %s fps in %.2f s -> %s\n", info.frames, info.width, info.height,
                DescribeRate(*rate).c_str(), seconds, options.output.c_str());
    return Success();
}

}  // namespace runner::cli
