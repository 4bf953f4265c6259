#include "runner/cli/png_probe.h"

#include <cstdio>
#include <cstring>
#include <functional>

namespace runner::cli {
namespace {

constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint64_t CHUNK_OVERHEAD = 12;  // length, type, CRC

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Walks the chunk headers of a file of `size` bytes; `read8` gives the 8
// bytes at an offset (false when they cannot be read).
Status WalkChunks(uint64_t size, const std::function<bool(uint64_t, uint8_t*)>& read8, const std::string& what) {
    uint8_t head[8] = {};
    if (size < sizeof SIGNATURE || !read8(0, head) || std::memcmp(head, SIGNATURE, sizeof SIGNATURE) != 0) {
        return Success();  // not a PNG: left to the readers
    }
    uint64_t at = sizeof SIGNATURE;
    while (size - at >= CHUNK_OVERHEAD) {
        if (!read8(at, head)) return Success();
        const uint32_t length = Be32(head);
        // A length with the top bit set is invalid in PNG; one longer than
        // what follows cannot be there.
        if (length > 0x7FFFFFFFu || length > size - at - CHUNK_OVERHEAD) {
            return Error{what + ": damaged PNG file (a chunk claims " + std::to_string(length) +
                         " bytes, more than the file holds)"};
        }
        at += CHUNK_OVERHEAD + length;
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
    }
    return Success();
}

}  // namespace

Status CheckPngChunks(const uint8_t* bytes, size_t size, const std::string& what) {
    return WalkChunks(size, [&](uint64_t at, uint8_t* out) {
        if (size - at < 8) return false;
        std::memcpy(out, bytes + at, 8);
        return true;
    }, what);
}

Status CheckPngFile(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) return Success();  // the reader says why it cannot open it
    Status status = Success();
    if (fseeko(f, 0, SEEK_END) == 0) {
        const off_t end = ftello(f);
        if (end > 0) {
            status = WalkChunks(static_cast<uint64_t>(end), [&](uint64_t at, uint8_t* out) {
                return fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(out, 1, 8, f) == 8;
            }, file);
        }
    }
    std::fclose(f);
    return status;
}

}  // namespace runner::cli
