#include "pixel/reveal.h"

#include <cmath>

#include "host/param_ids.h"

namespace {

int32_t BudgetToInt(double b) {
    if (!(b > 0.0)) return 0;
    if (b >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(b);
}

}  // namespace

int32_t RevealBudget(int32_t mode, double time, int32_t radius_sum, int32_t circle_count,
                     double (*floor_fn)(double)) {
    const double shown = time <= 0.5 ? time : time - 0.5;
    if (mode == MODE_DISCRETE_2) {
        const double doubled = 2.0 * static_cast<double>(circle_count);
        return BudgetToInt(floor_fn(doubled * shown));
    }
    const double doubled = 2.0 * static_cast<double>(radius_sum);
    return BudgetToInt(floor_fn(doubled * shown + 0.5));
}

RevealWalk StartReveal(int32_t mode, double time, int32_t budget, int32_t circle_count) {
    RevealWalk walk{};
    walk.mode = mode;
    walk.budget = budget;
    walk.circle_count = circle_count;
    walk.drawn_count = 0;
    walk.growing = time <= 0.5;
    walk.stopped = false;
    walk.shrinking = false;
    return walk;
}

namespace {

// "Continuous" and "Discrete 1": the budget is spent in radii.
RevealStep StepByRadius(RevealWalk& walk, int32_t radius) {
    RevealStep step{true, radius, false, false, false};
    const bool continuous = walk.mode == MODE_CONTINUOUS;
    if (walk.growing) {
        walk.budget -= radius;
        if (walk.budget < 0) {
            walk.stopped = true;
            // What was left before this circle: 0..radius-1.
            if (continuous) step.radius = static_cast<int32_t>(walk.budget + radius);
        }
    } else if (!walk.stopped) {
        walk.budget -= radius;
        if (walk.budget > 0) {
            step.draw = false;
            return step;
        }
        walk.stopped = true;
        walk.shrinking = true;
        // What is left of this circle: 0..radius.
        if (continuous) step.radius = static_cast<int32_t>(-walk.budget);
    }
    return step;
}

// "Discrete 2": the budget is spent in circles.
RevealStep StepByCount(RevealWalk& walk, int32_t radius) {
    RevealStep step{true, radius, false, false, false};
    if (walk.growing) {
        if (walk.drawn_count >= walk.budget) walk.stopped = true;
    } else if (!walk.stopped) {
        if (walk.drawn_count < walk.budget) {
            ++walk.drawn_count;
            step.draw = false;
            return step;
        }
        walk.stopped = true;
        walk.shrinking = true;
    }
    return step;
}

}  // namespace

RevealStep StepReveal(RevealWalk& walk, int32_t radius) {
    RevealStep step =
        walk.mode == MODE_DISCRETE_2 ? StepByCount(walk, radius) : StepByRadius(walk, radius);
    if (!step.draw) return step;
    // Only the one circle at which the vanishing half stops contracts.
    step.contracting = walk.shrinking && walk.mode == MODE_CONTINUOUS;
    walk.shrinking = false;
    if (walk.growing && walk.stopped) {
        step.ends_walk = true;
    } else {
        ++walk.drawn_count;
        step.report_progress = true;
    }
    return step;
}

namespace {

bool UsableDirection(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    const double length_squared = x * x + y * y;
    return length_squared > 1.0 - 1e-6 && length_squared < 1.0 + 1e-6;
}

}  // namespace

DrawnCentre CentreOfDrawnCircle(const CircleRecord& record, int32_t working_radius,
                                bool contracting, const CircleRecord* next) {
    DrawnCentre centre{false, 0.0, 0.0};
    if (!UsableDirection(record.dir_x, record.dir_y)) return centre;
    const int64_t drawn_radius = static_cast<int64_t>(working_radius) + 1;
    const double px = static_cast<double>(record.point_x);
    const double py = static_cast<double>(record.point_y);
    if (!contracting) {
        const double r = static_cast<double>(drawn_radius);
        centre.x = px + r * record.dir_x;
        centre.y = py + r * record.dir_y;
    } else if (next != nullptr) {
        const int64_t full = static_cast<int64_t>(record.radius) + 1;
        const double full_d = static_cast<double>(full);
        const double x0 = px + full_d * record.dir_x;
        const double y0 = py + full_d * record.dir_y;
        const double share = static_cast<double>(full - drawn_radius) / full_d;
        centre.x = x0 + share * (static_cast<double>(next->point_x) - x0);
        centre.y = y0 + share * (static_cast<double>(next->point_y) - y0);
    } else {
        const double along =
            static_cast<double>(2 * static_cast<int64_t>(record.radius) + 2 - drawn_radius);
        centre.x = px + along * record.dir_x;
        centre.y = py + along * record.dir_y;
    }
    // Far beyond any frame a centre cannot be truncated to an integer safely;
    // this also refuses the NaN of a malformed full radius of 0.
    const double LIMIT = 4.0e18;
    centre.usable = std::fabs(centre.x) < LIMIT && std::fabs(centre.y) < LIMIT;
    return centre;
}
