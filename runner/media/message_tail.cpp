#include "runner/media/message_tail.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace runner {
namespace {

// A line longer than this is cut: only its start is quoted.
constexpr size_t LONGEST_LINE = 4096;

}  // namespace

MessageTail::MessageTail(int fd) : fd_(fd), reader_([this] { Read(); }) {}

MessageTail::~MessageTail() { WaitForEnd(); }

void MessageTail::WaitForEnd() {
    if (reader_.joinable()) reader_.join();
}

bool MessageTail::ReportsWriteFailure(const std::string& line) {
    for (int code : {ENOSPC, EDQUOT, EIO, EFBIG, EROFS}) {
        if (line.find(std::strerror(code)) != std::string::npos) return true;
    }
    return line.find("av_interleaved_write_frame()") != std::string::npos ||
           line.find("Error writing trailer") != std::string::npos;
}

void MessageTail::Take(const std::string& line) {
    size_t begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\r')) ++begin;
    // ffmpeg's "Last message repeated N times" says nothing new.
    if (begin == line.size() || line.compare(begin, 21, "Last message repeated") == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = line.substr(begin);
    if (failure_.empty() && ReportsWriteFailure(last_)) failure_ = last_;
}

void MessageTail::Read() {
    std::string line;
    char buf[4096];
    while (true) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') {
                Take(line);
                line.clear();
            } else if (line.size() < LONGEST_LINE) {
                line += buf[i];
            }
        }
    }
    Take(line);
    ::close(fd_);
}

std::string MessageTail::LastLine() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_.empty() ? std::string("no message") : last_;
}

std::string MessageTail::WriteFailure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

}  // namespace runner
