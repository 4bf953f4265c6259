#include "runner/cli/video_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "runner/cli/path_util.h"

namespace runner::cli {
namespace {

uint8_t From16(uint16_t v) {
    if (v >= 32768) return 255;
    return static_cast<uint8_t>(std::floor(v * 255.0 / 32768.0 + 0.5));
}

uint8_t FromFloat(float v) {
    if (!(v > 0.0f)) return 0;  // NaN too
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::floor(static_cast<double>(v) * 255.0 + 0.5));
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string all(path);
    size_t begin = 0;
    while (begin <= all.size()) {
        size_t end = all.find(':', begin);
        if (end == std::string::npos) end = all.size();
        const std::string dir = all.substr(begin, end - begin);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        begin = end + 1;
    }
    return false;
}

std::vector<std::string> EncoderArguments(const std::string& ext) {
    if (ext == ".gif") {
        return {"-filter_complex", "[0:v]split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse",
                "-loop", "0", "-f", "gif"};
    }
    if (ext == ".webm") {
        return {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libvpx-vp9", "-pix_fmt", "yuva420p",
                "-b:v", "0", "-crf", "30", "-f", "webm"};
    }
    return {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p",
            "-movflags", "+faststart", "-f", "mp4"};
}

}  // namespace

std::vector<uint8_t> Rgba8(const World& image) {
    const int32_t w = image.Width();
    const int32_t h = image.Height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    size_t i = 0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x, i += 4) {
            switch (image.Format()) {
            case PF_PixelFormat_ARGB32: {
                const PF_Pixel& p = image.Pixel8(x, y);
                out[i] = p.red; out[i + 1] = p.green; out[i + 2] = p.blue; out[i + 3] = p.alpha;
                break;
            }
            case PF_PixelFormat_ARGB64: {
                const PF_Pixel16& p = image.Pixel16(x, y);
                out[i] = From16(p.red); out[i + 1] = From16(p.green); out[i + 2] = From16(p.blue); out[i + 3] = From16(p.alpha);
                break;
            }
            default: {
                const PF_PixelFloat& p = image.PixelFloat(x, y);
                out[i] = FromFloat(p.red); out[i + 1] = FromFloat(p.green); out[i + 2] = FromFloat(p.blue);
                out[i + 3] = FromFloat(p.alpha);
                break;
            }
            }
        }
    }
    return out;
}

Result<std::unique_ptr<VideoPipe>> VideoPipe::Start(const std::string& file, int32_t width, int32_t height,
                                                    double fps) {
    if (Status ok = CheckWritableFolder(file); !ok) return ok.TakeError();
    if (!OnPath("ffmpeg")) return Error{file + ": writing video needs the ffmpeg program, which is not on PATH"};

    std::unique_ptr<VideoPipe> pipe(new VideoPipe());
    pipe->file_ = file;
    pipe->temp_ = TempNameBeside(file);
    pipe->log_ = pipe->temp_ + ".log";
    pipe->width_ = width;
    pipe->height_ = height;

    char rate[32];
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-r", rate, "-i", "pipe:0"};
    for (const std::string& a : EncoderArguments(LowerExtension(file))) args.push_back(a);
    args.push_back(pipe->temp_);

    int fds[2];
    if (::pipe(fds) != 0) return Error{file + ": cannot start ffmpeg: " + std::strerror(errno)};
    const int log_fd = ::open(pipe->log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log_fd < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return Error{file + ": cannot write beside the video: " + std::strerror(errno)};
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        ::close(log_fd);
        return Error{file + ": cannot start ffmpeg: " + std::strerror(errno)};
    }
    if (child == 0) {
        ::dup2(fds[0], 0);
        ::dup2(log_fd, 1);
        ::dup2(log_fd, 2);
        ::close(fds[0]);
        ::close(fds[1]);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    ::close(fds[0]);
    ::close(log_fd);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    // A dead encoder must show up as a write error, not kill us.
    signal(SIGPIPE, SIG_IGN);
    pipe->child_ = child;
    pipe->fd_ = fds[1];
    return pipe;
}

VideoPipe::~VideoPipe() { Abort(); }

std::string VideoPipe::LastLogLine() const {
    std::ifstream in(log_);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty()) last = line;
    }
    return last.empty() ? std::string("no message") : last;
}

Status VideoPipe::Write(const World& image) {
    if (fd_ < 0) return Error{file_ + ": the encoder is not running"};
    if (image.Width() != width_ || image.Height() != height_) {
        return Error{file_ + ": a frame of a different size cannot go into the video"};
    }
    const std::vector<uint8_t> bytes = Rgba8(image);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = std::strerror(errno);
            ::close(fd_);
            fd_ = -1;
            int status = 0;
            waitpid(child_, &status, 0);
            child_ = -1;
            const std::string log = LastLogLine();
            std::remove(temp_.c_str());
            std::remove(log_.c_str());
            return Error{file_ + ": ffmpeg stopped taking frames (" + why + "): " + log};
        }
        done += static_cast<size_t>(n);
    }
    return Success();
}

Status VideoPipe::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (child_ < 0) return Error{file_ + ": the encoder is not running"};
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok) {
        const std::string log = LastLogLine();
        std::remove(temp_.c_str());
        std::remove(log_.c_str());
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (code == 127) return Error{file_ + ": cannot run ffmpeg"};
        return Error{file_ + ": ffmpeg failed (exit " + std::to_string(code) + "): " + log};
    }
    std::remove(log_.c_str());
    std::error_code ec;
    std::filesystem::rename(temp_, file_, ec);
    if (ec) {
        std::remove(temp_.c_str());
        return Error{file_ + ": cannot move the video into place (" + ec.message() + ")"};
    }
    return Success();
}

void VideoPipe::Abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (child_ > 0) {
        kill(child_, SIGTERM);
        int status = 0;
        waitpid(child_, &status, 0);
        child_ = -1;
        std::remove(temp_.c_str());
        std::remove(log_.c_str());
    }
}

}  // namespace runner::cli
