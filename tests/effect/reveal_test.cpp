#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/param_ids.h"
#include "pixel/reveal.h"

namespace {

double Floor(double x) { return std::floor(x); }

// One circle as the walk treats it, written compactly: "h" hidden, otherwise
// the working radius, "c" when contracting, "p<k>" when progress is reported
// with drawn count k, "end" when the walk stops there.
std::string Describe(const RevealStep& step, const RevealWalk& walk) {
    if (!step.draw) return "h";
    std::string s = std::to_string(step.radius);
    if (step.contracting) s += "c";
    if (step.report_progress) s += " p" + std::to_string(walk.drawn_count);
    if (step.ends_walk) s += " end";
    return s;
}

std::vector<std::string> Walk(int32_t mode, double time, const std::vector<int32_t>& radii) {
    int32_t sum = 0;
    for (int32_t r : radii) sum += r;
    const int32_t count = static_cast<int32_t>(radii.size());
    const int32_t budget = RevealBudget(mode, time, sum, count, Floor);
    RevealWalk walk = StartReveal(mode, time, budget, count);
    std::vector<std::string> steps;
    for (int32_t r : radii) {
        const RevealStep step = StepReveal(walk, r);
        steps.push_back(Describe(step, walk));
        if (step.ends_walk) break;
    }
    return steps;
}

using Steps = std::vector<std::string>;

// Three circles of radius 10, 20 and 30: S = 60, n = 3.
TEST(RevealTest, WalksOfTheThreeCircleChain) {
    const double just_below_one = std::nextafter(1.0, 0.0);
    const double just_above_half = std::nextafter(0.5, 1.0);
    const struct {
        int32_t mode;
        double time;
        Steps expected;
    } cases[] = {
        // growing: B = 30; the third circle is where it runs out
        {MODE_CONTINUOUS, 0.25, {"10 p1", "20 p2", "0 end"}},
        {MODE_DISCRETE_1, 0.25, {"10 p1", "20 p2", "30 end"}},
        {MODE_DISCRETE_2, 0.25, {"10 p1", "20 end"}},  // B = 1: B + 1 circles
        {MODE_DISCRETE_2, 0.1, {"10 end"}},             // B = 0
        // the whole chain at the turning point
        {MODE_CONTINUOUS, 0.5, {"10 p1", "20 p2", "30 p3"}},
        {MODE_DISCRETE_1, 0.5, {"10 p1", "20 p2", "30 p3"}},
        {MODE_DISCRETE_2, 0.5, {"10 p1", "20 p2", "30 p3"}},
        // vanishing: B = 30, or 1 circle
        {MODE_CONTINUOUS, 0.75, {"h", "0c p1", "30 p2"}},
        {MODE_DISCRETE_1, 0.75, {"h", "20 p1", "30 p2"}},
        {MODE_DISCRETE_2, 0.75, {"h", "20 p2", "30 p3"}},
        // B = 60: only the last circle is left, shrunk to nothing
        {MODE_CONTINUOUS, just_below_one, {"h", "h", "0c p1"}},
        // B = 0: the first circle contracts by nothing
        {MODE_CONTINUOUS, just_above_half, {"10c p1", "20 p2", "30 p3"}},
        {MODE_DISCRETE_2, just_above_half, {"10 p1", "20 p2", "30 p3"}},
        // B = 24: 14 of the second circle appear, or 6 of it remain
        {MODE_CONTINUOUS, 0.2, {"10 p1", "14 end"}},
        {MODE_CONTINUOUS, 0.7, {"h", "6c p1", "30 p2"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(c.mode, c.time, {10, 20, 30}), c.expected)
            << "mode " << c.mode << " time " << c.time;
    }
}

TEST(RevealTest, BudgetTable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int32_t mode;
        double time;
        int32_t radius_sum, count, expected;
    } cases[] = {
        {MODE_CONTINUOUS, 0.25, 60, 3, 30},
        {MODE_DISCRETE_1, 0.75, 60, 3, 30},
        {MODE_DISCRETE_2, 0.25, 60, 3, 1},
        {MODE_DISCRETE_2, 0.1, 60, 3, 0},
        {MODE_DISCRETE_2, 0.75, 60, 3, 1},
        {MODE_CONTINUOUS, 0.5, 60, 3, 60},
        // 2S and 2n do not fit in 32 bits
        {MODE_CONTINUOUS, 0.5, INT32_MAX, 3, INT32_MAX},
        {MODE_CONTINUOUS, 0.25, INT32_MAX, 3, 1073741824},
        {MODE_DISCRETE_2, 0.5, 60, INT32_MAX, INT32_MAX},
        {MODE_DISCRETE_1, 0.9, 2000000000, 3, 1600000000},
        // times the driver never passes are held to a usable budget
        {MODE_CONTINUOUS, nan, 60, 3, 0},
        {MODE_CONTINUOUS, -0.5, 60, 3, 0},
        {MODE_CONTINUOUS, 100.0, INT32_MAX, 3, INT32_MAX},
        {MODE_CONTINUOUS, 0.25, -60, 3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RevealBudget(c.mode, c.time, c.radius_sum, c.count, Floor), c.expected)
            << "mode " << c.mode << " time " << c.time << " S " << c.radius_sum;
    }
}

// The largest budget with the largest radii: every subtraction stays exact.
TEST(RevealTest, HugeRadiiDoNotOverflowTheWalk) {
    RevealWalk walk = StartReveal(MODE_CONTINUOUS, 0.25, INT32_MAX, 3);
    RevealStep first = StepReveal(walk, INT32_MAX);
    EXPECT_EQ(first.radius, INT32_MAX);
    EXPECT_FALSE(first.ends_walk);
    RevealStep second = StepReveal(walk, INT32_MAX);
    EXPECT_EQ(second.radius, 0);
    EXPECT_TRUE(second.ends_walk);

    walk = StartReveal(MODE_CONTINUOUS, 0.75, INT32_MAX, 2);
    EXPECT_FALSE(StepReveal(walk, INT32_MAX - 1).draw);
    const RevealStep shrinking = StepReveal(walk, INT32_MAX);
    EXPECT_EQ(shrinking.radius, INT32_MAX - 1);
    EXPECT_TRUE(shrinking.contracting);
}

TEST(RevealTest, CentreOfTheDrawnCircle) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const CircleRecord next{30, 69, 40, 1.0, 0.0};
    const struct {
        CircleRecord record;
        int32_t working_radius;
        bool contracting, has_next, usable;
        double x, y;
    } cases[] = {
        {{10, 5, 40, 1.0, 0.0}, 10, false, true, true, 16.0, 40.0},  // near edge on the point
        {{10, 5, 40, 1.0, 0.0}, 0, false, true, true, 6.0, 40.0},
        {{9, 10, 10, 0.6, 0.8}, 9, false, false, true, 16.0, 18.0},
        // from the full centre (48) 20/21 of the way to the next point (69)
        {{20, 27, 40, 1.0, 0.0}, 0, true, true, true, 68.0, 40.0},
        {{20, 27, 40, 1.0, 0.0}, 20, true, true, true, 48.0, 40.0},
        // the last circle contracts towards its far side at 69 + 62
        {{30, 69, 40, 1.0, 0.0}, 0, true, false, true, 130.0, 40.0},
        {{30, 69, 40, 1.0, 0.0}, 30, true, false, true, 100.0, 40.0},
        {{10, 5, 40, nan, 0.0}, 10, false, true, false, 0.0, 0.0},
        {{10, 5, 40, 0.0, inf}, 10, false, true, false, 0.0, 0.0},
        {{10, 5, 40, 0.0, 0.0}, 10, false, true, false, 0.0, 0.0},
        {{10, 5, 40, 3.0, 4.0}, 10, false, true, false, 0.0, 0.0},
        {{-1, 5, 40, 1.0, 0.0}, -1, true, true, false, 0.0, 0.0},  // no full radius to share
    };
    for (const auto& c : cases) {
        const DrawnCentre centre =
            CentreOfDrawnCircle(c.record, c.working_radius, c.contracting, c.has_next ? &next : nullptr);
        ASSERT_EQ(centre.usable, c.usable) << c.record.point_x << " r " << c.working_radius;
        if (!c.usable) continue;
        EXPECT_NEAR(centre.x, c.x, 1e-12);
        EXPECT_NEAR(centre.y, c.y, 1e-12);
    }
}

}  // namespace
