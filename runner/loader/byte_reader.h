// Little-endian reads from a byte buffer that never go past its end: the
// file formats we read (PiPL, ELF) come from files we do not trust.
#ifndef FOLVEK_RUNNER_LOADER_BYTE_READER_H
#define FOLVEK_RUNNER_LOADER_BYTE_READER_H

#include <stddef.h>
#include <stdint.h>

namespace runner {

class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    size_t Size() const { return size_; }
    // True when [offset, offset + count) lies inside the buffer.
    bool Has(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // Each returns false (leaving *out alone) when the read would not fit.
    bool U8(uint64_t offset, uint8_t* out) const { return Read(offset, 1, out); }
    bool U16(uint64_t offset, uint16_t* out) const {
        uint64_t v = 0;
        if (!ReadLittle(offset, 2, &v)) return false;
        *out = static_cast<uint16_t>(v);
        return true;
    }
    bool U32(uint64_t offset, uint32_t* out) const {
        uint64_t v = 0;
        if (!ReadLittle(offset, 4, &v)) return false;
        *out = static_cast<uint32_t>(v);
        return true;
    }
    bool U64(uint64_t offset, uint64_t* out) const { return ReadLittle(offset, 8, out); }
    const uint8_t* At(uint64_t offset) const { return bytes_ + offset; }

private:
    bool Read(uint64_t offset, uint64_t count, uint8_t* out) const {
        if (!Has(offset, count)) return false;
        for (uint64_t i = 0; i < count; ++i) out[i] = bytes_[offset + i];
        return true;
    }
    bool ReadLittle(uint64_t offset, uint32_t count, uint64_t* out) const {
        if (!Has(offset, count)) return false;
        uint64_t v = 0;
        for (uint32_t i = count; i > 0; --i) v = (v << 8) | bytes_[offset + i - 1];
        *out = v;
        return true;
    }

    const uint8_t* bytes_;
    size_t size_;
};

}  // namespace runner

#endif
