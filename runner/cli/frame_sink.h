// Where animate's frames go: numbered image files, or a video encoded by
// the ffmpeg program from raw frames on a pipe. Nothing appears under the
// final names until Finish succeeds; Abandon removes every trace.
#ifndef FOLVEK_RUNNER_CLI_FRAME_SINK_H
#define FOLVEK_RUNNER_CLI_FRAME_SINK_H

#include <memory>
#include <string>

#include "runner/cli/colour.h"
#include "runner/result.h"
#include "runner/world.h"

namespace runner::cli {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Frames arrive in order, 0 first, unless the sink takes them from any
    // thread in any order.
    virtual Status Put(int32_t frame, const World& image) = 0;
    // Numbered files can be encoded by the workers that rendered them, so
    // that compressing frames does not serialise an animation; a video pipe
    // cannot.
    virtual bool TakesFramesFromAnyThread() const { return false; }
    virtual Status Finish() = 0;
    virtual void Abandon() = 0;
    // What the summary names: the pattern or the video file.
    virtual std::string Describe() const = 0;
};

// True for .mp4, .gif and .webm.
bool IsVideoName(const std::string& file);

// The single %d / %0Nd conversion of a pattern, filled in; an error if
// there is none, more than one, or another % directive.
Result<std::string> FrameFileName(const std::string& pattern, int32_t frame);

// How the frames are written.
struct SinkOptions {
    std::string compression;                      // --compression as typed: numbered image files only
    RenderValues values = RenderValues::ENCODED;  // what the frames' numbers stand for
    bool raw_colour = false;                      // --raw-colour: no colour conversion or tags
};

// Checks the output (pattern or video name, folder, ffmpeg on PATH, the
// compression for the files' format) and makes the sink for `width` x
// `height` frames at `fps`.
Result<std::unique_ptr<FrameSink>> MakeFrameSink(const std::string& output, int32_t width, int32_t height,
                                                 double fps, const SinkOptions& options = SinkOptions{});

}  // namespace runner::cli

#endif
