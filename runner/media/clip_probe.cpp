#include "runner/media/clip_probe.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "runner/media/subprocess.h"

namespace runner {
namespace {

// ffprobe's "30000/1001" or "4:3"; none for "0/0", "0:1", "N/A" or a rate
// out of range.
std::optional<Fraction> RateOf(const std::string& text) {
    const Result<Fraction> r = ParseFrameRate(text, "rate");
    return r ? std::optional<Fraction>(*r) : std::nullopt;
}

std::optional<Fraction> RatioOf(const std::string& text, char separator) {
    const size_t at = text.find(separator);
    if (at == std::string::npos) return std::nullopt;
    const long long num = std::atoll(text.substr(0, at).c_str());
    const long long den = std::atoll(text.substr(at + 1).c_str());
    if (num <= 0 || den <= 0 || num > 1000000 || den > 1000000000) return std::nullopt;
    return Fraction{num, den};
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

void ReadPicture(const nlohmann::json& s, ClipProbe* clip) {
    clip->has_picture = true;
    clip->codec = s.value("codec_name", std::string());
    clip->width = s.value("width", 0);
    clip->height = s.value("height", 0);
    clip->deep = DeepPixels(s);
    clip->stated_rate = RateOf(s.value("r_frame_rate", std::string()));
    if (!clip->stated_rate) clip->stated_rate = RateOf(s.value("avg_frame_rate", std::string()));
    if (std::optional<Fraction> sar = RatioOf(s.value("sample_aspect_ratio", std::string()), ':')) {
        clip->pixel_aspect = *sar;
    }
    if (std::optional<Fraction> tb = RatioOf(s.value("time_base", std::string()), '/')) clip->times.time_base = *tb;
    const nlohmann::json tags = s.value("tags", nlohmann::json::object());
    clip->vpx_alpha = (clip->codec == "vp8" || clip->codec == "vp9") && tags.value("alpha_mode", std::string()) == "1";
    // ffmpeg turns frames upright as it decodes them: a quarter turn
    // exchanges width and height.
    for (const nlohmann::json& side : s.value("side_data_list", nlohmann::json::array())) {
        const int turn = side.value("rotation", 0);
        if (turn % 180 != 0 && turn % 90 == 0) {
            std::swap(clip->width, clip->height);
            clip->pixel_aspect = Fraction{clip->pixel_aspect.den, clip->pixel_aspect.num};
        }
    }
}

// "pts,duration,flags" a packet a line. Packets flagged D (an edit list
// hides them) give no frame. Without timestamps the frames are taken as
// evenly spaced at the stated rate.
Status ReadFrameTimes(const std::string& file, const std::string& csv, ClipProbe* clip) {
    std::istringstream in(csv);
    std::string line;
    std::vector<int64_t> starts;
    int64_t end = 0;
    size_t untimed = 0;
    while (std::getline(in, line)) {
        const size_t a = line.find(',');
        const size_t b = a == std::string::npos ? a : line.find(',', a + 1);
        if (b == std::string::npos) continue;
        if (line.find('D', b) != std::string::npos) continue;
        const std::string pts = line.substr(0, a);
        if (pts.empty() || pts == "N/A") {
            ++untimed;
            continue;
        }
        const int64_t t = std::atoll(pts.c_str());
        starts.push_back(t);
        end = std::max(end, t + std::max<int64_t>(0, std::atoll(line.substr(a + 1, b - a - 1).c_str())));
    }
    if (untimed > 0) {
        if (!clip->stated_rate) return Error{file + ": the video stream has no frame rate"};
        const size_t n = starts.size() + untimed;
        clip->times.time_base = Fraction{clip->stated_rate->den, clip->stated_rate->num};
        clip->times.starts.resize(n);
        for (size_t i = 0; i < n; ++i) clip->times.starts[i] = static_cast<int64_t>(i);
        clip->times.end = static_cast<int64_t>(n);
        return Success();
    }
    std::sort(starts.begin(), starts.end());
    if (!starts.empty() && end <= starts.back()) {
        // The last frame's length is not stated: as long as the usual gap, or one frame at the stated rate.
        std::vector<int64_t> gaps;
        for (size_t i = 1; i < starts.size(); ++i) gaps.push_back(starts[i] - starts[i - 1]);
        int64_t gap = 0;
        if (!gaps.empty()) {
            std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
            gap = gaps[gaps.size() / 2];
        } else if (clip->stated_rate) {
            const Fraction& tb = clip->times.time_base;
            gap = std::max<int64_t>(1, (tb.den * clip->stated_rate->den) / (tb.num * clip->stated_rate->num));
        }
        end = starts.back() + std::max<int64_t>(1, gap);
    }
    clip->times.starts = std::move(starts);
    clip->times.end = end;
    return Success();
}

}  // namespace

Result<ClipProbe> ProbeClip(const std::string& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return Error{file + ": no such file"};
    if (!OnPath("ffprobe") || !OnPath("ffmpeg")) {
        return Error{file + ": reading video needs the ffmpeg and ffprobe programs, which are not on PATH"};
    }
    Result<std::string> out = RunForOutput({"ffprobe", "-v", "error", "-show_entries",
                                            "format=start_time:stream=codec_type,codec_name,width,height,pix_fmt,"
                                            "bits_per_raw_sample,r_frame_rate,avg_frame_rate,time_base,"
                                            "sample_aspect_ratio:stream_tags=alpha_mode:stream_side_data=rotation",
                                            "-of", "json", file});
    if (!out) return Error{file + ": not a video ffprobe can read (" + out.error().message + ")"};
    const nlohmann::json doc = nlohmann::json::parse(*out, nullptr, false);
    if (doc.is_discarded() || !doc.contains("streams")) return Error{file + ": ffprobe gave no stream list"};
    ClipProbe clip;
    for (const nlohmann::json& s : doc["streams"]) {
        const std::string type = s.value("codec_type", std::string());
        if (type == "video" && !clip.has_picture) {
            ReadPicture(s, &clip);
        } else if (type == "audio" && clip.audio_codec.empty()) {
            clip.audio_codec = s.value("codec_name", std::string("unknown"));
        }
    }
    if (!clip.has_picture) return clip;
    Result<std::string> packets = RunForOutput({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                                "packet=pts,duration,flags", "-of", "csv=p=0", file});
    if (!packets) return Error{file + ": ffprobe cannot list the video's frames (" + packets.error().message + ")"};
    if (Status ok = ReadFrameTimes(file, *packets, &clip); !ok) return ok.error();
    if (!clip.times.starts.empty()) {
        const double format_start =
            std::atof(doc.value("format", nlohmann::json::object()).value("start_time", std::string("0")).c_str());
        const Fraction& tb = clip.times.time_base;
        clip.first_frame_seconds = std::max(
            0.0, static_cast<double>(clip.times.starts.front()) * static_cast<double>(tb.num) /
                         static_cast<double>(tb.den) - format_start);
    }
    return clip;
}

bool HasRate(const ClipProbe& clip) { return clip.stated_rate.has_value() || clip.times.starts.size() > 1; }

Fraction DefaultRate(const ClipProbe& clip) {
    if (!clip.has_picture || !HasRate(clip)) return Fraction{24, 1};
    return NativeRate(clip.times, clip.stated_rate);
}

}  // namespace runner
