// The page's pictures between the browser's RGBA bytes (straight alpha, as
// decoded without premultiplication) and the host's 8-bit ARGB worlds.
#ifndef FOLVEK_WEB_PICTURE_H
#define FOLVEK_WEB_PICTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/world.h"

namespace runner::web {

// What the command line takes (width * height * 4 within 32 bits), and
// what the module's memory can hold: a picture, its layer and a frame.
Status CheckPictureSize(int64_t width, int64_t height, const std::string& name);

Result<World> WorldFromRgba(int32_t width, int32_t height, const uint8_t* rgba, const std::string& name);

// An 8-bit world's pixels as RGBA rows without padding, into `out` (reused).
void RgbaFromWorld(const World& world, std::vector<uint8_t>* out);

}  // namespace runner::web

#endif
