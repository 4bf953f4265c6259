#include "frei0r/rgba_frame.h"

#include "runner/shot/rgba.h"

namespace runner::frei0r {

void RgbaToWorld(const uint32_t* frame, World* world) {
    const size_t width = static_cast<size_t>(world->Width());
    for (int32_t y = 0; y < world->Height(); ++y) RgbaRowIntoWorld(frame + static_cast<size_t>(y) * width, 8, world, y);
}

void WorldToRgba(const World& world, uint32_t* frame) {
    const size_t width = static_cast<size_t>(world.Width());
    for (int32_t y = 0; y < world.Height(); ++y) {
        WorldRowToRgba8(world, y, reinterpret_cast<uint8_t*>(frame + static_cast<size_t>(y) * width));
    }
}

}  // namespace runner::frei0r
