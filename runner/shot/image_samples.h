// One sample between a file's range and a host depth, by the formulas that
// image_io.h documents. Integer conversions are exact integer arithmetic
// (round half up, as floor(x + 0.5) of the exact quotient), so that hot
// loops over whole frames stay cheap. Internal to the image readers and
// writers and the video pipe.
#ifndef FOLVEK_RUNNER_SHOT_IMAGE_SAMPLES_H
#define FOLVEK_RUNNER_SHOT_IMAGE_SAMPLES_H

#include <stdint.h>

#include <cmath>

namespace runner {

// Rows converted at a time between file and world: a whole number of
// OpenEXR's 32-row blocks, and little enough to stay in cache.
constexpr int32_t BAND_ROWS = 32;

// round(n / d) for n >= 0, d > 0, halves up.
constexpr uint32_t RoundedQuotient(uint64_t n, uint64_t d) { return static_cast<uint32_t>((2 * n + d) / (2 * d)); }

// 8-bit file c: 16 bits round(c * 32768 / 255), float c / 255.
inline uint16_t Up8To16(uint8_t c) { return static_cast<uint16_t>(RoundedQuotient(uint64_t{c} * 32768u, 255u)); }
inline float Up8ToFloat(uint8_t c) { return static_cast<float>(c / 255.0); }

// 16-bit file f: 8 bits round(f * 255 / 65535), 16 bits round(f * 32768 / 65535), float f / 65535.
inline uint8_t File16To8(uint16_t f) { return static_cast<uint8_t>(RoundedQuotient(uint64_t{f} * 255u, 65535u)); }
inline uint16_t File16To16(uint16_t f) {
    return static_cast<uint16_t>(RoundedQuotient(uint64_t{f} * 32768u, 65535u));
}
inline float File16ToFloat(uint16_t f) { return static_cast<float>(f / 65535.0); }

// Host 16-bit v (0..32768, more clamped) as an 8-bit sample: round(v * 255 / 32768).
inline uint8_t Host16To8(uint16_t v) {
    return v >= 32768 ? 255 : static_cast<uint8_t>(RoundedQuotient(uint64_t{v} * 255u, 32768u));
}

// Host 16-bit v (0..32768, more clamped) as a 16-bit file sample: round(v * 65535 / 32768).
inline uint16_t Host16ToFile16(uint16_t v) {
    return v >= 32768 ? 65535 : static_cast<uint16_t>(RoundedQuotient(uint64_t{v} * 65535u, 32768u));
}

// A value in 0..1 (clamped; NaN as 0) scaled to `limit` and rounded.
inline double Clamp01(double v) {
    if (!(v > 0.0)) return 0.0;
    return v > 1.0 ? 1.0 : v;
}
inline uint8_t UnitTo8(double v) { return static_cast<uint8_t>(std::floor(Clamp01(v) * 255.0 + 0.5)); }
inline uint16_t UnitTo16(double v) { return static_cast<uint16_t>(std::floor(Clamp01(v) * 32768.0 + 0.5)); }
inline uint16_t UnitToFile16(double v) { return static_cast<uint16_t>(std::floor(Clamp01(v) * 65535.0 + 0.5)); }

}  // namespace runner

#endif
