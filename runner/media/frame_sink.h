// Where animate's frames go: numbered image files, or a video encoded by
// the ffmpeg program from raw frames on a pipe. Nothing appears under the
// final names until Finish succeeds; Abandon removes every trace.
#ifndef FOLVEK_RUNNER_MEDIA_FRAME_SINK_H
#define FOLVEK_RUNNER_MEDIA_FRAME_SINK_H

#include <memory>
#include <string>

#include "runner/shot/colour.h"
#include "runner/media/video_pipe.h"
#include "runner/core/error.h"
#include "runner/core/world.h"

namespace runner {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // On the worker that rendered the frame, in any order: a numbered file
    // is written here (compression does not serialise a run); a video frame
    // is converted into what the encoder reads. The world comes back in the
    // result's `world` when the sink is done with it, for rendering into again.
    virtual Result<PipeFrame> Prepare(int32_t frame, World image) = 0;
    // In frame order, 0 first, on one thread: the frame goes into the video.
    virtual Status Put(int32_t frame, const PipeFrame& prepared) = 0;
    virtual Status Finish() = 0;
    virtual void Abandon() = 0;
    // What the summary names: the pattern or the video file.
    virtual std::string Describe() const = 0;
};

// The single %d / %0Nd conversion of a pattern, filled in; an error if
// there is none, more than one, or another % directive.
Result<std::string> FrameFileName(const std::string& pattern, int32_t frame);

// How numbered image files are written.
struct SinkOptions {
    std::string compression;                      // --compression as typed: numbered image files only
    RenderValues values = RenderValues::ENCODED;  // what the frames' numbers stand for
    bool raw_colour = false;                      // --raw-colour: no colour conversion or tags
};

// Checks the output (pattern or video name, folder, ffmpeg on PATH, the
// compression for the files' format) and makes the sink for `width` x
// `height` frames: `video` for a video, `files` for numbered files.
Result<std::unique_ptr<FrameSink>> MakeFrameSink(const std::string& output, int32_t width, int32_t height,
                                                 const VideoOptions& video, const SinkOptions& files);

}  // namespace runner

#endif
