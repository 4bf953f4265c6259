// A mask path as the host keeps it: vertices with in and out tangents, open
// or closed, each segment a cubic Bezier. This is the host side of the path
// suites; the effect only ever sees it through those suites.
//
// Everything here uses only +, -, *, / and std::sqrt, so that lengths and
// points come out bit for bit the same on every platform we build for.
#ifndef FOLVEK_RUNNER_CORE_MASK_PATH_H
#define FOLVEK_RUNNER_CORE_MASK_PATH_H

#include <stdint.h>
#include <vector>

namespace runner {

struct MaskVertex {
    double x = 0.0, y = 0.0;          // the vertex, in layer pixels
    double in_x = 0.0, in_y = 0.0;    // in tangent, relative to the vertex
    double out_x = 0.0, out_y = 0.0;  // out tangent, relative to the vertex
};

// Segment i runs from vertex i to vertex i + 1 (to vertex 0 after the last
// one when the path is closed), with control points vertex i + its out
// tangent and vertex i + 1 + its in tangent.
struct MaskPath {
    std::vector<MaskVertex> vertices;
    bool closed = false;
};

// Coordinates beyond this (or not finite) make a segment unusable: its
// length is NaN and every point of it is NaN, so a caller that walks
// "while t <= length" walks nothing. Far beyond any layer, and small enough
// that no product of two coordinates overflows.
constexpr double MAX_PATH_COORDINATE = 1e12;

enum SegmentKind : int32_t {
    SEGMENT_MISSING = 0,   // no such segment in the path
    SEGMENT_UNUSABLE = 1,  // a control point is not finite or absurdly far out
    SEGMENT_POINT = 2,     // all four control points coincide: length 0
    SEGMENT_LINE = 3,      // the control points lie on the chord
    SEGMENT_CURVE = 4
};

// One segment made ready for evaluation by arc length: its control points
// and, for a curve, the arc length at equally spaced parameter values.
struct SegmentPrep {
    int32_t kind = SEGMENT_MISSING;
    double px[4] = {0.0, 0.0, 0.0, 0.0};
    double py[4] = {0.0, 0.0, 0.0, 0.0};
    double length = 0.0;
    std::vector<double> cumulative;  // cumulative[k]: length up to u = k / intervals
};

// Open paths have one segment fewer than vertices, closed paths as many:
// a closed path's last segment runs back to its first vertex, also when
// that is the same vertex (a closed path of one vertex is the loop its
// handles draw, or a point when they are zero). A path without vertices,
// or an open one of a single vertex, has no segment.
int32_t SegmentCount(const MaskPath& path);

// The segment's kind and control points, without its arc-length table.
SegmentPrep SegmentControlPoints(const MaskPath& path, int32_t segment);

// `frequency` is the caller's sampling hint: the number of parameter
// intervals the arc length table is built over, kept within 64..1024 so a
// small hint never costs accuracy and a large one never costs unbounded
// memory. A segment index outside the path gives kind SEGMENT_MISSING.
SegmentPrep PrepareSegment(const MaskPath& path, int32_t segment, int32_t frequency);
// The same from the segment's control points (SegmentControlPoints).
SegmentPrep MeasureSegment(SegmentPrep controls, int32_t frequency);

// The segment's arc length: 0 for a missing segment or a point, NaN for an
// unusable one.
double SegmentLength(const SegmentPrep& prep);

// The point at arc length s from the segment's start (s is kept within
// 0..length; NaN is taken as 0) and the unit tangent there, the derivative
// per unit of arc length. Where the curve momentarily stops (a zero
// tangent handle at an end, or a cusp) the tangent is its limit direction.
// A point segment has tangent (0, 0); an unusable or missing one gives NaN.
void EvalAtLength(const SegmentPrep& prep, double s, double* x, double* y, double* dx, double* dy);

// A point of a segment and its unit tangent there.
struct PathPoint {
    double x = 0.0, y = 0.0, dx = 0.0, dy = 0.0;
};

// How many evaluations by arc length EvalAtLengths runs side by side.
constexpr int32_t EVAL_BATCH = 8;

// The points at count arc lengths s[0 .. count - 1], each bit for bit what
// EvalAtLength gives for it, and sooner: an evaluation by arc length is a
// chain of dependent steps, and independent chains overlap in the
// processor.
void EvalAtLengths(const SegmentPrep& prep, const double* s, int32_t count, PathPoint* out);

// An effect walks a segment at t = 0, 1, 2, ...: the points of the next
// whole steps are evaluated together with the one asked for, and handed out
// while the walk asks for exactly those lengths.
struct WalkAhead {
    double length[EVAL_BATCH] = {};
    PathPoint point[EVAL_BATCH];
    int32_t count = 0;
    int32_t next = 0;
};

// What EvalAtLength gives at s, through `ahead` (kept with the segment's
// preparation, one per walk).
PathPoint PointOfWalk(const SegmentPrep& prep, double s, WalkAhead* ahead);

// The path with every x coordinate and tangent multiplied by `fx` and every
// y by `fy`, for rendering at reduced resolution.
MaskPath Scaled(const MaskPath& path, double fx, double fy);
inline MaskPath Scaled(const MaskPath& path, double factor) { return Scaled(path, factor, factor); }

}  // namespace runner

#endif
