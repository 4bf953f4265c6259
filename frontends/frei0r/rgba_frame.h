// frei0r's RGBA8888 frames (bytes R, G, B, A, rows of width * 4 bytes, top
// row first) to and from the host's 8-bit worlds (PF_Pixel: alpha, red,
// green, blue). frei0r says nothing of premultiplication and the effect
// works in straight colour, so every byte keeps its value. The rows are
// converted by the shot part's RGBA functions.
#ifndef FOLVEK_FREI0R_RGBA_FRAME_H
#define FOLVEK_FREI0R_RGBA_FRAME_H

#include <stdint.h>

#include "runner/core/world.h"

namespace runner::frei0r {

// `world` must be an 8-bit world of the frame's size.
void RgbaToWorld(const uint32_t* frame, World* world);
void WorldToRgba(const World& world, uint32_t* frame);

}  // namespace runner::frei0r

#endif
