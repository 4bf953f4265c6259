#include "runner/media/output_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "runner/media/frame_sink.h"

namespace runner {
namespace {

// Frame f is locked as the byte at LOCK_BASE + f: far past the lines of text.
constexpr off_t LOCK_BASE = off_t{1} << 40;
// A file that was removed under us is opened again at most this often.
constexpr int OPEN_ATTEMPTS = 20;

struct flock Region(short type, int32_t first, int32_t last) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    region.l_start = LOCK_BASE + first;
    region.l_len = static_cast<off_t>(last) - first + 1;
    return region;
}

std::string HostName() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) return "?";
    return host;
}

std::string LocalTime(time_t when) {
    struct tm parts {};
    char text[32] = "?";
    if (localtime_r(&when, &parts) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// "pid 412 on node7, started 2026-12-09 02:16:00: ringstride animate ..."
// for the last line of the file that names the run holding first..last.
std::string DescribeHolder(int fd, int64_t first, int64_t last) {
    std::string text;
    char buf[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
        at += n;
        if (text.size() > (16u << 20)) break;
    }
    std::istringstream lines(text);
    std::string line, found;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int64_t a = -1, b = -1;
        if (fields >> a >> b && a == first && b == last) found = line;
    }
    if (found.empty()) return "another run";
    std::istringstream fields(found);
    int64_t a = 0, b = 0, pid = 0, started = 0;
    std::string host, command;
    fields >> a >> b >> pid >> host >> started;
    std::getline(fields, command);
    if (!command.empty() && command[0] == ' ') command.erase(0, 1);
    return "another run (pid " + std::to_string(pid) + " on " + host + ", started " +
           LocalTime(static_cast<time_t>(started)) + (command.empty() ? "" : ": " + command) + ")";
}

bool LocksUnsupported(int error) {
    return error == EINVAL || error == ENOLCK || error == ENOSYS || error == EOPNOTSUPP;
}

}  // namespace

std::string LockFileOf(const std::string& output) {
    const std::filesystem::path p(output);
    return (p.parent_path() / ("." + p.filename().string() + ".lock")).string();
}

OutputLock::OutputLock(OutputLock&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), note_(std::move(other.note_)) {
    other.fd_ = -1;
}

OutputLock& OutputLock::operator=(OutputLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        note_ = std::move(other.note_);
        other.fd_ = -1;
    }
    return *this;
}

Result<OutputLock> OutputLock::Take(const std::string& output, int32_t first, int32_t last,
                                    const std::string& command) {
    OutputLock lock;
    lock.path_ = LockFileOf(output);
    for (int attempt = 0; attempt < OPEN_ATTEMPTS; ++attempt) {
        const int fd = ::open(lock.path_.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0) {
            lock.note_ = "cannot make the lock file " + lock.path_ + " (" + std::strerror(errno) + ")";
            return lock;
        }
        struct flock region = Region(F_WRLCK, first, last);
        if (::fcntl(fd, F_OFD_SETLK, &region) != 0) {
            const int error = errno;
            if (LocksUnsupported(error)) {
                ::close(fd);
                lock.note_ = "the file system of " + lock.path_ + " takes no locks (" + std::strerror(error) + ")";
                return lock;
            }
            struct flock held = Region(F_WRLCK, first, last);
            std::string holder = "another run";
            if (::fcntl(fd, F_OFD_GETLK, &held) == 0 && held.l_type != F_UNLCK) {
                const int64_t a = held.l_start - LOCK_BASE;
                holder = DescribeHolder(fd, a, a + held.l_len - 1);
            }
            ::close(fd);
            const std::string what = !HasFrameNumber(output)
                                         ? output + " is being written by "
                                         : output + ": frames " + std::to_string(first) + " to " +
                                               std::to_string(last) + " are being written by ";
            return Error{what + holder + "; wait for it to end, or stop it (lock " + lock.path_ + ")"};
        }
        // The last holder of a file removes it: a lock on a removed file holds nothing.
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) != 0 || ::stat(lock.path_.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        lock.fd_ = fd;
        std::string line = std::to_string(first) + " " + std::to_string(last) + " " + std::to_string(getpid()) +
                           " " + HostName() + " " + std::to_string(static_cast<long long>(std::time(nullptr))) +
                           " " + command;
        for (char& c : line) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        line += '\n';
        // Only for the message that refuses another run: a failure here stops nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
        return lock;
    }
    return Error{output + ": cannot lock the output: " + lock.path_ + " keeps being removed"};
}

void OutputLock::Release() {
    if (fd_ < 0) return;
    // Alone on the file (no other run holds a frame of it): remove it, then let go.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    whole.l_start = 0;
    whole.l_len = 0;
    if (::fcntl(fd_, F_OFD_SETLK, &whole) == 0) ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace runner
