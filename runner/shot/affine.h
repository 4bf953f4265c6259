// 2-D affine transforms as SVG writes them, and their parsing from a
// "transform" attribute.
#ifndef FOLVEK_RUNNER_SHOT_AFFINE_H
#define FOLVEK_RUNNER_SHOT_AFFINE_H

#include <string_view>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner {

// x' = a x + c y + e, y' = b x + d y + f (the SVG matrix(a b c d e f)).
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// first applied after second: (first * second)(p) = first(second(p)).
Affine Compose(const Affine& first, const Affine& second);

// Parses a transform list: matrix, translate, scale, rotate (with optional
// centre), skewX, skewY, separated by blanks or commas. Angles in degrees;
// numbers as SVG writes them (no "inf", "nan" or hexadecimal).
Result<Affine> ParseTransform(std::string_view text);

// Points move by the whole transform, tangents by its linear part, so each
// cubic segment maps exactly onto the transformed curve.
MaskPath Transformed(const MaskPath& path, const Affine& m);

}  // namespace runner

#endif
