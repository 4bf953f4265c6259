// SVG lengths, viewBox and preserveAspectRatio: how an SVG document's user
// units come to be pixels.
#ifndef FOLVEK_RUNNER_SHOT_SVG_UNITS_H
#define FOLVEK_RUNNER_SHOT_SVG_UNITS_H

#include <string_view>
#include <vector>

#include "runner/shot/affine.h"
#include "runner/core/error.h"

namespace runner {

// A rectangle in some coordinate system: a viewBox, a viewport.
struct Box {
    double x = 0, y = 0, width = 0, height = 0;
};

// What a percentage is of: the viewport's width, its height, or its
// normalised diagonal sqrt((w^2 + h^2) / 2) (for radii).
enum class Axis { X, Y, DIAGONAL };

// A length such as "12", "12px", "3.5mm", "1in", "50%", in user units (CSS
// pixels: 96 to the inch); percentages of `viewport`. Errors name the text.
Result<double> ParseLength(std::string_view text, Axis axis, const Box& viewport);

// True when the text is a percentage ("100%").
bool IsPercentage(std::string_view text);

// Numbers separated by blanks and/or one comma (viewBox, points).
Result<std::vector<double>> ParseNumberList(std::string_view text);

// "min-x min-y width height"; width and height must be positive.
Result<Box> ParseViewBox(std::string_view text);

struct AspectRatio {
    bool none = false;    // stretch to fill, each axis on its own
    double align_x = 0.5;  // 0 min, 0.5 mid, 1 max
    double align_y = 0.5;
    bool slice = false;   // cover the viewport rather than fit inside it
};

// "[defer] <align> [meet | slice]"; empty text gives the default, xMidYMid meet.
Result<AspectRatio> ParseAspectRatio(std::string_view text);

// The transform that puts `box` onto `viewport` as preserveAspectRatio says.
Affine FitBox(const Box& box, const Box& viewport, const AspectRatio& aspect);

}  // namespace runner

#endif
