// Our hypot and pow against the C library: within a few ulps everywhere
// we test, exact where the effect depends on it (powers of two).
#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <random>

#include "runner/core/portable_math.h"

namespace {

// Distance in representable doubles (both finite, same sign assumed).
int64_t Ulps(double a, double b) {
    int64_t ia, ib;
    memcpy(&ia, &a, sizeof a);
    memcpy(&ib, &b, sizeof b);
    return ia > ib ? ia - ib : ib - ia;
}

bool SameBits(double a, double b) {
    if (isnan(a) || isnan(b)) return isnan(a) && isnan(b);
    return memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(PortableMath, PowersOfTwoAreExact) {
    for (int k = -1074; k <= 1023; ++k) {
        ASSERT_EQ(runner::PortablePow(2.0, k), ldexp(1.0, k)) << k;
    }
    EXPECT_EQ(runner::PortablePow(2.0, 1024), HUGE_VAL);
    EXPECT_EQ(runner::PortablePow(0.5, 3), 0.125);
    EXPECT_EQ(runner::PortablePow(-2.0, 3), -8.0);
    EXPECT_LE(Ulps(runner::PortablePow(2.0, 0.5), sqrt(2.0)), 1);
}

TEST(PortableMath, SmallIntegerExponentsAreWithinAnUlp) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> base(-20.0, 20.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = base(random);
        for (int n = 0; n <= 10; ++n) {
            const double ours = runner::PortablePow(x, n);
            ASSERT_LE(Ulps(ours, pow(x, n)), 1) << x << "^" << n;
        }
        // Exact results stay exact.
        const double whole = floor(x);
        ASSERT_EQ(runner::PortablePow(whole, 5), whole * whole * whole * whole * whole);
    }
}

TEST(PortableMath, OtherExponentsAreWithinTwoUlps) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> base(1e-3, 50.0);
    std::uniform_real_distribution<double> exponent(-60.0, 60.0);
    for (int i = 0; i < 50000; ++i) {
        const double x = base(random);
        const double y = exponent(random);
        ASSERT_LE(Ulps(runner::PortablePow(x, y), pow(x, y)), 2) << x << "^" << y;
    }
}

TEST(PortableMath, PowSpecialCasesMatchC) {
    const double inf = HUGE_VAL;
    const double cases[][2] = {
        {0.0, 0.0},   {NAN, 0.0},   {1.0, NAN},  {NAN, 2.0},   {2.0, NAN},   {0.0, 3.0},
        {-0.0, 3.0},  {-0.0, 2.0},  {0.0, -1.0}, {-0.0, -1.0}, {0.0, -2.0},  {inf, 2.0},
        {-inf, 3.0},  {-inf, -3.0}, {inf, -1.0}, {0.5, inf},   {2.0, inf},   {0.5, -inf},
        {-1.0, inf},  {-2.0, 0.5},  {-2.0, -3.0}, {10.0, 400.0}, {10.0, -400.0}, {1e-300, 2.0},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(SameBits(runner::PortablePow(c[0], c[1]), pow(c[0], c[1])))
            << c[0] << "^" << c[1] << ": " << runner::PortablePow(c[0], c[1]) << " vs "
            << pow(c[0], c[1]);
    }
}

TEST(PortableMath, HypotIsWithinAnUlpAcrossMagnitudes) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-1000, 1000);
    for (int i = 0; i < 100000; ++i) {
        const double x = ldexp(mantissa(random), exponent(random));
        const double y = i % 2 ? ldexp(mantissa(random), exponent(random)) : x * mantissa(random);
        ASSERT_LE(Ulps(runner::PortableHypot(x, y), hypot(x, y)), 1) << x << ", " << y;
    }
    EXPECT_EQ(runner::PortableHypot(3.0, 4.0), 5.0);
    EXPECT_EQ(runner::PortableHypot(-0.0, 0.0), 0.0);
    EXPECT_EQ(runner::PortableHypot(1e308, 1e308), hypot(1e308, 1e308));
    EXPECT_EQ(runner::PortableHypot(NAN, HUGE_VAL), HUGE_VAL);
    EXPECT_TRUE(isnan(runner::PortableHypot(NAN, 1.0)));
}
