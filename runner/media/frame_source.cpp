#include "runner/media/frame_source.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "runner/media/frame_sink.h"
#include "runner/media/path_util.h"
#include "runner/media/subprocess.h"

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

// ffmpeg decodes the video's first stream to raw RGBA (8 or 16 bits a
// channel) on its standard output; we read one frame after another.
class VideoSource : public FrameSource {
public:
    VideoSource(std::string file, SourceInfo info) : file_(std::move(file)) { info_ = std::move(info); }
    ~VideoSource() override { Stop(true); }

    Status ReadInto(int32_t index, bool, World* world) override {
        if (index < next_) {
            return Error{file_ + ": video frames are read in order (asked for " + std::to_string(index) + " after " +
                         std::to_string(next_ - 1) + ")"};
        }
        if (child_.pid < 0) {
            if (Status ok = Start(); !ok) return ok;
        }
        // Frames before the one asked for are decoded and passed over, so
        // that frame i is always the clip's i-th.
        while (next_ <= index) {
            if (Status ok = Next(); !ok) return ok;
        }
        RgbaInto(frame_.data(), info_.bits, world);
        return Success();
    }

private:
    // The next decoded frame into frame_.
    Status Next() {
        const size_t bytes = static_cast<size_t>(info_.width) * static_cast<size_t>(info_.height) * 4 *
                             (info_.bits == DEPTH_BITS_16 ? 2 : 1);
        frame_.resize(bytes);
        size_t got = 0;
        if (!ReadAll(child_.fd, frame_.data(), bytes, &got)) {
            Stop();
            return Error{file_ + ": the decoder ended at frame " + std::to_string(next_) + " of " +
                         std::to_string(info_.frames) + (log_message_.empty() ? "" : " (" + log_message_ + ")")};
        }
        ++next_;
        return Success();
    }

    Status Start() {
        char log_name[] = "/tmp/ringstride-decode-XXXXXX";
        const int fd = mkstemp(log_name);
        if (fd >= 0) ::close(fd);
        log_ = fd >= 0 ? log_name : "";
        const std::vector<std::string> args = {
            "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-i", file_, "-map", "0:v:0",
            "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
            info_.bits == DEPTH_BITS_16 ? "rgba64le" : "rgba", "pipe:1"};
        Result<Child> child = Spawn(args, PipeTo::CHILD_STDOUT, log_);
        if (!child) return Error{file_ + ": cannot decode: " + child.error().message};
        child_ = *child;
        return Success();
    }

    // `early`: frames are left that nobody will read; ffmpeg need not finish.
    void Stop(bool early = false) {
        if (child_.pid < 0) return;
        ::close(child_.fd);
        if (early) kill(child_.pid, SIGTERM);
        const int status = WaitChild(child_.pid);  // a closed pipe ends it
        if (status != 0 && !log_.empty()) log_message_ = LastLine(log_);
        if (!log_.empty()) std::remove(log_.c_str());
        child_ = Child{};
    }

    std::string file_;
    std::string log_;
    std::string log_message_;
    Child child_;
    int32_t next_ = 0;
    std::vector<uint8_t> frame_;  // the last frame decoded, as ffmpeg wrote it
};

bool HasFrameNumber(const std::string& input) {
    for (size_t i = 0; i + 1 < input.size(); ++i) {
        if (input[i] != '%') continue;
        size_t j = i + 1;
        while (j < input.size() && std::isdigit(static_cast<unsigned char>(input[j]))) ++j;
        if (j < input.size() && input[j] == 'd') return true;
    }
    return false;
}

// The frame number in `name` when the pattern, filled with it, gives back
// exactly that name.
std::optional<int64_t> NumberOf(const std::string& pattern, const std::string& name) {
    const size_t percent = pattern.find('%');
    const size_t d = pattern.find('d', percent);
    const std::string prefix = pattern.substr(0, percent);
    const std::string suffix = pattern.substr(d + 1);
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const bool all_digits = std::all_of(digits.begin(), digits.end(),
                                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    if (digits.size() > 9 || !all_digits) {
        return std::nullopt;
    }
    const int64_t n = std::stoll(digits);
    Result<std::string> again = FrameFileName(pattern, static_cast<int32_t>(n));
    if (!again || *again != name) return std::nullopt;
    return n;
}

Result<std::unique_ptr<FrameSource>> OpenSequence(const std::string& pattern, int32_t start_number) {
    if (Result<std::string> ok = FrameFileName(pattern, 0); !ok) return ok.error();
    const fs::path full(pattern);
    const fs::path folder = full.parent_path().empty() ? fs::path(".") : full.parent_path();
    const std::string file_pattern = full.filename().string();
    if (file_pattern.find('%') == std::string::npos) {
        return Error{pattern + ": the frame number must be in the file name, not the folder"};
    }
    std::error_code ec;
    std::set<int64_t> numbers;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (std::optional<int64_t> n = NumberOf(file_pattern, it->path().filename().string())) numbers.insert(*n);
    }
    if (ec) return Error{pattern + ": cannot list " + folder.string() + ": " + ec.message()};
    if (numbers.empty()) return Error{pattern + ": no file matches the pattern"};
    const int64_t first = start_number >= 0 ? start_number : *numbers.begin();
    auto name_of = [&](int64_t n) { return FrameFileName(pattern, static_cast<int32_t>(n)).value(); };
    if (numbers.count(first) == 0) return Error{pattern + ": the first frame " + name_of(first) + " does not exist"};
    int64_t last = first;
    while (numbers.count(last + 1) != 0) ++last;
    if (numbers.upper_bound(last) != numbers.end()) {
        return Error{pattern + ": frame " + name_of(last + 1) + " is missing (the sequence goes on to " +
                     name_of(*numbers.rbegin()) + ")"};
    }
    if (last - first + 1 > 1000000) return Error{pattern + ": more than 1000000 frames"};
    Result<ImageInfo> sample = ReadImageInfo(name_of(first));
    if (!sample) return sample.error();
    auto source = std::make_unique<SequenceSource>(pattern, first, *sample);
    source->SetLength(static_cast<int32_t>(last - first + 1));
    return std::unique_ptr<FrameSource>(std::move(source));
}

// ffprobe's "30000/1001"; none for "0/0" or a rate out of range.
std::optional<Fraction> RateOf(const std::string& text) {
    const Result<Fraction> r = ParseFrameRate(text, "rate");
    return r ? std::optional<Fraction>(*r) : std::nullopt;
}

// More than 8 bits a channel: rendered at 16 bits unless --depth says otherwise.
bool DeepPixels(const nlohmann::json& stream) {
    const std::string bits = stream.value("bits_per_raw_sample", std::string());
    if (!bits.empty() && std::atoi(bits.c_str()) > 8) return true;
    const std::string fmt = stream.value("pix_fmt", std::string());
    for (const char* deep : {"p9", "p10", "p12", "p14", "p16", "rgb48", "rgba64", "bgr48", "bgra64", "gray10",
                             "gray12", "gray14", "gray16", "ya16", "y210", "y212", "p010", "p016", "xv30", "x2rgb10",
                             "x2bgr10", "v210", "v410"}) {
        if (fmt.find(deep) != std::string::npos) return true;
    }
    return false;
}

Result<std::unique_ptr<FrameSource>> OpenVideo(const std::string& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return Error{file + ": no such file"};
    if (!OnPath("ffprobe") || !OnPath("ffmpeg")) {
        return Error{file + ": reading video needs the ffmpeg and ffprobe programs, which are not on PATH"};
    }
    Result<std::string> out = RunForOutput({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                                            "stream=codec_type,codec_name,width,height,pix_fmt,bits_per_raw_sample,"
                                            "r_frame_rate,avg_frame_rate,nb_read_packets:stream_side_data=rotation",
                                            "-of", "json", file});
    if (!out) return Error{file + ": not a video ffprobe can read (" + out.error().message + ")"};
    const nlohmann::json doc = nlohmann::json::parse(*out, nullptr, false);
    if (doc.is_discarded() || !doc.contains("streams")) return Error{file + ": ffprobe gave no stream list"};
    SourceInfo info;
    info.kind = SourceKind::VIDEO;
    bool have_video = false;
    for (const nlohmann::json& s : doc["streams"]) {
        const std::string type = s.value("codec_type", std::string());
        if (type == "video" && !have_video) {
            have_video = true;
            info.width = s.value("width", 0);
            info.height = s.value("height", 0);
            info.bits = DeepPixels(s) ? DEPTH_BITS_16 : DEPTH_BITS_8;
            info.frames = std::atoi(s.value("nb_read_packets", std::string("0")).c_str());
            info.rate = RateOf(s.value("r_frame_rate", std::string()));
            if (!info.rate) info.rate = RateOf(s.value("avg_frame_rate", std::string()));
            // ffmpeg turns frames upright as it decodes them: a quarter turn
            // exchanges width and height.
            for (const nlohmann::json& side : s.value("side_data_list", nlohmann::json::array())) {
                const int turn = side.value("rotation", 0);
                if (turn % 180 != 0 && turn % 90 == 0) std::swap(info.width, info.height);
            }
        } else if (type == "audio" && info.audio_codec.empty()) {
            info.audio_codec = s.value("codec_name", std::string("unknown"));
        }
    }
    if (!have_video) return Error{file + ": has no video stream"};
    if (Status ok = CheckAddressable(info.width, info.height, file); !ok) return ok.error();
    if (info.frames < 1) return Error{file + ": ffprobe counts no frames in the video stream"};
    if (!info.rate) return Error{file + ": the video stream has no frame rate; give one with --fps"};
    return std::unique_ptr<FrameSource>(new VideoSource(file, info));
}

}  // namespace

Result<std::string> AudioCodecOf(const std::string& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return Error{file + ": no such file"};
    Result<std::string> out = RunForOutput({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                                            "stream=codec_name", "-of", "csv=p=0", file});
    if (!out) return Error{file + ": not a file ffprobe can read (" + out.error().message + ")"};
    std::string codec = *out;
    while (!codec.empty() && std::isspace(static_cast<unsigned char>(codec.back()))) codec.pop_back();
    if (codec.empty()) return Error{file + ": has no audio stream"};
    return codec;
}

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
    // Not an image the image library reads: perhaps a video by another name.
    if (OnPath("ffprobe")) {
        Result<std::unique_ptr<FrameSource>> video = OpenVideo(input);
        if (video && (*video)->Info().frames > 1) return video;
    }
    return image.error();
}

}  // namespace runner
