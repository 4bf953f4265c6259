// An image as the host hands it to an effect: `height` rows of `rowbytes`
// bytes, in one of the three host pixel formats, with any amount of padding
// at the end of each row. Padding bytes (and, for a fresh output, every
// byte) hold PADDING_CANARY so that tests can prove they were never written.
#ifndef FOLVEK_RUNNER_CORE_WORLD_H
#define FOLVEK_RUNNER_CORE_WORLD_H

#include <stddef.h>
#include <stdint.h>

#include <memory>

#include "host/host_api.h"
#include "runner/core/error.h"

namespace runner {

constexpr uint8_t PADDING_CANARY = 0xA5;

// Bytes per pixel of a host pixel format; 0 for anything else.
int32_t BytesPerPixel(PF_PixelFormat format);

// What host_reserved of a World's record points at.
struct WorldTag {
    uint32_t magic;
    PF_PixelFormat format;
};

class World {
public:
    World();  // an empty world (no pixels, format INVALID)
    ~World();
    World(World&&) noexcept;
    World& operator=(World&&) noexcept;
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Every byte of the buffer, image and padding, is set to `fill_byte`.
    // Fails on a bad format, a negative size or a buffer size that does not
    // fit in rowbytes (32-bit signed) or in memory.
    static Result<World> Create(PF_PixelFormat format, int32_t width, int32_t height,
                                  int32_t row_padding_bytes = 0,
                                  uint8_t fill_byte = PADDING_CANARY);

    World Clone() const;

    PF_PixelFormat Format() const { return tag_ ? tag_->format : PF_PixelFormat_INVALID; }
    int32_t Width() const { return def_.width; }
    int32_t Height() const { return def_.height; }
    int32_t RowBytes() const { return def_.rowbytes; }
    bool Empty() const { return size_ == 0; }

    // The record handed to the effect. Its host_reserved points at a tag
    // that lets the world suite tell the format; the tag survives moves.
    PF_EffectWorld* Def() { return &def_; }
    const PF_EffectWorld* Def() const { return &def_; }

    // Inline, so that per-pixel loops over a world stay tight.
    uint8_t* Row(int32_t y) { return bytes_ + static_cast<size_t>(y) * static_cast<size_t>(def_.rowbytes); }
    const uint8_t* Row(int32_t y) const {
        return bytes_ + static_cast<size_t>(y) * static_cast<size_t>(def_.rowbytes);
    }

    // Typed pixel access; the caller picks the type of Format().
    PF_Pixel& Pixel8(int32_t x, int32_t y) { return reinterpret_cast<PF_Pixel*>(Row(y))[x]; }
    PF_Pixel16& Pixel16(int32_t x, int32_t y) { return reinterpret_cast<PF_Pixel16*>(Row(y))[x]; }
    PF_PixelFloat& PixelFloat(int32_t x, int32_t y) { return reinterpret_cast<PF_PixelFloat*>(Row(y))[x]; }
    const PF_Pixel& Pixel8(int32_t x, int32_t y) const { return reinterpret_cast<const PF_Pixel*>(Row(y))[x]; }
    const PF_Pixel16& Pixel16(int32_t x, int32_t y) const {
        return reinterpret_cast<const PF_Pixel16*>(Row(y))[x];
    }
    const PF_PixelFloat& PixelFloat(int32_t x, int32_t y) const {
        return reinterpret_cast<const PF_PixelFloat*>(Row(y))[x];
    }

    // Every byte after the image in every row still holds PADDING_CANARY.
    bool PaddingIntact() const;
    // Every byte of the image area (not the padding) equals `byte`.
    bool ImageBytesAll(uint8_t byte) const;
    // Same format and size and identical image bytes (padding ignored).
    bool SameImage(const World& other) const;

private:
    void Release();

    // Frame-sized buffers come from AllocateLarge (huge pages where the
    // system allows), smaller ones from malloc.
    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    std::unique_ptr<WorldTag> tag_;
    PF_EffectWorld def_{};
};

// A render depth in bits per channel, as users name it.
constexpr int32_t DEPTH_BITS_8 = 8;
constexpr int32_t DEPTH_BITS_16 = 16;
constexpr int32_t DEPTH_BITS_FLOAT = 32;

// The host format for a depth in bits, or PF_PixelFormat_INVALID.
inline PF_PixelFormat FormatForBits(int32_t bits) {
    switch (bits) {
    case DEPTH_BITS_8: return PF_PixelFormat_ARGB32;
    case DEPTH_BITS_16: return PF_PixelFormat_ARGB64;
    case DEPTH_BITS_FLOAT: return PF_PixelFormat_ARGB128;
    default: return PF_PixelFormat_INVALID;
    }
}

// The depth in bits of a host format, or 0.
inline int32_t BitsOfFormat(PF_PixelFormat format) {
    switch (format) {
    case PF_PixelFormat_ARGB32: return DEPTH_BITS_8;
    case PF_PixelFormat_ARGB64: return DEPTH_BITS_16;
    case PF_PixelFormat_ARGB128: return DEPTH_BITS_FLOAT;
    default: return 0;
    }
}

// The format of a world made by World (through its tag); INVALID for a
// record without a tag. Only for records known to come from a World.
PF_PixelFormat FormatOfDef(const PF_EffectWorld* def);

// The whole of `src` into `dst`: same format and size required, row
// paddings may differ. Returns PF_Err_BAD_CALLBACK_PARAM otherwise.
PF_Err CopyWorld(const PF_EffectWorld* src, PF_EffectWorld* dst);

// The whole of `world` with `color` expanded to the world's depth
// (8 bits as is, 16 bits scaled to 0..32768, float to 0..1).
PF_Err FillWorld(const PF_Pixel& color, PF_EffectWorld* world);

}  // namespace runner

#endif
