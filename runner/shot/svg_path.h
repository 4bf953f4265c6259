// SVG path data ("d" attribute) turned into mask paths. Every command of the
// path grammar is understood, absolute and relative; straight pieces become
// cubics with handles at thirds, quadratics become the equal cubics, arcs
// become cubics close to the true arc. Each moveto starts a new subpath.
#ifndef FOLVEK_RUNNER_SHOT_SVG_PATH_H
#define FOLVEK_RUNNER_SHOT_SVG_PATH_H

#include <string>
#include <string_view>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner {

// Coordinates beyond this (in layer pixels) are refused as absurd.
constexpr double MAX_COORDINATE = 1e7;

// Errors read "path data: at character N: ...", N counted from 1.
Result<std::vector<MaskPath>> ParsePathData(std::string_view data);

// Every point and handle finite and within the coordinate limit; `what`
// names the source in the message.
Status CheckMask(const MaskPath& path, const std::string& what);

}  // namespace runner

#endif
