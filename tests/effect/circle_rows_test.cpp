// The row spans that drawing and marking rely on: each must be exactly the
// set of columns that the per-column test passes, whatever the centre,
// threshold and clipping.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/circle_rows.h"

namespace {

// The columns of lo..hi that pass, by testing every one; their run must be
// contiguous (checked here too).
ColumnSpan BruteForce(double cx, double ey_squared, double threshold, bool inclusive, int64_t lo, int64_t hi,
                      bool* contiguous) {
    ColumnSpan span{lo, lo - 1};
    bool started = false, ended = false;
    *contiguous = true;
    for (int64_t x = lo; x <= hi; ++x) {
        const double q = SquaredDistance(x, cx, ey_squared);
        const bool pass = inclusive ? q <= threshold : q < threshold;
        if (pass) {
            if (ended) *contiguous = false;
            if (!started) span.first = x;
            started = true;
            span.last = x;
        } else if (started) {
            ended = true;
        }
    }
    return span;
}

bool Empty(const ColumnSpan& s) { return s.first > s.last; }

TEST(CircleRowsTest, IntegerSqrtIsTheFloorOfTheRoot) {
    const struct {
        int64_t n, root;
    } cases[] = {{0, 0},       {1, 1},        {2, 1},          {3, 1},           {4, 2},
                 {24, 4},      {25, 5},       {26, 5},         {1000000, 1000},  {999999, 999},
                 {-5, 0},      {(int64_t{1} << 52) - 1, (int64_t{1} << 26) - 1}, {int64_t{1} << 52, int64_t{1} << 26},
                 {(int64_t{1} << 60) + 12345, int64_t{1} << 30}};
    for (const auto& c : cases) EXPECT_EQ(IntegerSqrt(c.n), c.root) << c.n;
}

TEST(CircleRowsTest, FloorAndCeilAsIntegers) {
    const struct {
        double v;
        int64_t floor, ceil;
    } cases[] = {{0.0, 0, 0},   {-0.0, 0, 0},   {2.5, 2, 3},   {-2.5, -3, -2},       {7.0, 7, 7},
                 {-7.0, -7, -7}, {0.999, 0, 1}, {-0.001, -1, 0}, {1e12 + 0.5, 1000000000000, 1000000000001}};
    for (const auto& c : cases) {
        EXPECT_EQ(FloorToInt(c.v), c.floor) << c.v;
        EXPECT_EQ(CeilToInt(c.v), c.ceil) << c.v;
    }
}

// Hand-picked rows: centres on a column and half-way, thresholds that are
// exact squares hit by a column, rows that only graze the threshold, and
// clipping on either side of the centre.
TEST(CircleRowsTest, SpansOfChosenRows) {
    const struct {
        double cx, ey;
        double threshold;
        bool inclusive;
        int64_t lo, hi;
        int64_t first, last;  // first > last: empty
    } cases[] = {
        {10.0, 0.0, 9.0, false, 0, 100, 8, 12},   // |x - 10| < 3
        {10.0, 0.0, 9.0, true, 0, 100, 7, 13},    // |x - 10| <= 3
        {10.0, 3.0, 9.0, false, 0, 100, 1, 0},    // the row only touches the circle
        {10.0, 3.0, 9.0, true, 0, 100, 10, 10},   // ... which an inclusive test keeps
        {10.5, 0.0, 4.0, false, 0, 100, 9, 12},   // half-way centre: 8.5 and 12.5 are out
        {10.5, 0.0, 2.25, true, 0, 100, 9, 12},   // |x - 10.5| <= 1.5
        {10.0, 0.0, 9.0, true, 11, 100, 11, 13},  // clipped on the right of the centre
        {10.0, 0.0, 9.0, true, 0, 9, 7, 9},       // clipped on the left
        {10.0, 0.0, 9.0, true, 20, 30, 20, 19},   // clip window beside the run
        {10.0, 0.0, 9.0, true, 12, 11, 12, 11},   // empty window
        {-5.25, 1.0, 50.0, false, 0, 10, 0, 1},   // centre left of the image
        {3.0, 0.0, 0.0, true, 0, 10, 3, 3},       // threshold 0: the centre column alone
        {3.0, 0.0, 0.0, false, 0, 10, 0, -1},
    };
    for (const auto& c : cases) {
        const ColumnSpan s = ThresholdSpan(c.cx, c.ey * c.ey, c.threshold, c.inclusive, c.lo, c.hi);
        bool contiguous = false;
        const ColumnSpan b = BruteForce(c.cx, c.ey * c.ey, c.threshold, c.inclusive, c.lo, c.hi, &contiguous);
        SCOPED_TRACE(testing::Message() << "cx " << c.cx << " ey " << c.ey << " T " << c.threshold << " "
                                        << c.lo << ".." << c.hi);
        if (c.first > c.last) {
            EXPECT_TRUE(Empty(s));
        } else {
            EXPECT_EQ(s.first, c.first);
            EXPECT_EQ(s.last, c.last);
        }
        EXPECT_EQ(Empty(s), Empty(b));
        if (!Empty(b)) {
            EXPECT_EQ(s.first, b.first);
            EXPECT_EQ(s.last, b.last);
        }
    }
}

// Random rows against the column-by-column test, including thresholds a
// hair either side of a column's squared distance and large coordinates.
TEST(CircleRowsTest, SpansOfRandomRowsMatchTheColumnTest) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int32_t i = 0; i < 20000; ++i) {
        const double scale = i % 10 == 0 ? 1e6 : 200.0;
        const double cx = (unit(rng) - 0.3) * scale;
        const double radius = unit(rng) * (i % 7 == 0 ? 3.0 : 80.0);
        const double ey = (unit(rng) * 2.0 - 1.0) * (radius + 2.0);
        double threshold = std::floor(radius) * std::floor(radius);
        if (i % 3 == 1) threshold = (std::floor(radius) + 0.5) * (std::floor(radius) + 0.5);
        if (i % 5 == 2) {
            // Exactly the squared distance of some column, or the next double.
            const int64_t x = static_cast<int64_t>(std::floor(cx)) + static_cast<int64_t>(unit(rng) * radius);
            threshold = SquaredDistance(x, cx, ey * ey);
            if (i % 2 == 0) threshold = std::nextafter(threshold, 0.0);
        }
        const bool inclusive = (i & 1) != 0;
        const int64_t centre = static_cast<int64_t>(std::floor(cx));
        const int64_t lo = centre - static_cast<int64_t>(unit(rng) * 120.0);
        const int64_t hi = centre + static_cast<int64_t>(unit(rng) * 120.0) - 20;
        bool contiguous = false;
        const ColumnSpan b = BruteForce(cx, ey * ey, threshold, inclusive, lo, hi, &contiguous);
        ASSERT_TRUE(contiguous) << i;
        const ColumnSpan s = ThresholdSpan(cx, ey * ey, threshold, inclusive, lo, hi);
        ASSERT_EQ(Empty(s), Empty(b)) << i << ": cx " << cx << " ey " << ey << " T " << threshold;
        if (!Empty(b)) {
            ASSERT_EQ(s.first, b.first) << i << ": cx " << cx << " ey " << ey << " T " << threshold;
            ASSERT_EQ(s.last, b.last) << i << ": cx " << cx << " ey " << ey << " T " << threshold;
        }
    }
}

}  // namespace
