// Box-filter reduction of a host world to 1/N of its size, for rendering at
// the host's reduced resolutions.
#ifndef FOLVEK_RUNNER_SHOT_DOWNSAMPLE_H
#define FOLVEK_RUNNER_SHOT_DOWNSAMPLE_H

#include <stdint.h>

#include "runner/core/error.h"
#include "runner/core/world.h"

namespace runner {

// The result is ceil(width / n) x ceil(height / n); each pixel averages the
// block of up to n x n source pixels it covers. Colour is averaged weighted
// by alpha (as premultiplied colour would be) so transparent pixels do not
// bleed into opaque ones; integer depths round to nearest. n = 1 copies.
Result<World> BoxDownsample(const World& source, int32_t n);

}  // namespace runner

#endif
