#include "runner/core/mask_path.h"

#include <cmath>
#include <cstddef>

namespace runner {

namespace {

constexpr int32_t MIN_INTERVALS = 64;
constexpr int32_t MAX_INTERVALS = 1024;

// A control point closer to the chord than this (relative to the chord's
// length) counts as lying on it: the curve is then drawn as the chord.
constexpr double STRAIGHT_TOLERANCE = 1e-9;

// Below this speed (relative to the segment's size) the curve is taken to
// stand still, and its direction is read from the higher derivatives.
constexpr double STANDSTILL_TOLERANCE = 1e-12;

constexpr int32_t NEWTON_STEPS = 24;

// Eight-point Gauss-Legendre rule on [-1, 1]: nodes +-GAUSS_X[i], weights GAUSS_W[i].
constexpr double GAUSS_X[4] = {0.1834346424956498049394761, 0.5255324099163289858177390,
                               0.7966664774136267395915539, 0.9602898564975362316835609};
constexpr double GAUSS_W[4] = {0.3626837833783619829651504, 0.3137066458778872873379622,
                               0.2223810344533744705443560, 0.1012285362903762591525314};

struct Vec {
    double x, y;
};

double Abs(double v) { return v < 0.0 ? -v : v; }
double Max(double a, double b) { return a > b ? a : b; }

bool Usable(double v) { return v >= -MAX_PATH_COORDINATE && v <= MAX_PATH_COORDINATE; }

Vec Point(const SegmentPrep& p, int32_t i) { return Vec{p.px[i], p.py[i]}; }

// dB/du of the Bezier.
Vec FirstDerivative(const SegmentPrep& p, double u) {
    const double v = 1.0 - u;
    const double ax = p.px[1] - p.px[0], ay = p.py[1] - p.py[0];
    const double bx = p.px[2] - p.px[1], by = p.py[2] - p.py[1];
    const double cx = p.px[3] - p.px[2], cy = p.py[3] - p.py[2];
    const double wa = 3.0 * v * v, wb = 6.0 * v * u, wc = 3.0 * u * u;
    return Vec{wa * ax + wb * bx + wc * cx, wa * ay + wb * by + wc * cy};
}

Vec SecondDerivative(const SegmentPrep& p, double u) {
    const double v = 1.0 - u;
    const double ax = p.px[2] - 2.0 * p.px[1] + p.px[0], ay = p.py[2] - 2.0 * p.py[1] + p.py[0];
    const double bx = p.px[3] - 2.0 * p.px[2] + p.px[1], by = p.py[3] - 2.0 * p.py[2] + p.py[1];
    return Vec{6.0 * (v * ax + u * bx), 6.0 * (v * ay + u * by)};
}

Vec ThirdDerivative(const SegmentPrep& p) {
    return Vec{6.0 * (p.px[3] - 3.0 * p.px[2] + 3.0 * p.px[1] - p.px[0]),
               6.0 * (p.py[3] - 3.0 * p.py[2] + 3.0 * p.py[1] - p.py[0])};
}

Vec Position(const SegmentPrep& p, double u) {
    const double v = 1.0 - u;
    const double w0 = v * v * v, w1 = 3.0 * v * v * u, w2 = 3.0 * v * u * u, w3 = u * u * u;
    return Vec{w0 * p.px[0] + w1 * p.px[1] + w2 * p.px[2] + w3 * p.px[3],
               w0 * p.py[0] + w1 * p.py[1] + w2 * p.py[2] + w3 * p.py[3]};
}

double Speed(const SegmentPrep& p, double u) {
    const Vec d = FirstDerivative(p, u);
    return std::sqrt(d.x * d.x + d.y * d.y);
}

// The eight speeds of the rule do not depend on one another: in a loop of
// their own the compiler computes them side by side in vector registers.
// They are then summed in the rule's order, so the sum is bit for bit that
// of adding each pair as it is evaluated.
double ArcLength(const SegmentPrep& p, double u0, double u1) {
    const double half = (u1 - u0) * 0.5;
    const double mid = (u0 + u1) * 0.5;
    double node[8];
    for (int32_t i = 0; i < 4; ++i) {
        const double off = half * GAUSS_X[i];
        node[2 * i] = mid - off;
        node[2 * i + 1] = mid + off;
    }
    double speed[8];
    for (int32_t k = 0; k < 8; ++k) speed[k] = Speed(p, node[k]);
    double sum = 0.0;
    for (int32_t i = 0; i < 4; ++i) sum += GAUSS_W[i] * (speed[2 * i] + speed[2 * i + 1]);
    return sum * half;
}

// The largest distance between control points along either axis: the
// segment's size, against which "nearly zero" is judged.
double Extent(const SegmentPrep& p) {
    double lo_x = p.px[0], hi_x = p.px[0], lo_y = p.py[0], hi_y = p.py[0];
    for (int32_t i = 1; i < 4; ++i) {
        lo_x = p.px[i] < lo_x ? p.px[i] : lo_x;
        hi_x = p.px[i] > hi_x ? p.px[i] : hi_x;
        lo_y = p.py[i] < lo_y ? p.py[i] : lo_y;
        hi_y = p.py[i] > hi_y ? p.py[i] : hi_y;
    }
    return Max(hi_x - lo_x, hi_y - lo_y);
}

// Unit vector along v, scaled first so that tiny components do not
// underflow when squared. False when v is (0, 0).
bool Normalise(Vec v, double* ux, double* uy) {
    const double m = Max(Abs(v.x), Abs(v.y));
    if (!(m > 0.0)) return false;
    const double sx = v.x / m, sy = v.y / m;
    const double n = std::sqrt(sx * sx + sy * sy);
    *ux = sx / n;
    *uy = sy / n;
    return true;
}

// The control point q lies on the chord from P0 to P3 (within tolerance),
// including its ends. With both inner control points so placed the curve
// runs monotonically along the chord.
bool OnChord(Vec p0, Vec chord, double chord_length, Vec q) {
    const double vx = q.x - p0.x, vy = q.y - p0.y;
    const double tol = STRAIGHT_TOLERANCE * (1.0 + chord_length);
    const double across = Abs(chord.x * vy - chord.y * vx) / chord_length;
    const double along = (chord.x * vx + chord.y * vy) / chord_length;
    return across <= tol && along >= -tol && along <= chord_length + tol;
}

int32_t Classify(const SegmentPrep& p) {
    for (int32_t i = 0; i < 4; ++i) {
        if (!Usable(p.px[i]) || !Usable(p.py[i])) return SEGMENT_UNUSABLE;
    }
    const Vec p0 = Point(p, 0);
    const Vec chord{p.px[3] - p.px[0], p.py[3] - p.py[0]};
    const double chord_length = std::sqrt(chord.x * chord.x + chord.y * chord.y);
    if (chord_length == 0.0) {
        const bool still = p.px[1] == p.px[0] && p.py[1] == p.py[0] && p.px[2] == p.px[0] &&
                           p.py[2] == p.py[0];
        return still ? SEGMENT_POINT : SEGMENT_CURVE;
    }
    if (OnChord(p0, chord, chord_length, Point(p, 1)) && OnChord(p0, chord, chord_length, Point(p, 2))) {
        return SEGMENT_LINE;
    }
    return SEGMENT_CURVE;
}

// One evaluation by arc length in progress: s lies within the table's
// interval from u0, where the arc length is `target` less than s; u is the
// current guess, bracketed by lo and hi.
struct NewtonState {
    double u0, target, lo, hi, u;
};

// For 0 < s < length: the table brackets the interval, and the first guess
// interpolates the table linearly.
NewtonState StartNewton(const SegmentPrep& p, double s) {
    const std::vector<double>& cum = p.cumulative;
    const size_t intervals = cum.size() - 1;
    // The last interval starting at or before s: found from where it would
    // be if the curve ran at even speed (the table only ever grows, so the
    // interval is the same as any search of it finds).
    const double guess = s / p.length * static_cast<double>(intervals);
    size_t lo_k = guess < static_cast<double>(intervals) ? static_cast<size_t>(guess) : intervals - 1;
    while (lo_k > 0 && cum[lo_k] > s) --lo_k;
    while (lo_k + 1 < intervals && cum[lo_k + 1] <= s) ++lo_k;
    const double h = 1.0 / static_cast<double>(intervals);
    const double u0 = static_cast<double>(lo_k) * h;
    const double u1 = lo_k + 1 == intervals ? 1.0 : static_cast<double>(lo_k + 1) * h;
    const double target = s - cum[lo_k];
    const double span = cum[lo_k + 1] - cum[lo_k];
    return NewtonState{u0, target, u0, u1, span > 0.0 ? u0 + (target / span) * (u1 - u0) : u0};
}

// One step of Newton's method on the quadrature, given f, the arc length
// from u0 to u less the target; bisection whenever a step would leave the
// bracket. False when u is final.
bool NewtonStep(const SegmentPrep& p, double f, NewtonState* n) {
    if (f == 0.0) return false;
    if (f > 0.0) n->hi = n->u; else n->lo = n->u;
    const double speed = Speed(p, n->u);
    double next = speed > 0.0 ? n->u - f / speed : n->lo;
    // A Newton step too small to move u means u is as close as doubles
    // get; bisecting from there would only wander off and back.
    if (next == n->u) return false;
    if (!(next > n->lo && next < n->hi)) next = (n->lo + n->hi) * 0.5;
    if (next == n->u) return false;
    n->u = next;
    return true;
}

// The Bezier parameters at which the arc length from the start is s[i],
// for 0 < s[i] < length and count <= EVAL_BATCH. Each evaluation is a chain
// of dependent steps; stepping them side by side lets the processor
// overlap them, and each ends exactly where it would alone.
void ParametersAtLengths(const SegmentPrep& p, const double* s, int32_t count, double* u) {
    NewtonState state[EVAL_BATCH];
    bool active[EVAL_BATCH];
    double f[EVAL_BATCH];
    for (int32_t i = 0; i < count; ++i) {
        state[i] = StartNewton(p, s[i]);
        active[i] = true;
    }
    bool any = count > 0;
    for (int32_t step = 0; any && step < NEWTON_STEPS; ++step) {
        for (int32_t i = 0; i < count; ++i) {
            if (active[i]) f[i] = ArcLength(p, state[i].u0, state[i].u) - state[i].target;
        }
        any = false;
        for (int32_t i = 0; i < count; ++i) {
            if (active[i]) active[i] = NewtonStep(p, f[i], &state[i]);
            any = any || active[i];
        }
    }
    for (int32_t i = 0; i < count; ++i) u[i] = state[i].u;
}

// The direction of travel at u where the speed is (nearly) zero: the first
// derivative that does not vanish, with the sign it has just after u (just
// before it at the segment's end).
void StandstillDirection(const SegmentPrep& p, double u, double* dx, double* dy) {
    const double sign = u >= 1.0 ? -1.0 : 1.0;
    const Vec d2 = SecondDerivative(p, u);
    const double tiny = STANDSTILL_TOLERANCE * Extent(p);
    if (Max(Abs(d2.x), Abs(d2.y)) > tiny && Normalise(Vec{sign * d2.x, sign * d2.y}, dx, dy)) return;
    if (Normalise(ThirdDerivative(p), dx, dy)) return;
    if (Normalise(Vec{p.px[3] - p.px[0], p.py[3] - p.py[0]}, dx, dy)) return;
    *dx = 0.0;
    *dy = 0.0;
}

// s kept within 0..length, NaN taken as 0.
double ClampToLength(double s, double length) { return !(s > 0.0) ? 0.0 : (s > length ? length : s); }

// The point of a curve at parameter u and its unit tangent (the limit
// direction where the curve stands still).
void CurvePoint(const SegmentPrep& prep, double u, PathPoint* out) {
    const Vec pos = u <= 0.0 ? Point(prep, 0) : (u >= 1.0 ? Point(prep, 3) : Position(prep, u));
    out->x = pos.x;
    out->y = pos.y;
    const Vec d1 = FirstDerivative(prep, u);
    if (Max(Abs(d1.x), Abs(d1.y)) > STANDSTILL_TOLERANCE * Extent(prep) && Normalise(d1, &out->dx, &out->dy)) return;
    StandstillDirection(prep, u, &out->dx, &out->dy);
}

}  // namespace

int32_t SegmentCount(const MaskPath& path) {
    const size_t n = path.vertices.size();
    if (n == 0) return 0;
    const size_t count = path.closed ? n : n - 1;
    return count > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(count);
}

SegmentPrep SegmentControlPoints(const MaskPath& path, int32_t segment) {
    SegmentPrep prep;
    if (segment < 0 || segment >= SegmentCount(path)) return prep;
    const size_t i = static_cast<size_t>(segment);
    const size_t j = i + 1 == path.vertices.size() ? 0 : i + 1;
    const MaskVertex& a = path.vertices[i];
    const MaskVertex& b = path.vertices[j];
    prep.px[0] = a.x;
    prep.py[0] = a.y;
    prep.px[1] = a.x + a.out_x;
    prep.py[1] = a.y + a.out_y;
    prep.px[2] = b.x + b.in_x;
    prep.py[2] = b.y + b.in_y;
    prep.px[3] = b.x;
    prep.py[3] = b.y;
    prep.kind = Classify(prep);
    return prep;
}

SegmentPrep PrepareSegment(const MaskPath& path, int32_t segment, int32_t frequency) {
    return MeasureSegment(SegmentControlPoints(path, segment), frequency);
}

SegmentPrep MeasureSegment(SegmentPrep prep, int32_t frequency) {
    if (prep.kind == SEGMENT_UNUSABLE) {
        prep.length = NAN;
    } else if (prep.kind == SEGMENT_LINE) {
        const double cx = prep.px[3] - prep.px[0], cy = prep.py[3] - prep.py[0];
        prep.length = std::sqrt(cx * cx + cy * cy);
    } else if (prep.kind == SEGMENT_CURVE) {
        const int32_t intervals = frequency < MIN_INTERVALS ? MIN_INTERVALS
                                  : frequency > MAX_INTERVALS ? MAX_INTERVALS : frequency;
        const double h = 1.0 / static_cast<double>(intervals);
        prep.cumulative.resize(static_cast<size_t>(intervals) + 1);
        prep.cumulative[0] = 0.0;
        double total = 0.0;
        for (int32_t k = 0; k < intervals; ++k) {
            const double u0 = static_cast<double>(k) * h;
            const double u1 = k + 1 == intervals ? 1.0 : static_cast<double>(k + 1) * h;
            total += ArcLength(prep, u0, u1);
            prep.cumulative[static_cast<size_t>(k) + 1] = total;
        }
        prep.length = total;
    }
    return prep;
}

double SegmentLength(const SegmentPrep& prep) { return prep.length; }

void EvalAtLengths(const SegmentPrep& prep, const double* s, int32_t count, PathPoint* out) {
    if (prep.kind == SEGMENT_MISSING || prep.kind == SEGMENT_UNUSABLE || prep.kind == SEGMENT_POINT) {
        const bool point = prep.kind == SEGMENT_POINT;
        for (int32_t i = 0; i < count; ++i) {
            out[i] = point ? PathPoint{prep.px[0], prep.py[0], 0.0, 0.0} : PathPoint{NAN, NAN, NAN, NAN};
        }
        return;
    }
    const double length = prep.length;
    if (prep.kind == SEGMENT_LINE) {
        // Along the chord itself by its unit vector: an axis-aligned line
        // keeps its other coordinate exactly, has tangent components of
        // exactly 0 and +-1, and whole arc lengths from a whole-pixel start
        // land on whole pixels. The end is the end vertex itself.
        const double cx = prep.px[3] - prep.px[0], cy = prep.py[3] - prep.py[0];
        const double ux = cx / length, uy = cy / length;
        for (int32_t i = 0; i < count; ++i) {
            const double t = ClampToLength(s[i], length);
            out[i].x = t >= length ? prep.px[3] : prep.px[0] + t * ux;
            out[i].y = t >= length ? prep.py[3] : prep.py[0] + t * uy;
            out[i].dx = ux;
            out[i].dy = uy;
        }
        return;
    }
    for (int32_t first = 0; first < count; first += EVAL_BATCH) {
        const int32_t n = count - first < EVAL_BATCH ? count - first : EVAL_BATCH;
        // The ends are the end vertices; only lengths inside need Newton.
        double t[EVAL_BATCH] = {}, inside[EVAL_BATCH] = {}, u_inside[EVAL_BATCH] = {};
        int32_t inside_count = 0;
        for (int32_t i = 0; i < n; ++i) {
            t[i] = ClampToLength(s[first + i], length);
            if (t[i] > 0.0 && t[i] < length) inside[inside_count++] = t[i];
        }
        ParametersAtLengths(prep, inside, inside_count, u_inside);
        for (int32_t i = 0, k = 0; i < n; ++i) {
            const double u = t[i] <= 0.0 ? 0.0 : (t[i] >= length ? 1.0 : u_inside[k++]);
            CurvePoint(prep, u, &out[first + i]);
        }
    }
}

void EvalAtLength(const SegmentPrep& prep, double s, double* x, double* y, double* dx, double* dy) {
    PathPoint point;
    EvalAtLengths(prep, &s, 1, &point);
    *x = point.x;
    *y = point.y;
    *dx = point.dx;
    *dy = point.dy;
}

PathPoint PointOfWalk(const SegmentPrep& prep, double s, WalkAhead* ahead) {
    if (ahead->next < ahead->count && ahead->length[ahead->next] == s) return ahead->point[ahead->next++];
    // A walk starting, or going elsewhere than expected: s and the whole
    // steps after it up to the segment's end.
    const double length = SegmentLength(prep);
    int32_t count = 1;
    ahead->length[0] = s;
    for (double next = s + 1.0; count < EVAL_BATCH && next <= length; next += 1.0) ahead->length[count++] = next;
    EvalAtLengths(prep, ahead->length, count, ahead->point);
    ahead->count = count;
    ahead->next = 1;
    return ahead->point[0];
}

MaskPath Scaled(const MaskPath& path, double fx, double fy) {
    MaskPath out = path;
    for (MaskVertex& v : out.vertices) {
        v.x *= fx;
        v.y *= fy;
        v.in_x *= fx;
        v.in_y *= fy;
        v.out_x *= fx;
        v.out_y *= fy;
    }
    return out;
}

}  // namespace runner
