#include "runner/media/video_source.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "runner/media/subprocess.h"
#include "runner/shot/rgba.h"

namespace runner {
namespace {

// ffmpeg decodes the video's first stream to raw RGBA (8 or 16 bits a
// channel) on its standard output; we read one frame after another. The
// shot's frame k is the clip's frame shot_.source[k] (conformed to the
// shot's rate); frames in between are decoded and passed over.
class VideoSource : public FrameSource {
public:
    VideoSource(std::string file, ClipProbe clip) : file_(std::move(file)), clip_(std::move(clip)) {
        info_.kind = SourceKind::VIDEO;
        info_.width = clip_.width;
        info_.height = clip_.height;
        info_.bits = clip_.deep ? DEPTH_BITS_16 : DEPTH_BITS_8;
        info_.audio_codec = clip_.audio_codec;
        info_.pixel_aspect = clip_.pixel_aspect;
        info_.start_seconds = clip_.first_frame_seconds;
        const Fraction rate = DefaultRate(clip_);
        // Its own rate is not the stated one: the frames keep to none.
        variable_ = !clip_.stated_rate || rate.num != clip_.stated_rate->num || rate.den != clip_.stated_rate->den;
        ConformTo(rate);
    }
    ~VideoSource() override { Stop(true); }

    std::string ConformTo(const Fraction& rate) override {
        shot_ = ConformClip(clip_.times, rate);
        info_.rate = rate;
        info_.frames = static_cast<int32_t>(shot_.source.size());
        return DescribeConform(clip_.times, shot_, variable_);
    }

    Status ReadInto(int32_t index, bool, World* world) override {
        if (index < last_index_) {
            return Error{file_ + ": video frames are read in order (asked for " + std::to_string(index) + " after " +
                         std::to_string(last_index_) + ")"};
        }
        if (index >= info_.frames) {
            return Error{file_ + ": frame " + std::to_string(index) + " asked for; the shot has " +
                         std::to_string(info_.frames)};
        }
        last_index_ = index;
        const int32_t want = shot_.source[static_cast<size_t>(index)];
        if (child_.pid < 0 && held_ < 0) {
            if (Status ok = Start(want); !ok) return ok;
        }
        while (held_ < want) {
            if (Status ok = Next(); !ok) return ok;
        }
        RgbaIntoWorld(frame_.data(), info_.bits, world);
        return Success();
    }

private:
    // The next decoded frame into frame_.
    Status Next() {
        const size_t bytes = static_cast<size_t>(info_.width) * static_cast<size_t>(info_.height) * 4 *
                             (info_.bits == DEPTH_BITS_16 ? 2 : 1);
        frame_.resize(bytes);
        size_t got = 0;
        if (child_.pid < 0 || !ReadAll(child_.fd, frame_.data(), bytes, &got)) {
            Stop();
            return Error{file_ + ": the decoder ended at frame " + std::to_string(next_source_) + " of " +
                         std::to_string(clip_.times.starts.size()) +
                         (log_message_.empty() ? "" : " (" + log_message_ + ")")};
        }
        held_ = next_source_++;
        return Success();
    }

    // Decoding from the clip's frame `first`: ffmpeg seeks to halfway
    // between it and the frame before, and drops what comes earlier.
    Status Start(int32_t first) {
        char log_name[] = "/tmp/ringstride-decode-XXXXXX";
        const int fd = mkstemp(log_name);
        if (fd >= 0) ::close(fd);
        log_ = fd >= 0 ? log_name : "";
        std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error"};
        if (first > 0) {
            const std::vector<int64_t>& t = clip_.times.starts;
            const Fraction& tb = clip_.times.time_base;
            const double ticks = static_cast<double>(t[static_cast<size_t>(first) - 1] + t[static_cast<size_t>(first)]) / 2.0 -
                                 static_cast<double>(t.front());
            char at[64];
            std::snprintf(at, sizeof at, "%.6f", clip_.first_frame_seconds + ticks * static_cast<double>(tb.num) /
                                                                               static_cast<double>(tb.den));
            args.insert(args.end(), {"-ss", at});
        }
        // ffmpeg's own VP8/VP9 decoders drop the alpha stored beside the picture; libvpx's keep it.
        if (clip_.vpx_alpha) args.insert(args.end(), {"-c:v", clip_.codec == "vp8" ? "libvpx" : "libvpx-vp9"});
        args.insert(args.end(), {"-i", file_, "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
                                 info_.bits == DEPTH_BITS_16 ? "rgba64le" : "rgba", "pipe:1"});
        Result<Child> child = Spawn(args, PipeTo::CHILD_STDOUT, log_);
        if (!child) return Error{file_ + ": cannot decode: " + child.error().message};
        child_ = *child;
        next_source_ = first;
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
    ClipProbe clip_;
    Conformed shot_;
    bool variable_ = false;       // the clip keeps to no stated rate
    std::string log_;
    std::string log_message_;
    Child child_;
    int32_t last_index_ = 0;      // the last shot frame asked for
    int32_t held_ = -1;           // the clip frame in frame_
    int32_t next_source_ = 0;     // the clip frame the decoder gives next
    std::vector<uint8_t> frame_;  // the last frame decoded, as ffmpeg wrote it
};

}  // namespace

Result<std::unique_ptr<FrameSource>> OpenVideo(const std::string& file) {
    Result<ClipProbe> clip = ProbeClip(file);
    if (!clip) return clip.error();
    return OpenVideo(file, std::move(*clip));
}

Result<std::unique_ptr<FrameSource>> OpenVideo(const std::string& file, ClipProbe probed) {
    if (!probed.has_picture) {
        if (!probed.audio_codec.empty()) {
            return Error{file + ": a sound file (" + probed.audio_codec + "), with no picture to render; sound goes "
                                "with a video's own or through encode --audio"};
        }
        return Error{file + ": has no video stream"};
    }
    if (Status ok = CheckAddressable(probed.width, probed.height, file); !ok) return ok.error();
    if (probed.times.starts.empty()) return Error{file + ": ffprobe counts no frames in the video stream"};
    if (!HasRate(probed)) return Error{file + ": the video stream has no frame rate; give one with --fps"};
    return std::unique_ptr<FrameSource>(new VideoSource(file, std::move(probed)));
}

}  // namespace runner
