// Where animate's input frames come from: one still image (the same picture
// every frame), a numbered image sequence, or a video decoded by the ffmpeg
// program on a pipe, running ahead of the renderers in its own process.
#ifndef FOLVEK_RUNNER_MEDIA_FRAME_SOURCE_H
#define FOLVEK_RUNNER_MEDIA_FRAME_SOURCE_H

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>

#include "runner/shot/frame_rate.h"
#include "runner/media/image_io.h"
#include "runner/core/error.h"

namespace runner {

enum class SourceKind { STILL, SEQUENCE, VIDEO };

struct SourceInfo {
    SourceKind kind = SourceKind::STILL;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = DEPTH_BITS_8;      // the depth it renders at unless --depth says otherwise
    bool exr = false;                 // OpenEXR files: scene-linear colour
    int32_t frames = 0;               // sequences and videos: their length
    int64_t first_number = 0;         // sequences: the first file's frame number
    std::optional<Fraction> rate;     // videos: the rate they are conformed to
    // Videos with sound: the first audio stream's codec ("aac", "opus", ...).
    std::string audio_codec;
    Fraction pixel_aspect{1, 1};      // videos: the sample aspect ratio (4:3 for anamorphic 4:3)
    double start_seconds = 0;         // videos: frame 0's time in the file, where its sound is
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    const SourceInfo& Info() const { return info_; }
    // Frame `index` (from 0) into `world`, which has the source's size and
    // any depth. A video is read forward (frames skipped over are decoded
    // and passed by); the other kinds may be read from any thread in any
    // order.
    virtual Status ReadInto(int32_t index, bool raw_colour, World* world) = 0;
    bool Sequential() const { return info_.kind == SourceKind::VIDEO; }
    // Videos: the shot's frames become those of the clip conformed to
    // `rate` (frames repeated or left out, so that it keeps its length; see
    // conform.h), and the line returned says so (empty when frame i is the
    // clip's frame i). A video opens conformed to its own rate; stills and
    // sequences take any rate as it is.
    virtual std::string ConformTo(const Fraction&) { return ""; }

protected:
    SourceInfo info_;
};

// True for the extensions read as video (.mp4 .mov .mkv .webm .avi ...).
bool IsVideoInput(const std::string& file);

// A pattern with one frame number (%d, %04d) is a sequence starting at
// `start_number` (or the lowest number present when it is negative), as long
// as the run of consecutive files; a video extension a video; anything else
// a still image, or a video when only ffmpeg can read it.
Result<std::unique_ptr<FrameSource>> OpenSource(const std::string& input, int32_t start_number);

}  // namespace runner

#endif
