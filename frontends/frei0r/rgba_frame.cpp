#include "frei0r/rgba_frame.h"

#include <cstring>

namespace runner::frei0r {
namespace {

// R, G, B, A and A, R, G, B are the same four bytes turned by one place:
// one rotation of the 32-bit word, whose direction depends on byte order.
constexpr bool LITTLE_ENDIAN_HOST = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

inline uint32_t RgbaToArgb(uint32_t v) { return LITTLE_ENDIAN_HOST ? (v << 8) | (v >> 24) : (v >> 8) | (v << 24); }
inline uint32_t ArgbToRgba(uint32_t v) { return LITTLE_ENDIAN_HOST ? (v >> 8) | (v << 24) : (v << 8) | (v >> 24); }

}  // namespace

void RgbaToWorld(const uint32_t* frame, World* world) {
    static_assert(sizeof(PF_Pixel) == 4, "an 8-bit host pixel is four bytes");
    const size_t width = static_cast<size_t>(world->Width());
    for (int32_t y = 0; y < world->Height(); ++y) {
        uint8_t* row = world->Row(y);
        const uint32_t* src = frame + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            const uint32_t v = RgbaToArgb(src[x]);
            std::memcpy(row + x * 4, &v, 4);
        }
    }
}

void WorldToRgba(const World& world, uint32_t* frame) {
    const size_t width = static_cast<size_t>(world.Width());
    for (int32_t y = 0; y < world.Height(); ++y) {
        const uint8_t* row = world.Row(y);
        uint32_t* dst = frame + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, row + x * 4, 4);
            dst[x] = ArgbToRgba(v);
        }
    }
}

}  // namespace runner::frei0r
