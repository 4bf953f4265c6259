// The ffmpeg program as a video encoder: raw frames written to its standard
// input (the host's own 8-bit ARGB rows where the codec is 8-bit, 16-bit
// RGBA for ProRes from deeper renders), sound taken from the source clip,
// the video written to a temporary file beside the target and renamed when
// ffmpeg has finished without error: half a video is of no use, so an
// interrupted or failed run leaves none. ffmpeg's messages come back on a
// pipe (nothing is logged beside the output); one that reports a failed
// write (a full disk) stops the run at the next frame, quoting it.
#ifndef FOLVEK_RUNNER_MEDIA_VIDEO_PIPE_H
#define FOLVEK_RUNNER_MEDIA_VIDEO_PIPE_H

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "runner/media/message_tail.h"
#include "runner/shot/frame_rate.h"
#include "runner/core/error.h"
#include "runner/core/world.h"

namespace runner {

// True for the containers we encode: .mp4, .mov, .webm, .gif.
bool IsVideoName(const std::string& file);

// The size the video holds frames of `width` x `height` at: H.264 and VP9
// 4:2:0 round odd sizes up to even ones.
void EncodedSize(const std::string& file, int32_t* width, int32_t* height);

struct VideoOptions {
    Fraction rate{24, 1};
    int32_t frames = 0;           // how many will come (cuts the sound to the same length)
    int32_t bits = 8;             // the render depth: ProRes takes 16 bits from 16-bit and float renders
    int32_t crf = -1;             // H.264 and VP9 quality; -1: the codec's usual (23 and 30)
    std::string audio_source;     // a file whose first audio stream goes along; empty: none
    std::string audio_codec;      // that stream's codec, to copy it where the container takes it
    double audio_start = 0;       // where in audio_source the sound of the first frame is, in seconds
    Fraction pixel_aspect{1, 1};  // the frames' sample aspect ratio, written into the video
    bool raw_colour = false;      // no colour tags, ffmpeg's default conversion
    bool linear = false;          // float frames hold scene-linear values: encoded to sRGB first
};

// A frame as the encoder reads it: the world's own rows when ffmpeg takes
// them as they are (`packed` empty), otherwise packed samples (and `world`,
// if any, is only kept to be rendered into again).
struct PipeFrame {
    World world;
    std::vector<uint8_t> packed;
};

class VideoPipe {
public:
    // .mp4: H.264, yuv420p (no alpha; odd sizes padded to even, said on
    // standard error); .mov: ProRes 4444 with alpha (yuva444p10le);
    // .webm: VP9 with alpha; .gif: one palette for the whole clip.
    static Result<std::unique_ptr<VideoPipe>> Start(const std::string& file, int32_t width, int32_t height,
                                                    const VideoOptions& options);
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    // Into the layout the encoder reads; any thread. Fails only when the
    // memory for an 8-bit copy cannot be had.
    Result<PipeFrame> Pack(World image) const;
    Status Write(const PipeFrame& frame);
    // Waits for ffmpeg; renames the video into place on success.
    Status Close();
    // Stops ffmpeg and removes its output.
    void Abort();

private:
    VideoPipe() = default;
    Status Fail(const std::string& why);
    // Ends ffmpeg (at once when `kill`), then every message of it is in.
    int Stop(bool kill);
    // The output's disk has no byte left: looked at no more than a few times a second.
    bool DiskFull();

    std::string file_;
    std::string temp_;
    std::unique_ptr<MessageTail> messages_;
    std::chrono::steady_clock::time_point disk_checked_{};
    pid_t child_ = -1;
    int fd_ = -1;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool deep_ = false;    // rgba64le, else argb
    bool linear_ = false;  // float frames are encoded to sRGB first
};

}  // namespace runner

#endif
