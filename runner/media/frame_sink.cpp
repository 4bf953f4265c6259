#include "runner/media/frame_sink.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "runner/media/image_io.h"
#include "runner/media/path_util.h"
#include "runner/media/video_pipe.h"

namespace runner {
namespace {

class PatternSink : public FrameSink {
public:
    PatternSink(std::string pattern, WriteOptions write, int32_t width, int32_t height, int32_t file_bits)
        : pattern_(std::move(pattern)), write_(std::move(write)), width_(width), height_(height),
          file_bits_(file_bits) {}

    Result<PipeFrame> Prepare(int32_t frame, World image) override {
        Result<std::string> name = FrameFileName(pattern_, frame);
        if (!name) return name.error();
        // Written beside its name and renamed: final at once.
        if (Status ok = WriteImage(image, *name, write_); !ok) return ok.error();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_.push_back(frame);
        }
        return PipeFrame{std::move(image), {}};
    }

    Status Put(int32_t, const PipeFrame&) override { return Success(); }
    Status Finish() override { return Success(); }
    void Abandon() override {}
    std::string Describe() const override { return pattern_; }

    std::vector<int32_t> Written() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return written_;
    }

    bool Complete(int32_t frame) const override {
        Result<std::string> name = FrameFileName(pattern_, frame);
        std::error_code ec;
        if (!name || !std::filesystem::is_regular_file(*name, ec)) return false;
        ImageInfo info;
        // Decoded whole: a file cut short fails here.
        Result<World> read = ReadWorld(*name, 0, true, &info);
        return read && info.width == width_ && info.height == height_ && info.bits == file_bits_;
    }

private:
    std::string pattern_;
    WriteOptions write_;
    int32_t width_;
    int32_t height_;
    int32_t file_bits_;  // what ReadImageInfo says of a frame of this run
    mutable std::mutex mutex_;
    std::vector<int32_t> written_;
};

class VideoSink : public FrameSink {
public:
    VideoSink(std::string file, std::unique_ptr<VideoPipe> pipe) : file_(std::move(file)), pipe_(std::move(pipe)) {}
    ~VideoSink() override { Abandon(); }

    Result<PipeFrame> Prepare(int32_t, World image) override { return pipe_->Pack(std::move(image)); }
    Status Put(int32_t, const PipeFrame& prepared) override { return pipe_->Write(prepared); }
    Status Finish() override { return pipe_->Close(); }
    void Abandon() override { pipe_->Abort(); }
    std::string Describe() const override { return file_; }
    std::vector<int32_t> Written() const override { return {}; }
    bool Complete(int32_t) const override { return false; }

private:
    std::string file_;
    std::unique_ptr<VideoPipe> pipe_;
};

}  // namespace

Result<std::string> FrameFileName(const std::string& pattern, int32_t frame) {
    std::string out;
    int conversions = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        size_t j = i + 1;
        bool zero = false;
        if (j < pattern.size() && pattern[j] == '0') {
            zero = true;
            ++j;
        }
        int width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100) {
            width = width * 10 + (pattern[j] - '0');
            ++j;
        }
        if (j >= pattern.size() || pattern[j] != 'd' || width > 12) {
            return Error{pattern + ": only one frame number like %d or %04d may appear in the output pattern"};
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, zero ? "%0*d" : "%*d", width, frame);
        out += buf;
        ++conversions;
        i = j;
    }
    if (conversions != 1) {
        return Error{pattern + ": the output must be a video (.mp4, .mov, .webm, .gif) or a pattern with one frame "
                               "number such as frame_%04d.png"};
    }
    return out;
}

bool HasFrameNumber(const std::string& name) {
    for (size_t i = 0; i + 1 < name.size(); ++i) {
        if (name[i] != '%') continue;
        size_t j = i + 1;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
        if (j < name.size() && name[j] == 'd') return true;
    }
    return false;
}

std::optional<int64_t> FrameNumberOf(const std::string& pattern, const std::string& name) {
    const size_t percent = pattern.find('%');
    const size_t d = percent == std::string::npos ? std::string::npos : pattern.find('d', percent);
    if (d == std::string::npos) return std::nullopt;
    const std::string prefix = pattern.substr(0, percent);
    const std::string suffix = pattern.substr(d + 1);
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int64_t n = std::stoll(digits);
    Result<std::string> again = FrameFileName(pattern, static_cast<int32_t>(n));
    if (!again || *again != name) return std::nullopt;
    return n;
}

Result<std::unique_ptr<FrameSink>> MakeFrameSink(const std::string& output, int32_t width, int32_t height,
                                                 const VideoOptions& video, const SinkOptions& options) {
    if (IsVideoName(output)) {
        if (!options.compression.empty()) {
            return Error{"--compression " + options.compression + ": applies to image files, not to the video " + output};
        }
        Result<std::unique_ptr<VideoPipe>> pipe = VideoPipe::Start(output, width, height, video);
        if (!pipe) return pipe.error();
        return std::unique_ptr<FrameSink>(new VideoSink(output, std::move(*pipe)));
    }
    Result<std::string> first = FrameFileName(output, 0);
    if (!first) return first.error();
    if (Status ok = CheckOutputFile(*first); !ok) return ok.error();
    Result<Compression> compression = ParseCompression(options.compression, *first);
    if (!compression) return compression.error();
    // What a frame of this run reads back as: PNG 8 or 16 bits, TIFF the render depth, EXR float.
    const ImageFileFormat format = ImageFormatOf(*first);
    const int32_t file_bits = format == IMAGE_FORMAT_EXR    ? DEPTH_BITS_FLOAT
                              : format == IMAGE_FORMAT_PNG ? (video.bits == DEPTH_BITS_8 ? DEPTH_BITS_8 : DEPTH_BITS_16)
                                                           : video.bits;
    return std::unique_ptr<FrameSink>(new PatternSink(
        output, WriteOptions{*compression, options.values, options.raw_colour}, width, height, file_bits));
}

}  // namespace runner
