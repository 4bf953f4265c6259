// SVG's basic shapes (rect, circle, ellipse, line, polyline, polygon) as
// the path data SVG defines as their equivalent.
#ifndef FOLVEK_RUNNER_SHOT_SVG_SHAPES_H
#define FOLVEK_RUNNER_SHOT_SVG_SHAPES_H

#include <string>
#include <string_view>

#include "runner/shot/svg_units.h"
#include "runner/core/error.h"

namespace tinyxml2 {
class XMLElement;
}

namespace runner {

// True for the element names ShapePathData converts.
bool IsBasicShape(std::string_view name);

// The shape's path data in its own user units, percentages taken of
// `viewport`; empty when the shape draws nothing (zero or negative width,
// height or radius, fewer than two points). Errors name the attribute.
Result<std::string> ShapePathData(const tinyxml2::XMLElement& shape, std::string_view name, const Box& viewport);

}  // namespace runner

#endif
