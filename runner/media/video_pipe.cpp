#include "runner/media/video_pipe.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runner/shot/colour.h"
#include "runner/shot/rgba.h"
#include "runner/media/path_util.h"
#include "runner/media/subprocess.h"

namespace runner {
namespace {

// RGBA, 16 bits a channel, little-endian (as x86 stores them).
std::vector<uint8_t> Rgba64(const World& image) {
    const size_t row = static_cast<size_t>(image.Width()) * 4;
    std::vector<uint8_t> out(row * static_cast<size_t>(image.Height()) * 2);
    uint16_t* o = reinterpret_cast<uint16_t*>(out.data());
    for (int32_t y = 0; y < image.Height(); ++y) WorldRowToRgba16(image, y, o + static_cast<size_t>(y) * row);
    return out;
}

// Host ARGB at 8 bits; 16-bit and float worlds are scaled down.
Result<World> Argb8(World image, const std::string& file) {
    if (image.Format() == PF_PixelFormat_ARGB32) return image;
    Result<World> out = World::Create(PF_PixelFormat_ARGB32, image.Width(), image.Height());
    if (!out) return Error{file + ": cannot hold an 8-bit frame for ffmpeg: " + out.error().message};
    for (int32_t y = 0; y < image.Height(); ++y) {
        WorldRowToArgb8(image, y, reinterpret_cast<PF_Pixel*>(out->Row(y)));
    }
    return out;
}

bool OneOf(const std::string& s, std::initializer_list<const char*> list) {
    for (const char* l : list) {
        if (s == l) return true;
    }
    return false;
}

// The sound's codec in this container: copied where the container takes
// it (and `copy` allows), otherwise AAC for .mp4, Opus for .webm and PCM for .mov.
std::vector<std::string> AudioArguments(const std::string& ext, const std::string& codec, bool copy) {
    if (ext == ".mp4") {
        if (copy && OneOf(codec, {"aac", "mp3", "alac", "ac3", "eac3"})) return {"-c:a", "copy"};
        return {"-c:a", "aac", "-b:a", "192k"};
    }
    if (ext == ".webm") {
        if (copy && OneOf(codec, {"opus", "vorbis"})) return {"-c:a", "copy"};
        return {"-c:a", "libopus", "-b:a", "160k"};
    }
    if (copy && (codec.rfind("pcm_", 0) == 0 || OneOf(codec, {"aac", "alac", "mp3"}))) return {"-c:a", "copy"};
    return {"-c:a", "pcm_s16le"};
}

std::vector<std::string> EncoderArguments(const std::string& ext, const VideoOptions& o) {
    const std::string crf = std::to_string(o.crf);
    // RGB to BT.709 luma and chroma, and the tags that say so.
    std::vector<std::string> tags = {"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709"};
    if (o.raw_colour) tags.clear();
    if (ext == ".gif") {
        return {"-filter_complex", "[0:v]split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse",
                "-loop", "0", "-f", "gif"};
    }
    std::vector<std::string> filters;
    if (ext != ".mov") filters.push_back("pad=ceil(iw/2)*2:ceil(ih/2)*2");
    if (!o.raw_colour) {
        // The frames themselves carry the tags too: some encoders (ProRes) take them from there.
        filters.push_back("scale=out_color_matrix=bt709:out_range=tv");
        filters.push_back("setparams=colorspace=bt709:color_primaries=bt709:color_trc=bt709");
    }
    if (o.pixel_aspect.num != o.pixel_aspect.den) {
        filters.push_back("setsar=" + std::to_string(o.pixel_aspect.num) + "/" + std::to_string(o.pixel_aspect.den));
    }
    std::string chain;
    for (const std::string& f : filters) chain += (chain.empty() ? "" : ",") + f;
    std::vector<std::string> args;
    if (!chain.empty()) args = {"-vf", chain};
    if (ext == ".webm") {
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-pix_fmt", "yuva420p", "-b:v", "0", "-crf",
                                 o.crf >= 0 ? crf : "30", "-f", "webm"});
    } else if (ext == ".mov") {
        args.insert(args.end(), {"-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuva444p10le", "-vendor",
                                 "apl0", "-f", "mov"});
    } else {
        args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", o.crf >= 0 ? crf : "23",
                                 "-movflags", "+faststart", "-f", "mp4"});
    }
    args.insert(args.end() - 2, tags.begin(), tags.end());
    return args;
}

}  // namespace

bool IsVideoName(const std::string& file) {
    const std::string ext = LowerExtension(file);
    return ext == ".mp4" || ext == ".gif" || ext == ".webm" || ext == ".mov";
}

void EncodedSize(const std::string& file, int32_t* width, int32_t* height) {
    const std::string ext = LowerExtension(file);
    if (ext != ".mp4" && ext != ".webm") return;
    *width += *width % 2;
    *height += *height % 2;
}

Result<std::unique_ptr<VideoPipe>> VideoPipe::Start(const std::string& file, int32_t width, int32_t height,
                                                    const VideoOptions& options) {
    if (Status ok = CheckWritableFolder(file); !ok) return ok.error();
    if (!OnPath("ffmpeg")) return Error{file + ": writing video needs the ffmpeg program, which is not on PATH"};
    const std::string ext = LowerExtension(file);
    if (options.crf >= 0 && ext != ".mp4" && ext != ".webm") {
        return Error{file + ": --crf is for the lossy codecs of .mp4 and .webm"};
    }
    if (options.crf > 63 || (ext == ".mp4" && options.crf > 51)) {
        return Error{"--crf " + std::to_string(options.crf) + ": must be 0 to " + (ext == ".mp4" ? "51" : "63")};
    }

    std::unique_ptr<VideoPipe> pipe(new VideoPipe());
    pipe->file_ = file;
    pipe->temp_ = TempNameBeside(file);
    pipe->width_ = width;
    pipe->height_ = height;
    pipe->deep_ = ext == ".mov" && options.bits != 8;
    pipe->linear_ = options.linear && !options.raw_colour;
    int32_t padded_width = width, padded_height = height;
    EncodedSize(file, &padded_width, &padded_height);
    if (padded_width != width || padded_height != height) {
        std::fprintf(stderr, "ringstride: note: %s: %s needs even sizes; the %dx%d frames are padded to %dx%d "
                     "(a transparent or black column or row on the right or bottom)\n", file.c_str(),
                     ext == ".mp4" ? "H.264 4:2:0" : "VP9 4:2:0", width, height, padded_width, padded_height);
    }

    const std::string rate = std::to_string(options.rate.num) + "/" + std::to_string(options.rate.den);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", pipe->deep_ ? "rgba64le" : "argb",
                                     "-s", size, "-framerate", rate, "-i", "pipe:0"};
    const bool sound = !options.audio_source.empty() && ext != ".gif";
    if (sound) {
        // Sound that starts later than the source's start is cut there to the
        // sample, which a copy (whole packets) cannot do: it is encoded.
        const bool cut = options.audio_start > 0.0;
        if (cut) {
            char at[64];
            std::snprintf(at, sizeof at, "%.6f", options.audio_start);
            args.insert(args.end(), {"-ss", at});
        }
        args.push_back("-i");
        args.push_back(options.audio_source);
        for (const char* a : {"-map", "0:v:0", "-map", "1:a:0"}) args.push_back(a);
        for (const std::string& a : AudioArguments(ext, options.audio_codec, !cut)) args.push_back(a);
        // As long as the frames: rounded up to a microsecond, so no frame is cut.
        const double seconds = std::ceil(options.frames * static_cast<double>(options.rate.den) * 1e6 /
                                         static_cast<double>(options.rate.num)) / 1e6;
        char t[64];
        std::snprintf(t, sizeof t, "%.6f", seconds);
        args.push_back("-t");
        args.push_back(t);
    }
    for (const std::string& a : EncoderArguments(ext, options)) args.push_back(a);
    args.push_back(pipe->temp_);

    Result<Child> child = SpawnWithMessages(args, PipeTo::CHILD_STDIN);
    if (!child) return Error{file + ": cannot start ffmpeg: " + child.error().message};
    pipe->child_ = child->pid;
    pipe->fd_ = child->fd;
    pipe->messages_ = std::make_unique<MessageTail>(child->messages);
    return pipe;
}

VideoPipe::~VideoPipe() { Abort(); }

Result<PipeFrame> VideoPipe::Pack(World image) const {
    if (linear_ && image.Format() == PF_PixelFormat_ARGB128) {
        // Video carries display-encoded values; the render holds light. The
        // frame is ours, so it is encoded where it lies.
        for (int32_t y = 0; y < image.Height(); ++y) {
            for (int32_t x = 0; x < image.Width(); ++x) {
                PF_PixelFloat& p = image.PixelFloat(x, y);
                p.red = static_cast<float>(LinearToSrgb(p.red));
                p.green = static_cast<float>(LinearToSrgb(p.green));
                p.blue = static_cast<float>(LinearToSrgb(p.blue));
            }
        }
    }
    PipeFrame frame;
    if (deep_) {
        frame.packed = Rgba64(image);
        frame.world = std::move(image);
    } else {
        Result<World> argb = Argb8(std::move(image), file_);
        if (!argb) return argb.error();
        frame.world = std::move(*argb);
    }
    return frame;
}

int VideoPipe::Stop(bool kill) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    int code = -1;
    if (child_ > 0) {
        if (kill) ::kill(child_, SIGTERM);
        code = WaitChild(child_);
        child_ = -1;
    }
    if (messages_) messages_->WaitForEnd();
    return code;
}

bool VideoPipe::DiskFull() {
    constexpr auto EVERY = std::chrono::milliseconds(250);
    const auto now = std::chrono::steady_clock::now();
    if (now - disk_checked_ < EVERY) return false;
    disk_checked_ = now;
    return FreeBytesFor(temp_) == 0;
}

Status VideoPipe::Fail(const std::string& why) {
    // A failed write of ffmpeg's is the cause; the broken pipe only its sign.
    const std::string failure = messages_ ? messages_->WriteFailure() : "";
    Stop(true);
    std::remove(temp_.c_str());
    if (!failure.empty()) return Error{file_ + ": ffmpeg cannot write the video: " + failure};
    return Error{file_ + ": ffmpeg stopped taking frames (" + why + "): " +
                 (messages_ ? messages_->LastLine() : std::string("no message"))};
}

Status VideoPipe::Write(const PipeFrame& frame) {
    if (fd_ < 0) return Error{file_ + ": the encoder is not running"};
    // ffmpeg goes on after a failed write and fails only at the end, and
    // its muxers may hold back minutes of video before their first write
    // (WebM): stop as soon as a write fails or the disk has no room left.
    if (messages_ && !messages_->WriteFailure().empty()) return Fail("a write failed");
    if (DiskFull()) {
        Stop(true);
        std::remove(temp_.c_str());
        return Error{file_ + ": cannot write the video: the disk is full (" + std::strerror(ENOSPC) + ")"};
    }
    if (!frame.packed.empty()) {
        if (frame.packed.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_) * 8) {
            return Error{file_ + ": a frame of a different size cannot go into the video"};
        }
        if (!WriteAll(fd_, frame.packed.data(), frame.packed.size())) return Fail(std::strerror(errno));
        return Success();
    }
    const World& w = frame.world;
    if (w.Width() != width_ || w.Height() != height_ || w.Format() != PF_PixelFormat_ARGB32) {
        return Error{file_ + ": a frame of a different size cannot go into the video"};
    }
    // The host's 8-bit pixels are the encoder's argb: rows go out as they are.
    const size_t row = static_cast<size_t>(width_) * 4;
    const size_t stride = static_cast<size_t>(w.Def()->rowbytes);
    if (stride == row) {
        if (!WriteAll(fd_, w.Row(0), row * static_cast<size_t>(height_))) return Fail(std::strerror(errno));
        return Success();
    }
    for (int32_t y = 0; y < height_; ++y) {
        if (!WriteAll(fd_, w.Row(y), row)) return Fail(std::strerror(errno));
    }
    return Success();
}

Status VideoPipe::Close() {
    if (child_ < 0) return Error{file_ + ": the encoder is not running"};
    const int code = Stop(false);
    if (code != 0) {
        std::remove(temp_.c_str());
        if (code == 127) return Error{file_ + ": cannot run ffmpeg"};
        const std::string failure = messages_->WriteFailure();
        if (!failure.empty()) return Error{file_ + ": ffmpeg cannot write the video: " + failure};
        return Error{file_ + ": ffmpeg failed (exit " + std::to_string(code) + "): " + messages_->LastLine()};
    }
    std::error_code ec;
    std::filesystem::rename(temp_, file_, ec);
    if (ec) {
        std::remove(temp_.c_str());
        return Error{file_ + ": cannot move the video into place (" + ec.message() + ")"};
    }
    return Success();
}

void VideoPipe::Abort() {
    const bool running = child_ > 0;
    Stop(true);
    if (running) std::remove(temp_.c_str());
}

}  // namespace runner
