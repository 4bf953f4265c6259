#include "runner/media/checked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace runner {
namespace {

// Small writes (a PNG chunk, an EXR block's prefix) gather here; larger
// ones go straight to the file.
constexpr size_t BUFFER_BYTES = 256 * 1024;

}  // namespace

CheckedFile::~CheckedFile() {
    if (fd_ >= 0) ::close(fd_);
}

Status CheckedFile::Open(const std::string& file) {
    fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Error{std::strerror(errno)};
    buffer_.clear();
    buffer_.reserve(BUFFER_BYTES);
    buffer_at_ = position_ = size_ = 0;
    failure_.clear();
    return Success();
}

bool CheckedFile::Fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
    return false;
}

bool CheckedFile::WriteThrough(const uint8_t* data, size_t size, uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(std::strerror(errno));
        if (n == 0) return Fail("the file takes no more bytes");
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool CheckedFile::Flush() {
    if (buffer_.empty()) return true;
    const bool ok = WriteThrough(buffer_.data(), buffer_.size(), buffer_at_);
    buffer_.clear();
    return ok;
}

bool CheckedFile::Write(const void* data, size_t size) {
    if (!WriteAt(data, size, position_)) return false;
    position_ += size;
    return true;
}

bool CheckedFile::WriteAt(const void* data, size_t size, uint64_t offset) {
    if (fd_ < 0) return Fail("the file is not open");
    if (!failure_.empty()) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    const bool follows = offset == buffer_at_ + buffer_.size();
    if (!follows || buffer_.size() + size > BUFFER_BYTES) {
        if (!Flush()) return false;
        buffer_at_ = offset;
    }
    if (size >= BUFFER_BYTES) {
        if (!WriteThrough(bytes, size, offset)) return false;
        buffer_at_ = offset + size;
    } else {
        buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    size_ = std::max(size_, offset + size);
    return true;
}

Status CheckedFile::Close() {
    if (fd_ < 0) return Error{failure_.empty() ? std::string("the file is not open") : failure_};
    Flush();
    // Some file systems (NFS among them) report a write's failure only here.
    if (::close(fd_) != 0 && errno != EINTR) Fail(std::strerror(errno));
    fd_ = -1;
    if (!failure_.empty()) return Error{failure_};
    return Success();
}

}  // namespace runner
