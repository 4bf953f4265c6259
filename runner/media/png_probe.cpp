#include "runner/media/png_probe.h"

#include <cstdio>
#include <cstring>
#include <functional>

namespace runner {
namespace {

constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr uint64_t CHUNK_OVERHEAD = 12;  // length, type, CRC

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

constexpr uint64_t MAX_DEFLATE_RATIO = 1032;

// The filtered rows of a non-interlaced image (an interlaced one has more):
// height * (1 + ceil(width * channels * bit depth / 8)); 0 when unknown.
uint64_t RawImageBytes(uint32_t width, uint32_t height, const uint8_t* depth_and_type) {
    const uint64_t depth = depth_and_type[0];
    uint64_t channels = 0;
    switch (depth_and_type[1]) {
        case 0: channels = 1; break;  // grey
        case 2: channels = 3; break;  // RGB
        case 3: channels = 1; break;  // palette
        case 4: channels = 2; break;  // grey and alpha
        case 6: channels = 4; break;  // RGBA
        default: return 0;
    }
    if (depth == 0 || depth > 16) return 0;
    const uint64_t row_bytes = 1 + (uint64_t{width} * channels * depth + 7) / 8;  // below 2^36
    if (height != 0 && row_bytes > UINT64_MAX / height) return UINT64_MAX;
    return uint64_t{height} * row_bytes;
}

// Walks the chunk headers of a file of `size` bytes; `read8` gives the 8
// bytes at an offset (false when they cannot be read).
Status WalkChunks(uint64_t size, const std::function<bool(uint64_t, uint8_t*)>& read8, const std::string& what) {
    uint8_t head[8] = {};
    if (size < sizeof SIGNATURE || !read8(0, head) || std::memcmp(head, SIGNATURE, sizeof SIGNATURE) != 0) {
        return Success();  // not a PNG: left to the readers
    }
    uint64_t at = sizeof SIGNATURE;
    uint64_t image_data = 0;  // bytes of all IDAT chunks
    uint64_t raw_rows = 0;    // the least the image data must inflate to, from IHDR
    while (size - at >= CHUNK_OVERHEAD) {
        if (!read8(at, head)) return Success();
        const uint32_t length = Be32(head);
        // A length with the top bit set is invalid in PNG; one longer than
        // what follows cannot be there.
        if (length > 0x7FFFFFFFu || length > size - at - CHUNK_OVERHEAD) {
            return Error{what + ": damaged PNG file (a chunk claims " + std::to_string(length) +
                         " bytes, more than the file holds)"};
        }
        uint8_t ihdr[8] = {};
        if (std::memcmp(head + 4, "IHDR", 4) == 0 && length >= 13 && read8(at + 8, ihdr)) {
            uint8_t depth_and_type[8] = {};
            if (read8(at + 16, depth_and_type)) raw_rows = RawImageBytes(Be32(ihdr), Be32(ihdr + 4), depth_and_type);
        }
        if (std::memcmp(head + 4, "IDAT", 4) == 0) image_data += length;
        at += CHUNK_OVERHEAD + length;
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
    }
    // Deflate cannot compress by more than 1032 : 1, so a header that claims
    // far more pixels than the image data could ever inflate to is a lie
    // (and would have the reader allocate the claimed size).
    if (raw_rows > 0 && raw_rows / MAX_DEFLATE_RATIO > image_data + 64) {
        return Error{what + ": damaged PNG file (its header claims " + std::to_string(raw_rows) +
                     " bytes of image data, far more than its " + std::to_string(image_data) + " bytes can hold)"};
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

}  // namespace runner
