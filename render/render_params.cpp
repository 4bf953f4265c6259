#include "render/render_params.h"

int32_t ScalePixelSize(int32_t value, double downsample) {
    if (value <= 0) return value;
    const double scaled = static_cast<double>(value) * downsample;
    // A nonsensical factor (NaN, or one whose product leaves the integer
    // range) must not reach the conversion; the size is kept as it is.
    if (!(scaled > -2147483648.0 && scaled < 2147483648.0)) return value;
    const int32_t result = static_cast<int32_t>(scaled);
    return result == 0 ? 1 : result;
}

double PercentToFraction(PF_Fixed value) {
    return static_cast<double>(value) / 65536.0 * 0.01;
}

double DownsampleFactor(PF_RationalScale scale) {
    return static_cast<double>(scale.num) / static_cast<double>(scale.den);
}
