#include "runner/media/frame_sink.h"

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
    PatternSink(std::string pattern, WriteOptions write) : pattern_(std::move(pattern)), write_(std::move(write)) {}
    ~PatternSink() override { Abandon(); }

    Result<PipeFrame> Prepare(int32_t frame, World image) override {
        Result<std::string> name = FrameFileName(pattern_, frame);
        if (!name) return name.error();
        const std::string temp = TempNameBeside(*name);
        {
            // Recorded first, so that Abandon removes even a half-written file.
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.push_back({temp, *name});
        }
        if (Status ok = WriteImage(image, temp, write_); !ok) return Error{*name + ": " + ok.error().message};
        return PipeFrame{std::move(image), {}};
    }

    Status Put(int32_t, const PipeFrame&) override { return Success(); }

    Status Finish() override {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [temp, name] : pending_) {
            std::error_code ec;
            std::filesystem::rename(temp, name, ec);
            if (ec) {
                RemovePending();
                return Error{name + ": cannot write the frame (" + ec.message() + ")"};
            }
        }
        pending_.clear();
        return Success();
    }

    void Abandon() override {
        std::lock_guard<std::mutex> lock(mutex_);
        RemovePending();
    }

    std::string Describe() const override { return pattern_; }

private:
    void RemovePending() {
        for (const auto& entry : pending_) std::remove(entry.first.c_str());
        pending_.clear();
    }

    std::string pattern_;
    WriteOptions write_;
    std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> pending_;  // temp, final
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
    return std::unique_ptr<FrameSink>(
        new PatternSink(output, WriteOptions{*compression, options.values, options.raw_colour}));
}

}  // namespace runner
