// Anti-aliased coverage of a pixel at distance d from a circle's exact
// centre, for a circle of radius r whose ring is t pixels thick. Placement
// asks only whether they are zero; drawing blends with them.
#ifndef FOLVEK_COVERAGE_H
#define FOLVEK_COVERAGE_H

#include <stdint.h>

inline double Clamp01(double c) { return c <= 0.0 ? 0.0 : (c >= 1.0 ? 1.0 : c); }

// The disc is solid out to r - t/2 and fades to nothing one pixel further.
inline double FillCoverage(double d, int32_t r, int32_t t) {
    const double inner = static_cast<double>(r) - static_cast<double>(t) * 0.5;
    if (inner >= d) return 1.0;
    return Clamp01(1.0 - (d - inner));
}

// The ring is solid from r - t to r and fades over one pixel on each side.
inline double EdgeCoverage(double d, int32_t r, int32_t t) {
    const double rd = static_cast<double>(r);
    const double td = static_cast<double>(t);
    if ((rd - td) - 1.0 >= d) return 0.0;
    const double e = (rd - td * 0.5) - d;
    const double c = 1.0 - ((e < 0.0 ? -e : e) - td * 0.5);
    return Clamp01(c);
}

#endif
