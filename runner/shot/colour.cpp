#include "runner/shot/colour.h"

#include <cmath>
#include <vector>

#include "runner/core/world.h"

namespace runner {

RenderValues ValuesOfRender(int32_t file_bits, bool exr_file, int32_t bits) {
    if (bits != DEPTH_BITS_FLOAT || file_bits != DEPTH_BITS_FLOAT) return RenderValues::ENCODED;
    return exr_file ? RenderValues::LINEAR : RenderValues::AS_IS;
}

double SrgbToLinear(double encoded) {
    if (encoded <= 0.04045) return encoded / 12.92;
    return std::pow((encoded + 0.055) / 1.055, 2.4);
}

double LinearToSrgb(double linear) {
    if (linear <= 0.0031308) return linear * 12.92;
    return 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

namespace {

// SrgbToLinear(v / full_scale) for v = 0 .. last.
std::vector<double> LinearTable(size_t last, double full_scale) {
    std::vector<double> t(last + 1);
    for (size_t v = 0; v < t.size(); ++v) t[v] = SrgbToLinear(static_cast<double>(v) / full_scale);
    return t;
}

}  // namespace

const double* SrgbToLinearTable8() {
    static const std::vector<double> table = LinearTable(PF_MAX_CHAN8, 255.0);
    return table.data();
}

const double* SrgbToLinearTable16() {
    static const std::vector<double> table = LinearTable(PF_MAX_CHAN16, 32768.0);
    return table.data();
}

}  // namespace runner
