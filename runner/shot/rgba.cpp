#include "runner/shot/rgba.h"

#include <cstring>

namespace runner {
namespace {

// R, G, B, A and A, R, G, B are the same four bytes turned by one place:
// one rotation of the 32-bit word, whose direction depends on byte order.
// Whole frames of 8-bit pixels (frei0r's, every frame) go this way.
constexpr bool LITTLE_ENDIAN_HOST = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

inline uint32_t RgbaToArgb(uint32_t v) { return LITTLE_ENDIAN_HOST ? (v << 8) | (v >> 24) : (v >> 8) | (v << 24); }
inline uint32_t ArgbToRgba(uint32_t v) { return LITTLE_ENDIAN_HOST ? (v >> 8) | (v << 24) : (v << 8) | (v >> 24); }

static_assert(sizeof(PF_Pixel) == 4, "an 8-bit host pixel is four bytes");

void RowFromRgba(const uint8_t* in, int32_t width, PF_Pixel* out) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
        uint32_t v;
        std::memcpy(&v, in + x * 4, 4);
        v = RgbaToArgb(v);
        std::memcpy(bytes + x * 4, &v, 4);
    }
}

template <typename S, typename P>
void RowFromRgba(const S* in, int32_t width, P* out) {
    for (int32_t x = 0; x < width; ++x, in += 4) StoreRgba(in[0], in[1], in[2], in[3], &out[x]);
}

// A host sample as an 8-bit or a full-range 16-bit one.
inline uint8_t HostTo8(uint8_t c) { return c; }
inline uint8_t HostTo8(uint16_t v) { return Host16To8(v); }
inline uint8_t HostTo8(float v) { return UnitTo8(v); }
inline uint16_t HostToFile16(uint8_t c) { return static_cast<uint16_t>(c * 257); }
inline uint16_t HostToFile16(uint16_t v) { return Host16ToFile16(v); }
inline uint16_t HostToFile16(float v) { return UnitToFile16(v); }

void RowToRgba8(const PF_Pixel* in, int32_t width, uint8_t* out) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(in);
    for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
        uint32_t v;
        std::memcpy(&v, bytes + x * 4, 4);
        v = ArgbToRgba(v);
        std::memcpy(out + x * 4, &v, 4);
    }
}

template <typename P>
void RowToRgba8(const P* in, int32_t width, uint8_t* out) {
    for (int32_t x = 0; x < width; ++x, out += 4) {
        out[0] = HostTo8(in[x].red);
        out[1] = HostTo8(in[x].green);
        out[2] = HostTo8(in[x].blue);
        out[3] = HostTo8(in[x].alpha);
    }
}

template <typename P>
void RowToArgb8(const P* in, int32_t width, PF_Pixel* out) {
    for (int32_t x = 0; x < width; ++x) {
        out[x] = {HostTo8(in[x].alpha), HostTo8(in[x].red), HostTo8(in[x].green), HostTo8(in[x].blue)};
    }
}

template <typename P>
void RowToRgba16(const P* in, int32_t width, uint16_t* out) {
    for (int32_t x = 0; x < width; ++x, out += 4) {
        out[0] = HostToFile16(in[x].red);
        out[1] = HostToFile16(in[x].green);
        out[2] = HostToFile16(in[x].blue);
        out[3] = HostToFile16(in[x].alpha);
    }
}

template <typename S>
void RowIntoWorld(const S* in, World* world, int32_t y) {
    uint8_t* row = world->Row(y);
    switch (world->Format()) {
    case PF_PixelFormat_ARGB32: return RowFromRgba(in, world->Width(), reinterpret_cast<PF_Pixel*>(row));
    case PF_PixelFormat_ARGB64: return RowFromRgba(in, world->Width(), reinterpret_cast<PF_Pixel16*>(row));
    default: return RowFromRgba(in, world->Width(), reinterpret_cast<PF_PixelFloat*>(row));
    }
}

// Calls `convert` with row `y` of `world` as pixels of its own type.
template <typename F>
void WithRow(const World& world, int32_t y, F convert) {
    const uint8_t* row = world.Row(y);
    switch (world.Format()) {
    case PF_PixelFormat_ARGB32: return convert(reinterpret_cast<const PF_Pixel*>(row));
    case PF_PixelFormat_ARGB64: return convert(reinterpret_cast<const PF_Pixel16*>(row));
    default: return convert(reinterpret_cast<const PF_PixelFloat*>(row));
    }
}

}  // namespace

void RgbaRowIntoWorld(const void* rgba, int32_t bits, World* world, int32_t y) {
    if (bits == 16) return RowIntoWorld(static_cast<const uint16_t*>(rgba), world, y);
    return RowIntoWorld(static_cast<const uint8_t*>(rgba), world, y);
}

void WorldRowToRgba8(const World& world, int32_t y, uint8_t* rgba) {
    WithRow(world, y, [&](const auto* p) { RowToRgba8(p, world.Width(), rgba); });
}

void RgbaIntoWorld(const void* rgba, int32_t bits, World* world) {
    const size_t row_bytes = static_cast<size_t>(world->Width()) * 4 * (bits == 16 ? 2 : 1);
    for (int32_t y = 0; y < world->Height(); ++y) {
        RgbaRowIntoWorld(static_cast<const uint8_t*>(rgba) + static_cast<size_t>(y) * row_bytes, bits, world, y);
    }
}

void WorldToRgba8(const World& world, uint8_t* rgba) {
    const size_t row_bytes = static_cast<size_t>(world.Width()) * 4;
    for (int32_t y = 0; y < world.Height(); ++y) WorldRowToRgba8(world, y, rgba + static_cast<size_t>(y) * row_bytes);
}

void WorldRowToArgb8(const World& world, int32_t y, PF_Pixel* out) {
    if (world.Format() == PF_PixelFormat_ARGB32) {
        std::memcpy(out, world.Row(y), static_cast<size_t>(world.Width()) * sizeof(PF_Pixel));
        return;
    }
    WithRow(world, y, [&](const auto* p) { RowToArgb8(p, world.Width(), out); });
}

void WorldRowToRgba16(const World& world, int32_t y, uint16_t* rgba) {
    WithRow(world, y, [&](const auto* p) { RowToRgba16(p, world.Width(), rgba); });
}

}  // namespace runner
