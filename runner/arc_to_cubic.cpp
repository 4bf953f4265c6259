#include "runner/arc_to_cubic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace runner {
namespace {

constexpr double PI = 3.14159265358979323846;

// A quarter-circle cubic with the usual 4/3 tan(theta/4) handles is off by
// about 2.73e-4 of the radius, and the error grows with the sixth power of
// the angle a piece spans. Aim at half the tolerance to leave room for
// rounding and for the stretch of an ellipse.
constexpr double QUARTER_ERROR_PER_RADIUS = 2.73e-4;
constexpr int32_t MAX_PIECES = 4096;

int32_t PieceCount(double sweep_angle, double radius) {
    const double abs_sweep = std::fabs(sweep_angle);
    const double quarter = PI / 2.0;
    int32_t count = static_cast<int32_t>(std::ceil(abs_sweep / quarter - 1e-9));
    // error(angle) = QUARTER_ERROR_PER_RADIUS * radius * (angle / quarter)^6
    const double target = ARC_TOLERANCE * 0.5;
    const double ratio = target / (QUARTER_ERROR_PER_RADIUS * std::max(radius, 1e-12));
    const double max_angle = quarter * std::pow(ratio, 1.0 / 6.0);
    if (max_angle < quarter) {
        count = std::max(count, static_cast<int32_t>(std::ceil(abs_sweep / max_angle)));
    }
    return std::clamp(count, int32_t{1}, MAX_PIECES);
}

}  // namespace

std::vector<CubicPiece> ArcToCubics(Point from, double rx, double ry, double x_rotation_degrees,
                                    bool large_arc, bool sweep, Point to) {
    std::vector<CubicPiece> pieces;
    if (from.x == to.x && from.y == to.y) {
        return pieces;
    }
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0.0 || ry == 0.0) {
        const double dx = to.x - from.x;
        const double dy = to.y - from.y;
        pieces.push_back({{from.x + dx / 3.0, from.y + dy / 3.0},
                          {from.x + 2.0 * dx / 3.0, from.y + 2.0 * dy / 3.0},
                          to});
        return pieces;
    }

    const double phi = std::fmod(x_rotation_degrees, 360.0) * PI / 180.0;
    const double cos_phi = std::cos(phi);
    const double sin_phi = std::sin(phi);

    // Endpoint to centre parameterisation (SVG 1.1, appendix F.6.5).
    const double hx = (from.x - to.x) / 2.0;
    const double hy = (from.y - to.y) / 2.0;
    const double x1 = cos_phi * hx + sin_phi * hy;
    const double y1 = -sin_phi * hx + cos_phi * hy;

    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1.0) {
        const double scale = std::sqrt(lambda);
        rx *= scale;
        ry *= scale;
    }
    const double rx2 = rx * rx;
    const double ry2 = ry * ry;
    double numerator = rx2 * ry2 - rx2 * y1 * y1 - ry2 * x1 * x1;
    const double denominator = rx2 * y1 * y1 + ry2 * x1 * x1;
    if (numerator < 0.0) {
        numerator = 0.0;  // radii were just scaled to reach: the centre is the midpoint
    }
    double factor = std::sqrt(numerator / denominator);
    if (large_arc == sweep) {
        factor = -factor;
    }
    const double cx1 = factor * rx * y1 / ry;
    const double cy1 = -factor * ry * x1 / rx;
    const double cx = cos_phi * cx1 - sin_phi * cy1 + (from.x + to.x) / 2.0;
    const double cy = sin_phi * cx1 + cos_phi * cy1 + (from.y + to.y) / 2.0;

    const double ux = (x1 - cx1) / rx;
    const double uy = (y1 - cy1) / ry;
    const double vx = (-x1 - cx1) / rx;
    const double vy = (-y1 - cy1) / ry;
    const double start_angle = std::atan2(uy, ux);
    double delta = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    if (!sweep && delta > 0.0) {
        delta -= 2.0 * PI;
    } else if (sweep && delta < 0.0) {
        delta += 2.0 * PI;
    }

    const int32_t count = PieceCount(delta, std::max(rx, ry));
    const double step = delta / count;
    const double handle = 4.0 / 3.0 * std::tan(step / 4.0);

    // A point and its derivative direction on the ellipse at angle a.
    auto on_ellipse = [&](double a) {
        const double ex = rx * std::cos(a);
        const double ey = ry * std::sin(a);
        return Point{cx + cos_phi * ex - sin_phi * ey, cy + sin_phi * ex + cos_phi * ey};
    };
    auto derivative = [&](double a) {
        const double ex = -rx * std::sin(a);
        const double ey = ry * std::cos(a);
        return Point{cos_phi * ex - sin_phi * ey, sin_phi * ex + cos_phi * ey};
    };

    pieces.reserve(static_cast<size_t>(count));
    Point start = from;
    for (int32_t i = 0; i < count; ++i) {
        const double a0 = start_angle + step * i;
        const double a1 = (i + 1 == count) ? start_angle + delta : a0 + step;
        const Point d0 = derivative(a0);
        const Point d1 = derivative(a1);
        const Point end = (i + 1 == count) ? to : on_ellipse(a1);
        pieces.push_back({{start.x + handle * d0.x, start.y + handle * d0.y},
                          {end.x - handle * d1.x, end.y - handle * d1.y},
                          end});
        start = end;
    }
    return pieces;
}

}  // namespace runner
