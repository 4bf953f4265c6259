// A video as a frame source: decoded by the ffmpeg program on a pipe,
// conformed to the shot's rate.
#ifndef FOLVEK_RUNNER_MEDIA_VIDEO_SOURCE_H
#define FOLVEK_RUNNER_MEDIA_VIDEO_SOURCE_H

#include <memory>
#include <string>

#include "runner/media/clip_probe.h"
#include "runner/media/frame_source.h"

namespace runner {

// The clip's first picture stream at its own rate (DefaultRate); an audio
// file is refused by what it is.
Result<std::unique_ptr<FrameSource>> OpenVideo(const std::string& file);
Result<std::unique_ptr<FrameSource>> OpenVideo(const std::string& file, ClipProbe clip);

}  // namespace runner

#endif
