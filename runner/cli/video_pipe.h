// The ffmpeg program as a video encoder: raw 8-bit RGBA frames written to
// its standard input, the video written to a temporary file beside the
// target and renamed when ffmpeg has finished without error.
#ifndef FOLVEK_RUNNER_CLI_VIDEO_PIPE_H
#define FOLVEK_RUNNER_CLI_VIDEO_PIPE_H

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "runner/result.h"
#include "runner/world.h"

namespace runner::cli {

// Host pixels of any depth as 8-bit straight RGBA rows (16-bit v ->
// round(v * 255 / 32768), float clamped to 0..1 and scaled by 255).
std::vector<uint8_t> Rgba8(const World& image);

class VideoPipe {
public:
    // .mp4: H.264, yuv420p (no alpha; odd sizes padded by one pixel);
    // .webm: VP9 with alpha; .gif: one palette for the whole clip.
    static Result<std::unique_ptr<VideoPipe>> Start(const std::string& file, int32_t width, int32_t height,
                                                    double fps);
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    Status Write(const World& image);
    // Waits for ffmpeg; renames the video into place on success.
    Status Close();
    // Stops ffmpeg and removes its output and log.
    void Abort();

private:
    VideoPipe() = default;
    std::string LastLogLine() const;

    std::string file_;
    std::string temp_;
    std::string log_;
    pid_t child_ = -1;
    int fd_ = -1;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace runner::cli

#endif
