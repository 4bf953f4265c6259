// hypot and pow from exactly rounded operations only, so that both of our
// platforms give the same bits. Compiled without FMA contraction (see the
// project flags), which the exact-product trick below relies on.
#include "runner/core/portable_math.h"

#include <cmath>

namespace runner {

namespace {

// A value carried as hi + lo, hi the rounded value.
struct DoubleDouble {
    double hi;
    double lo;
};

DoubleDouble TwoSum(double a, double b) {
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}

// Veltkamp split: a = hi + lo with each half fitting 26 bits, so their
// products are exact.
void Split(double a, double* hi, double* lo) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    *hi = c - (c - a);
    *lo = a - *hi;
}

// a * b exactly, as hi + lo (Dekker).
DoubleDouble TwoProduct(double a, double b) {
    const double p = a * b;
    double ah, al, bh, bl;
    Split(a, &ah, &al);
    Split(b, &bh, &bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DoubleDouble Multiply(DoubleDouble a, DoubleDouble b) {
    DoubleDouble p = TwoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return TwoSum(p.hi, p.lo);
}

// Beyond this the split above could overflow.
constexpr double DOUBLE_DOUBLE_LIMIT = 0x1p900;
constexpr double LN2_HI = 6.93147180369123816490e-01;  // low bits zero: k * LN2_HI is exact
constexpr double LN2_LO = 1.90821492927058770002e-10;
constexpr double INV_LN2 = 1.44269504088896338700e+00;
constexpr double SQRT_HALF = 0.70710678118654752440;

bool IsInteger(double v) { return std::floor(v) == v; }
bool IsOddInteger(double v) { return IsInteger(v) && std::floor(v * 0.5) * 2.0 != v; }

// a * b in double-double while the split is safe; plain doubles near
// overflow, where the product goes to inf as it should.
DoubleDouble SafeMultiply(DoubleDouble a, DoubleDouble b) {
    const double plain = a.hi * b.hi;
    if (!(std::fabs(a.hi) < DOUBLE_DOUBLE_LIMIT) || !(std::fabs(b.hi) < DOUBLE_DOUBLE_LIMIT) ||
        !(std::fabs(plain) < DOUBLE_DOUBLE_LIMIT)) {
        return {plain, 0.0};
    }
    return Multiply(a, b);
}

// |base|^n for a positive integer n: repeated squaring carried in double-
// double so the result is within one rounding of the true power.
double IntegerPower(double base, double n) {
    DoubleDouble result{1.0, 0.0};
    DoubleDouble square{base, 0.0};
    while (n > 0.0) {
        const double half = std::floor(n * 0.5);
        if (n != half * 2.0) result = SafeMultiply(result, square);
        if (half > 0.0) square = SafeMultiply(square, square);
        n = half;
    }
    return result.hi + result.lo;
}

// Natural logarithm of a positive finite x, as hi + lo: the extra bits
// keep y * log(x) accurate when it is large.
DoubleDouble Log(double x) {
    int e = 0;
    double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
    if (m < SQRT_HALF) {
        m *= 2.0;
        --e;
    }
    // log m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172; s carried
    // with its rounding error.
    const double f = m - 1.0;  // exact
    const DoubleDouble d = TwoSum(2.0, f);
    const double s = f / d.hi;
    const DoubleDouble sd = TwoProduct(s, d.hi);
    const double s_lo = ((f - sd.hi) - sd.lo - s * d.lo) / d.hi;
    const double s2 = s * s;
    double series = 0.0;
    for (int k = 23; k >= 3; k -= 2) series = s2 * (1.0 / k + series);
    const double k = static_cast<double>(e);
    const DoubleDouble head = TwoSum(k * LN2_HI, 2.0 * s);
    return TwoSum(head.hi, head.lo + (k * LN2_LO + 2.0 * s_lo + 2.0 * s * series));
}

// e^(t.hi + t.lo).
double Exp(DoubleDouble t) {
    if (t.hi > 709.79) return HUGE_VAL;
    if (t.hi < -745.2) return 0.0;
    const double k = std::floor(t.hi * INV_LN2 + 0.5);
    const double r = ((t.hi - k * LN2_HI) - k * LN2_LO) + t.lo;  // |r| <= 0.35
    double p = 1.0;
    for (int i = 20; i >= 1; --i) p = 1.0 + p * r / i;
    return std::ldexp(p, static_cast<int>(k));
}

}  // namespace

double PortableHypot(double x, double y) {
    if (std::isinf(x) || std::isinf(y)) return HUGE_VAL;
    if (std::isnan(x) || std::isnan(y)) return NAN;
    double a = std::fabs(x);
    double b = std::fabs(y);
    if (a < b) {
        const double t = a;
        a = b;
        b = t;
    }
    if (a == 0.0) return 0.0;
    // Scale by a power of two (exact) so the squares neither overflow nor
    // underflow, take the square root, scale back.
    int e = 0;
    std::frexp(a, &e);
    const double as = std::ldexp(a, -e);
    const double bs = std::ldexp(b, -e);
    return std::ldexp(std::sqrt(as * as + bs * bs), e);
}

double PortablePow(double base, double exponent) {
    if (exponent == 0.0 || base == 1.0) return 1.0;
    if (std::isnan(base) || std::isnan(exponent)) return NAN;
    const bool odd = IsOddInteger(exponent);
    if (std::isinf(exponent)) {
        const double a = std::fabs(base);
        if (a == 1.0) return 1.0;
        return (a > 1.0) == (exponent > 0.0) ? HUGE_VAL : 0.0;
    }
    if (base == 0.0 || std::isinf(base)) {
        // The sign survives only for odd integer exponents.
        const bool big = (base == 0.0) == (exponent < 0.0);
        const double magnitude = big ? HUGE_VAL : 0.0;
        return (odd && std::signbit(base)) ? -magnitude : magnitude;
    }
    if (base < 0.0 && !IsInteger(exponent)) return NAN;

    const double a = std::fabs(base);
    double result;
    int e = 0;
    const double m = std::frexp(a, &e);
    if (m == 0.5 && IsInteger(exponent) && std::fabs(exponent) < 4096.0) {
        // A power of two to an integer power: exact (or exactly inf / 0).
        const double k = static_cast<double>(e - 1) * exponent;
        result = k > 2000.0 ? HUGE_VAL : k < -2200.0 ? 0.0 : std::ldexp(1.0, static_cast<int>(k));
    } else if (IsInteger(exponent) && std::fabs(exponent) <= 1024.0) {
        result = IntegerPower(a, std::fabs(exponent));
        if (exponent < 0.0) result = 1.0 / result;
    } else {
        const DoubleDouble log = Log(a);
        DoubleDouble t = TwoProduct(exponent, log.hi);
        t.lo += exponent * log.lo;
        result = std::fabs(t.hi) < DOUBLE_DOUBLE_LIMIT ? Exp(t) : Exp(DoubleDouble{exponent * log.hi, 0.0});
    }
    return (base < 0.0 && odd) ? -result : result;
}

}  // namespace runner
