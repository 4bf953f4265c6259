#include "runner/shot/arc_to_cubic.h"

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

// A piece count held to 1..MAX_PIECES before it becomes an integer: the
// counts a huge radius asks for do not fit one (NaN gives 1).
int32_t HeldCount(double pieces) {
    if (!(pieces > 1.0)) return 1;
    return pieces >= MAX_PIECES ? MAX_PIECES : static_cast<int32_t>(pieces);
}

int32_t PieceCount(double sweep_angle, double radius) {
    const double abs_sweep = std::fabs(sweep_angle);
    const double quarter = PI / 2.0;
    int32_t count = HeldCount(std::ceil(abs_sweep / quarter - 1e-9));
    // error(angle) = QUARTER_ERROR_PER_RADIUS * radius * (angle / quarter)^6
    const double target = ARC_TOLERANCE * 0.5;
    const double ratio = target / (QUARTER_ERROR_PER_RADIUS * std::max(radius, 1e-12));
    const double max_angle = quarter * std::pow(ratio, 1.0 / 6.0);
    if (max_angle < quarter) count = std::max(count, HeldCount(std::ceil(abs_sweep / max_angle)));
    return count;
}

std::vector<CubicPiece> StraightLine(Point from, Point to) {
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    return {{{from.x + dx / 3.0, from.y + dy / 3.0}, {from.x + 2.0 * dx / 3.0, from.y + 2.0 * dy / 3.0}, to}};
}

}  // namespace

// The arc is worked out on the unit circle the ellipse becomes once rotated
// back and divided by its radii, relative to the chord's midpoint rather than
// to the centre: a huge radius puts the centre far out, where its coordinates
// would swallow the arc's small offsets from the chord, while offsets from
// the midpoint keep their precision at any radius.
std::vector<CubicPiece> ArcToCubics(Point from, double rx, double ry, double x_rotation_degrees,
                                    bool large_arc, bool sweep, Point to) {
    if (from.x == to.x && from.y == to.y) {
        return {};
    }
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0.0 || ry == 0.0) {
        return StraightLine(from, to);
    }

    const double phi = std::fmod(x_rotation_degrees, 360.0) * PI / 180.0;
    const double cos_phi = std::cos(phi);
    const double sin_phi = std::sin(phi);

    // The start relative to the midpoint, in the ellipse's axes (SVG 1.1,
    // appendix F.6.5), and on the unit circle: the start is q, the end -q.
    const double hx = (from.x - to.x) / 2.0;
    const double hy = (from.y - to.y) / 2.0;
    const double x1 = cos_phi * hx + sin_phi * hy;
    const double y1 = -sin_phi * hx + cos_phi * hy;
    double qx = x1 / rx;
    double qy = y1 / ry;
    double half_chord = std::hypot(qx, qy);
    if (!(half_chord < 1.0)) {
        // Radii too small to reach are scaled up until the chord is a
        // diameter; written so that tiny radii do not overflow on the way.
        const double ratio = rx / ry;
        rx = std::hypot(x1, y1 * ratio);
        ry = std::hypot(x1 / ratio, y1);
        qx = x1 / rx;
        qy = y1 / ry;
        half_chord = 1.0;
    }
    if (half_chord == 0.0) {
        // Radii beyond 1e300 times the chord: no double tells the arc from it.
        return StraightLine(from, to);
    }

    // e: unit vector along the chord towards the start. w: the direction
    // from the centre through the midpoint, towards the apex of the smaller
    // arc; the centre lies on the side the flags pick.
    const double ex = qx / half_chord, ey = qy / half_chord;
    const double side = large_arc == sweep ? -1.0 : 1.0;
    const double wx = -side * ey, wy = side * ex;
    // Angles beta are measured at the centre from w towards e: the start is
    // at +alpha, the end at -alpha; the small arc passes beta = 0, the large
    // one beta = pi.
    const double alpha = std::asin(std::min(half_chord, 1.0));
    const double delta = large_arc ? 2.0 * PI - 2.0 * alpha : -2.0 * alpha;

    const double mid_x = (from.x + to.x) / 2.0;
    const double mid_y = (from.y + to.y) / 2.0;
    // Unit-circle offsets back to the plane: scale by the radii, rotate.
    auto to_plane = [&](double u, double v) {
        const double sx = rx * u, sy = ry * v;
        return Point{cos_phi * sx - sin_phi * sy, sin_phi * sx + cos_phi * sy};
    };
    // The point at beta, from the midpoint: (cos beta - cos alpha) w + sin beta e,
    // with the difference of cosines as a product that keeps its precision.
    auto at = [&](double beta) {
        const double along_w = -2.0 * std::sin((beta + alpha) / 2.0) * std::sin((beta - alpha) / 2.0);
        const double along_e = std::sin(beta);
        const Point p = to_plane(along_w * wx + along_e * ex, along_w * wy + along_e * ey);
        return Point{mid_x + p.x, mid_y + p.y};
    };
    auto derivative = [&](double beta) {
        const double along_w = -std::sin(beta);
        const double along_e = std::cos(beta);
        return to_plane(along_w * wx + along_e * ex, along_w * wy + along_e * ey);
    };

    const int32_t count = PieceCount(delta, std::max(rx, ry));
    const double step = delta / count;
    const double handle = 4.0 / 3.0 * std::tan(step / 4.0);

    std::vector<CubicPiece> pieces;
    pieces.reserve(static_cast<size_t>(count));
    Point start = from;
    for (int32_t i = 0; i < count; ++i) {
        const double b0 = alpha + step * i;
        const double b1 = (i + 1 == count) ? alpha + delta : b0 + step;
        const Point d0 = derivative(b0);
        const Point d1 = derivative(b1);
        const Point end = (i + 1 == count) ? to : at(b1);
        pieces.push_back({{start.x + handle * d0.x, start.y + handle * d0.y},
                          {end.x - handle * d1.x, end.y - handle * d1.y},
                          end});
        start = end;
    }
    return pieces;
}

}  // namespace runner
