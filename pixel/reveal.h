// How much of the chain "Time" and "Mode" reveal, decided circle by circle.
// From 0 to 0.5 the circles appear along the path, from 0.5 to 1 they vanish
// again from its start. The budget is a sum of radii ("Continuous",
// "Discrete 1") or a number of circles ("Discrete 2").
//
// The walk is a small state machine: StartReveal sets it up, and StepReveal
// is called once per circle in list order until a step ends the walk.
#ifndef FOLVEK_REVEAL_H
#define FOLVEK_REVEAL_H

#include <stdint.h>

#include "render/circle_list.h"

// The budget: floor(2S x T + 0.5), or floor(2n x T) in "Discrete 2", with T
// measured from 0.5 in the vanishing half. The doubled sums are formed in
// double so they cannot overflow; the result is limited to 0..INT32_MAX and
// a NaN time gives 0. `floor_fn` is the host's floor.
int32_t RevealBudget(int32_t mode, double time, int32_t radius_sum, int32_t circle_count,
                     double (*floor_fn)(double));

struct RevealWalk {
    int32_t mode;
    int64_t budget;  // wide, so that subtracting any radius cannot overflow
    int32_t circle_count;
    int32_t drawn_count;  // circles drawn so far; in "Discrete 2" also the ones hidden
    bool growing;
    bool stopped;
    bool shrinking;
};

// What to do with one circle.
struct RevealStep {
    bool draw;             // false: the circle is hidden and nothing else happens
    int32_t radius;        // working radius; the drawn radius is one more
    bool contracting;      // "Continuous": the vanishing circle moves towards the next path point
    bool report_progress;  // after drawing, report (drawn_count, circle_count)
    bool ends_walk;        // after drawing, no further circle is looked at
};

RevealWalk StartReveal(int32_t mode, double time, int32_t budget, int32_t circle_count);

RevealStep StepReveal(RevealWalk& walk, int32_t radius);

// The exact centre of a revealed circle drawn with radius working_radius + 1.
// Normally its near edge touches the path point; a contracting circle moves
// from its full size towards the next record's path point, or towards its
// own far side when it is the last. A record whose direction is not a finite
// unit vector has no centre (usable is false) and is not drawn.
struct DrawnCentre {
    bool usable;
    double x;
    double y;
};

DrawnCentre CentreOfDrawnCircle(const CircleRecord& record, int32_t working_radius,
                                bool contracting, const CircleRecord* next);

#endif
