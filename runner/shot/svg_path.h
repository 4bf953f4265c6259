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

// The end of the SVG number that starts at `pos` of `text` (sign, digits
// with an optional fraction, an exponent when digits follow its 'e'; no
// "inf", "nan" or hexadecimal, which strtod would take), or `pos` when no
// number starts there. An 'e' (and sign) with no digits after it is not
// part of the number; where those digits were due is then put in
// `*bare_exponent`, npos otherwise.
size_t SvgNumberEnd(std::string_view text, size_t pos, size_t* bare_exponent);

// Errors read "path data: at character N: ...", N counted from 1.
Result<std::vector<MaskPath>> ParsePathData(std::string_view data);

// Every point and handle finite and within the coordinate limit; `what`
// names the source in the message.
Status CheckMask(const MaskPath& path, const std::string& what);

}  // namespace runner

#endif
