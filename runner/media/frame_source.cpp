#include "runner/media/frame_source.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "runner/media/frame_sink.h"
#include "runner/media/output_guard.h"
#include "runner/media/path_util.h"
#include "runner/media/subprocess.h"
#include "runner/media/video_source.h"

namespace runner {
namespace {

namespace fs = std::filesystem;

class StillSource : public FrameSource {
public:
    StillSource(std::string file, const ImageInfo& image) : file_(std::move(file)) {
        info_.kind = SourceKind::STILL;
        info_.width = image.width;
        info_.height = image.height;
        info_.bits = image.bits;
        info_.exr = image.exr;
    }
    Status ReadInto(int32_t, bool raw_colour, World* world) override { return ReadImageInto(file_, raw_colour, world); }

private:
    std::string file_;
};

class SequenceSource : public FrameSource {
public:
    SequenceSource(std::string pattern, int64_t first, const ImageInfo& sample)
        : pattern_(std::move(pattern)), first_(first) {
        info_.kind = SourceKind::SEQUENCE;
        info_.first_number = first;
        info_.width = sample.width;
        info_.height = sample.height;
        info_.bits = sample.bits;
        info_.exr = sample.exr;
    }
    void SetLength(int32_t frames) { info_.frames = frames; }

    Status ReadInto(int32_t index, bool raw_colour, World* world) override {
        Result<std::string> name = FrameFileName(pattern_, static_cast<int32_t>(first_ + index));
        if (!name) return name.error();
        return ReadImageInto(*name, raw_colour, world);
    }

private:
    std::string pattern_;
    int64_t first_;
};

Result<std::unique_ptr<FrameSource>> OpenSequence(const std::string& pattern, int32_t start_number) {
    if (Result<std::string> ok = FrameFileName(pattern, 0); !ok) return ok.error();
    if (!HasFrameNumber(fs::path(pattern).filename().string())) {
        return Error{pattern + ": the frame number must be in the file name, not the folder"};
    }
    Result<std::vector<int64_t>> present = FrameNumbersPresent(pattern);
    if (!present) return present.error();
    const std::vector<int64_t>& numbers = *present;
    if (numbers.empty()) return Error{pattern + ": no file matches the pattern"};
    const int64_t first = start_number >= 0 ? start_number : numbers.front();
    auto name_of = [&](int64_t n) { return FrameFileName(pattern, static_cast<int32_t>(n)).value(); };
    auto at = std::lower_bound(numbers.begin(), numbers.end(), first);
    if (at == numbers.end() || *at != first) {
        return Error{pattern + ": the first frame " + name_of(first) + " does not exist"};
    }
    int64_t last = first;
    for (++at; at != numbers.end() && *at == last + 1; ++at) ++last;
    if (numbers.back() > last) {
        return Error{pattern + ": frame " + name_of(last + 1) + " is missing (the sequence goes on to " +
                     name_of(numbers.back()) + ")"};
    }
    if (last - first + 1 > 1000000) return Error{pattern + ": more than 1000000 frames"};
    Result<ImageInfo> sample = ReadImageInfo(name_of(first));
    if (!sample) return sample.error();
    auto source = std::make_unique<SequenceSource>(pattern, first, *sample);
    source->SetLength(static_cast<int32_t>(last - first + 1));
    return std::unique_ptr<FrameSource>(std::move(source));
}

}  // namespace

bool IsVideoInput(const std::string& file) {
    const std::string ext = LowerExtension(file);
    for (const char* v : {".mp4", ".mov", ".mkv", ".webm", ".avi", ".m4v", ".mxf", ".mpg", ".mpeg", ".ts", ".m2ts",
                          ".flv", ".wmv", ".ogv", ".nut", ".y4m"}) {
        if (ext == v) return true;
    }
    return false;
}

Result<std::unique_ptr<FrameSource>> OpenSource(const std::string& input, int32_t start_number) {
    if (HasFrameNumber(input)) return OpenSequence(input, start_number);
    if (start_number >= 0) return Error{"--start-number: " + input + " is not an image sequence pattern"};
    if (IsVideoInput(input)) return OpenVideo(input);
    Result<ImageInfo> image = ReadImageInfo(input);
    if (image) return std::unique_ptr<FrameSource>(new StillSource(input, *image));
    // Not an image the image library reads: perhaps a video by another
    // name, or a sound file, which is named as such.
    if (OnPath("ffprobe")) {
        Result<ClipProbe> clip = ProbeClip(input);
        if (clip && (!clip->has_picture || clip->times.starts.size() > 1)) {
            const bool sound_only = !clip->has_picture;
            Result<std::unique_ptr<FrameSource>> video = OpenVideo(input, std::move(*clip));
            if (video || sound_only) return video;
        }
    }
    return image.error();
}

}  // namespace runner
