// Row spans of a circle. Drawing and marking decide each pixel from its
// squared distance q = ex * ex + ey * ey to the exact centre (ex and ey in
// double, no fused multiply-add). Along one row q falls towards the centre
// and rises beyond it, because rounding is monotonic, so the columns whose q
// passes a threshold form one run around the centre. These helpers find
// such runs exactly, evaluating q only near their ends, so that the pixels
// inside and outside need no test of their own.
#ifndef FOLVEK_CIRCLE_ROWS_H
#define FOLVEK_CIRCLE_ROWS_H

#include <cmath>
#include <stdint.h>

// Centres, radii and thicknesses up to these keep every column, squared
// threshold and squared distance that the spans use exact in double; larger
// values (which no frame reaches) take the plain per-pixel scan instead.
constexpr double SPAN_CENTRE_LIMIT = 1099511627776.0;  // 2^40
constexpr int64_t SPAN_RADIUS_LIMIT = 16777216;        // 2^24

// Columns first..last; empty when first > last.
struct ColumnSpan {
    int64_t first;
    int64_t last;
};

// The squared distance of column x from the centre column cx, on a row
// whose squared offset from the centre is ey_squared: the same expression,
// evaluated the same way, as the per-pixel rules use.
inline double SquaredDistance(int64_t x, double cx, double ey_squared) {
    const double ex = static_cast<double>(x) - cx;
    return ex * ex + ey_squared;
}

// floor(sqrt(n)) for 0 <= n < 2^62.
inline int64_t IntegerSqrt(int64_t n) {
    if (n <= 0) return 0;
    int64_t s = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
    while (s > 0 && s * s > n) --s;
    while ((s + 1) * (s + 1) <= n) ++s;
    return s;
}

// floor and ceil for |v| < 2^62, as integers, without a library call.
inline int64_t FloorToInt(double v) {
    const int64_t t = static_cast<int64_t>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
}
inline int64_t CeilToInt(double v) {
    const int64_t t = static_cast<int64_t>(v);
    return static_cast<double>(t) < v ? t + 1 : t;
}

// The run of columns in lo..hi whose squared distance is below `threshold`
// (or at most `threshold` when `inclusive`). |cx| must stay below
// SPAN_CENTRE_LIMIT and lo..hi within 2^41 of it.
inline ColumnSpan ThresholdSpan(double cx, double ey_squared, double threshold, bool inclusive, int64_t lo,
                                int64_t hi) {
    const ColumnSpan none{lo, lo - 1};
    if (lo > hi) return none;
    auto passes = [&](int64_t x) {
        const double q = SquaredDistance(x, cx, ey_squared);
        return inclusive ? q <= threshold : q < threshold;
    };
    // Half width of the run as the real numbers have it: only a first guess,
    // corrected below by the exact test, so its rounding does not matter.
    const double rest = threshold - ey_squared;
    const double reach = rest > 0.0 ? std::sqrt(rest) : 0.0;
    // Columns up to `split` lie at or left of the centre (q does not rise
    // with x there), columns after it right of the centre (q does not fall).
    const int64_t split = FloorToInt(cx);
    auto clamp = [](int64_t v, int64_t a, int64_t b) { return v < a ? a : (v > b ? b : v); };

    bool left = false, right = false;
    int64_t first = 0, last = 0;
    const int64_t left_end = hi < split ? hi : split;
    if (lo <= left_end && passes(left_end)) {
        left = true;
        int64_t g = clamp(CeilToInt(cx - reach), lo, left_end);
        if (passes(g)) {
            while (g > lo && passes(g - 1)) --g;
        } else {
            while (!passes(g)) ++g;  // stops at left_end at the latest
        }
        first = g;
    }
    const int64_t right_start = lo > split + 1 ? lo : split + 1;
    if (right_start <= hi && passes(right_start)) {
        right = true;
        int64_t g = clamp(FloorToInt(cx + reach), right_start, hi);
        if (passes(g)) {
            while (g < hi && passes(g + 1)) ++g;
        } else {
            while (!passes(g)) --g;  // stops at right_start at the latest
        }
        last = g;
    }
    if (left && right) return ColumnSpan{first, last};
    if (left) return ColumnSpan{first, left_end};
    if (right) return ColumnSpan{right_start, last};
    return none;
}

#endif
