#include "runner/loader/private_copy.h"

// Windows refuses to open a loaded DLL for writing: it needs no copy.
#ifndef _WIN32

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace runner {

namespace {

std::string TemporaryDirectory() {
    const char* dir = getenv("TMPDIR");
    return dir != nullptr && dir[0] != '\0' ? dir : "/tmp";
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

Result<PrivateCopy> WritePrivateCopy(const std::vector<uint8_t>& bytes, const std::string& file_name) {
    std::string pattern = TemporaryDirectory() + "/ringstride-effect-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return Error{"cannot make a folder like " + pattern + ": " + strerror(errno)};
    }
    PrivateCopy copy{pattern, pattern + "/" + file_name};
    const int fd = open(copy.file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0500);
    bool written = fd >= 0 && WriteAll(fd, bytes);
    int error = errno;
    if (fd >= 0 && close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        RemovePrivateCopy(copy);
        return Error{"cannot write " + copy.file + ": " + strerror(error)};
    }
    return copy;
}

void RemovePrivateCopy(const PrivateCopy& copy) {
    if (!copy.file.empty()) unlink(copy.file.c_str());
    if (!copy.folder.empty()) rmdir(copy.folder.c_str());
}

}  // namespace runner

#endif
