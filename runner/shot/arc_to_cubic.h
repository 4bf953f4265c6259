// Elliptical arcs in the endpoint form of SVG path data, turned into cubic
// Bezier pieces that stay within a small distance of the true arc.
#ifndef FOLVEK_RUNNER_SHOT_ARC_TO_CUBIC_H
#define FOLVEK_RUNNER_SHOT_ARC_TO_CUBIC_H

#include <vector>

namespace runner {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// One cubic piece; its start is the end of the piece before it (or the arc's
// start point for the first).
struct CubicPiece {
    Point c1, c2, end;
};

// Largest distance, in pixels, between a piece and the arc it stands for.
constexpr double ARC_TOLERANCE = 0.01;

// The arc from `from` to `to` with radii rx, ry, the ellipse's x axis rotated
// by x_rotation_degrees, and the two SVG flags. Follows the SVG rules for
// out-of-range parameters: zero radii give a straight line, radii too small
// to reach are scaled up, equal end points give nothing.
std::vector<CubicPiece> ArcToCubics(Point from, double rx, double ry, double x_rotation_degrees,
                                    bool large_arc, bool sweep, Point to);

}  // namespace runner

#endif
