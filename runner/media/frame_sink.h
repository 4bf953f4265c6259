// Where animate's frames go: numbered image files, or a video encoded by
// the ffmpeg program from raw frames on a pipe. Each numbered file is
// complete under its own name the moment it is written (written beside it
// under a temporary name, then renamed), so that a run that stops, in any
// way, keeps every frame it finished and a later run can take them up. A
// video appears under its name only when Finish succeeds (half a video is
// of no use); Abandon removes it.
#ifndef FOLVEK_RUNNER_MEDIA_FRAME_SINK_H
#define FOLVEK_RUNNER_MEDIA_FRAME_SINK_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // Numbered files: the frames this run has written, in any order.
    virtual std::vector<int32_t> Written() const = 0;
    // Numbered files: the frame's file is already there and complete
    // (decodes, with this run's size and sample depth), so a resumed run
    // need not render it. Any thread.
    virtual bool Complete(int32_t frame) const = 0;
};

// The single %d / %0Nd conversion of a pattern, filled in; an error if
// there is none, more than one, or another % directive.
Result<std::string> FrameFileName(const std::string& pattern, int32_t frame);

// Whether `name` holds a %d / %0Nd frame number: a sequence of files
// rather than one file, whatever other % it holds.
bool HasFrameNumber(const std::string& name);

// The frame number of `name` (a file name without folder) when `pattern`
// (also without folder), filled with it, gives back exactly that name.
std::optional<int64_t> FrameNumberOf(const std::string& pattern, const std::string& name);

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
