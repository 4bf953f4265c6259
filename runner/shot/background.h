// A frame laid over a solid colour, for formats without alpha (or a flat
// picture wanted anyway): straight colour c with alpha a over the
// background b gives c·a + b·(1 − a), opaque.
#ifndef FOLVEK_RUNNER_SHOT_BACKGROUND_H
#define FOLVEK_RUNNER_SHOT_BACKGROUND_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"
#include "runner/core/world.h"
#include "runner/shot/colour.h"

namespace runner {

struct Background {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// "#RRGGBB" (the # may be left out).
Result<Background> ParseBackground(const std::string& text, const std::string& what);

// In place, at any depth. The colour is sRGB-encoded; over a render of
// scene-linear values (LINEAR) it is decoded first, so the mix is of light.
void LayOver(const Background& background, RenderValues values, World* image);

}  // namespace runner

#endif
