// A run's hold on its output, so that two runs never write the same files:
// a video or an image file whole, or frames A to B of a frame pattern (the
// chunks of a farm render into one pattern side by side). The hold is an
// open-file-description lock (fcntl F_OFD_SETLK) on a hidden file beside
// the output, ".NAME.lock", one byte per frame far past the file's text, so
// the kernel releases it when the run ends in any way, kill -9 included.
// Each run appends one line naming itself (pid, host, start, command) for
// the message that refuses a second run; the last run to let go removes
// the file.
#ifndef FOLVEK_RUNNER_MEDIA_OUTPUT_LOCK_H
#define FOLVEK_RUNNER_MEDIA_OUTPUT_LOCK_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner {

// The lock file of `output` (a file, or a pattern such as out/f_%04d.png):
// ".NAME.lock" in its folder.
std::string LockFileOf(const std::string& output);

class OutputLock {
public:
    OutputLock() = default;  // holds nothing
    ~OutputLock() { Release(); }
    OutputLock(OutputLock&& other) noexcept;
    OutputLock& operator=(OutputLock&& other) noexcept;
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

    // A whole file: first = last = 0. A pattern: its frames first..last.
    // Refused with a line naming the run that holds any of them. Where the
    // file system takes no locks the run goes ahead unlocked and Note()
    // says so.
    static Result<OutputLock> Take(const std::string& output, int32_t first, int32_t last,
                                   const std::string& command);
    void Release();
    // Why the output is not locked after all; empty when it is.
    const std::string& Note() const { return note_; }

private:
    int fd_ = -1;
    std::string path_;
    std::string note_;
};

}  // namespace runner

#endif
