// A file written with every write, the flush and the close checked. Image
// libraries do not all look at what their writes return (OpenImageIO's PNG
// writer reports success on a full disk), so their bytes come through here:
// the first failure is kept with its cause ("No space left on device"),
// every later write is refused, and Close() reports it.
#ifndef FOLVEK_RUNNER_MEDIA_CHECKED_FILE_H
#define FOLVEK_RUNNER_MEDIA_CHECKED_FILE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

class CheckedFile {
public:
    CheckedFile() = default;
    ~CheckedFile();  // closes a file that was not closed, unchecked
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    // Creates `file`, or empties it.
    Status Open(const std::string& file);
    // At the current position, which moves on; false once anything failed.
    bool Write(const void* data, size_t size);
    // At `offset`; the current position stays.
    bool WriteAt(const void* data, size_t size, uint64_t offset);
    void Seek(uint64_t offset) { position_ = offset; }
    uint64_t Tell() const { return position_; }
    uint64_t Size() const { return size_; }
    // Everything written reaches the file and the file is closed; the first
    // failure of any write, the flush or the close, with its cause.
    Status Close();
    // The cause of the first failure; empty while none happened.
    const std::string& Failure() const { return failure_; }

private:
    bool Flush();
    bool WriteThrough(const uint8_t* data, size_t size, uint64_t offset);
    bool Fail(const std::string& why);

    int fd_ = -1;
    std::vector<uint8_t> buffer_;  // bytes for the file from buffer_at_ on
    uint64_t buffer_at_ = 0;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
    std::string failure_;
};

}  // namespace runner

#endif
