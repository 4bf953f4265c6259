// Host worlds (8-bit, 16-bit and float ARGB, any row padding) to and from
// rows of packed R, G, B, A samples: the layout of image files, of the
// video encoder's input and of frei0r frames. Every sample is converted by
// the formulas of image_samples.h, here and nowhere else; the row functions
// allocate nothing.
#ifndef FOLVEK_RUNNER_SHOT_RGBA_H
#define FOLVEK_RUNNER_SHOT_RGBA_H

#include <stdint.h>

#include "runner/core/world.h"
#include "runner/shot/image_samples.h"

namespace runner {

// A file's sample (8 or 16 bits at full range, or float in 0..1) as a host
// sample of 8 bits, 16 bits (0..32768) or float.
inline uint8_t FileTo8(uint8_t c) { return c; }
inline uint8_t FileTo8(uint16_t f) { return File16To8(f); }
inline uint8_t FileTo8(float v) { return UnitTo8(v); }
inline uint16_t FileTo16(uint8_t c) { return Up8To16(c); }
inline uint16_t FileTo16(uint16_t f) { return File16To16(f); }
inline uint16_t FileTo16(float v) { return UnitTo16(v); }
inline float FileToFloat(uint8_t c) { return Up8ToFloat(c); }
inline float FileToFloat(uint16_t f) { return File16ToFloat(f); }
inline float FileToFloat(float v) { return v; }

// R, G, B, A samples of a file as one host pixel.
template <typename S>
void StoreRgba(S r, S g, S b, S a, PF_Pixel* d) {
    *d = {FileTo8(a), FileTo8(r), FileTo8(g), FileTo8(b)};
}
template <typename S>
void StoreRgba(S r, S g, S b, S a, PF_Pixel16* d) {
    *d = {FileTo16(a), FileTo16(r), FileTo16(g), FileTo16(b)};
}
template <typename S>
void StoreRgba(S r, S g, S b, S a, PF_PixelFloat* d) {
    *d = {FileToFloat(a), FileToFloat(r), FileToFloat(g), FileToFloat(b)};
}

// A row of the world's width in packed samples of `bits` (16; anything
// else is 8) into row `y` of `world`, of any depth.
void RgbaRowIntoWorld(const void* rgba, int32_t bits, World* world, int32_t y);

// Row `y` of `world`, of any depth, as packed 8-bit samples: 16-bit v as
// round(v * 255 / 32768), float clamped to 0..1 (NaN as 0) times 255, rounded.
void WorldRowToRgba8(const World& world, int32_t y, uint8_t* rgba);

// Whole frames of such rows, top row first, rows packed one after another
// (a decoder's output, a frei0r frame, a canvas's pixels); `world` has the
// frame's size.
void RgbaIntoWorld(const void* rgba, int32_t bits, World* world);
void WorldToRgba8(const World& world, uint8_t* rgba);

// The same samples in the host's 8-bit pixels.
void WorldRowToArgb8(const World& world, int32_t y, PF_Pixel* out);

// Row `y` as packed 16-bit samples of full range: 8-bit c as c * 257,
// 16-bit v as round(v * 65535 / 32768), float clamped times 65535, rounded.
void WorldRowToRgba16(const World& world, int32_t y, uint16_t* rgba);

}  // namespace runner

#endif
