// Evaluation of mask path segments for the tests: the cubic Bezier between
// two vertices written out from its definition.
#ifndef FOLVEK_TESTS_CLI_CURVE_EVAL_H
#define FOLVEK_TESTS_CLI_CURVE_EVAL_H

#include <vector>

#include "runner/core/mask_path.h"

namespace cli_test {

struct Xy {
    double x, y;
};

inline size_t SegmentsOf(const runner::MaskPath& p) {
    if (p.vertices.empty()) return 0;
    return p.closed ? p.vertices.size() : p.vertices.size() - 1;
}

inline Xy PointOnSegment(const runner::MaskPath& p, size_t segment, double t) {
    const runner::MaskVertex& a = p.vertices[segment];
    const runner::MaskVertex& b = p.vertices[(segment + 1) % p.vertices.size()];
    const double p0x = a.x, p0y = a.y;
    const double p1x = a.x + a.out_x, p1y = a.y + a.out_y;
    const double p2x = b.x + b.in_x, p2y = b.y + b.in_y;
    const double p3x = b.x, p3y = b.y;
    const double u = 1.0 - t;
    return {u * u * u * p0x + 3 * u * u * t * p1x + 3 * u * t * t * p2x + t * t * t * p3x,
            u * u * u * p0y + 3 * u * u * t * p1y + 3 * u * t * t * p2y + t * t * t * p3y};
}

// `per_segment` + 1 points of every segment, in order.
inline std::vector<Xy> Samples(const runner::MaskPath& p, int per_segment) {
    std::vector<Xy> out;
    for (size_t s = 0; s < SegmentsOf(p); ++s) {
        for (int i = 0; i <= per_segment; ++i) out.push_back(PointOnSegment(p, s, static_cast<double>(i) / per_segment));
    }
    return out;
}

}  // namespace cli_test

#endif
