#include "render/placement.h"

#include <float.h>

#include "host/param_ids.h"
#include "render/lcg_random.h"
#include "render/occupancy_grid.h"

namespace {

int32_t SaturateToInt32(int64_t v) {
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v));
}

// Truncation toward zero of a value that may lie outside the 32-bit range.
int64_t TruncateClamped(double v) {
    if (!(v == v)) return 0;
    if (v <= -2147483648.0) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int64_t>(v);
}

// Unit vector (vx, vy) / len; false when len gives no usable direction.
bool UnitDirection(double vx, double vy, double len, double* dir_x, double* dir_y) {
    if (!(len > 0.0 && len <= DBL_MAX)) return false;
    *dir_x = vx / len;
    *dir_y = vy / len;
    return true;
}

struct Walk {
    const RenderParams& params;
    PF_InData* in_data;
    const PathSuites& suites;
    PF_PathOutlinePtr path;
    OccupancyGrid grid;
    PlacementResult* result;
    LcgRandom random;
    int64_t previous_cx;
    int64_t previous_cy;
    double previous_dir_x;
    double previous_dir_y;
    bool first_circle;
    bool use_tangent;
    int32_t next_mark;
    int64_t walk_left;  // points the path may still be walked for
};

// Places a circle at the walked point (x, y) with path derivative
// (dx, dy) if the point qualifies. Fails only when no list node can be had.
PF_Err ConsiderPoint(Walk* w, double x, double y, double dx, double dy) {
    int32_t px = 0, py = 0;
    if (!PathPointPixel(x, y, w->grid.width, w->grid.height, &px, &py)) return PF_Err_NONE;
    // Still inside the latest circle (older marks do not block).
    if (GridCell(w->grid, px, py) >= w->next_mark - 1) return PF_Err_NONE;
    // Marks cannot go on past the 32-bit range; no further circle is placed.
    if (w->next_mark == INT32_MAX) return PF_Err_NONE;

    const int32_t radius = CircleRadius(w->random.NextUnit(), w->params.max_radius, w->params.min_radius);

    double dir_x = w->previous_dir_x, dir_y = w->previous_dir_y;
    bool usable = false;
    if (w->first_circle || w->use_tangent) {
        usable = UnitDirection(dx, dy, w->in_data->utils->ansi.hypot(dx, dy), &dir_x, &dir_y);
        w->first_circle = false;
    } else {
        const double vx = static_cast<double>(static_cast<int64_t>(px) - w->previous_cx);
        const double vy = static_cast<double>(static_cast<int64_t>(py) - w->previous_cy);
        usable = UnitDirection(vx, vy, w->in_data->utils->ansi.hypot(vx, vy), &dir_x, &dir_y);
    }
    // A path that stands still here gives no direction: the circle carries
    // on in the previous circle's direction, the first one to the right.
    if (!usable) {
        dir_x = w->previous_dir_x;
        dir_y = w->previous_dir_y;
    }

    if (!w->result->circles.Append(CircleRecord{radius, px, py, dir_x, dir_y})) return PF_Err_OUT_OF_MEMORY;
    w->result->circle_count += 1;
    w->result->radius_sum = SaturateToInt32(static_cast<int64_t>(w->result->radius_sum) + radius);

    const double cx = static_cast<double>(px) + static_cast<double>(radius) * dir_x;
    const double cy = static_cast<double>(py) + static_cast<double>(radius) * dir_y;
    MarkCircle(w->grid, cx, cy, radius, w->params.edge_thickness, w->next_mark, w->in_data->utils->ansi.sqrt);
    // |cx| and |cy| stay below 2^32 (a point in the image plus a 32-bit
    // radius along a unit vector), so the truncation is exact.
    w->previous_cx = static_cast<int64_t>(cx);
    w->previous_cy = static_cast<int64_t>(cy);
    w->previous_dir_x = dir_x;
    w->previous_dir_y = dir_y;
    w->next_mark += 1;
    return PF_Err_NONE;
}

// One segment: prepare, walk t = 0, 1, 2, ... while t <= L, clean up. A
// failing path operation ends the walk at once; a preparation the host made
// is still handed back, since a release always runs.
PF_Err WalkSegment(Walk* w, int32_t segment) {
    const PF_PathDataSuite1* data = w->suites.data;
    PF_ProgPtr ref = w->in_data->effect_ref;
    PF_PathSegPrepPtr prep = nullptr;
    PF_Err err = data->PF_PathPrepareSegLength(ref, w->path, segment, PATH_SAMPLING_FREQUENCY, &prep);
    if (err != PF_Err_NONE) return err;
    double length = 0.0;
    err = data->PF_PathGetSegLength(ref, w->path, segment, &prep, &length);
    // A NaN length walks nothing; an infinite or enormous one stops at the bound.
    const int64_t walk_before = w->walk_left;
    for (double t = 0.0; err == PF_Err_NONE && t <= length && t <= MAX_SEGMENT_WALK && w->walk_left > 0;
         t += 1.0) {
        --w->walk_left;
        double x = 0.0, y = 0.0, dx = 0.0, dy = 0.0;
        err = data->PF_PathEvalSegLengthDeriv1(ref, w->path, &prep, segment, t, &x, &y, &dx, &dy);
        if (err == PF_Err_NONE) err = ConsiderPoint(w, x, y, dx, dy);
    }
    // A segment without a point to walk still costs one.
    if (w->walk_left == walk_before && w->walk_left > 0) --w->walk_left;
    const PF_Err cleanup = data->PF_PathCleanupSegLength(ref, w->path, segment, &prep);
    return err != PF_Err_NONE ? err : cleanup;
}

}  // namespace

int32_t CircleRadius(double u, int32_t max_radius, double min_radius) {
    const double span = static_cast<double>(static_cast<int64_t>(max_radius) - 2);
    const double value = u * (1.0 - min_radius) * span + span * min_radius;
    return SaturateToInt32(TruncateClamped(value) + 2);
}

bool PathPointPixel(double x, double y, int32_t width, int32_t height, int32_t* px, int32_t* py) {
    // Truncation toward zero puts (-1, width) onto columns 0 .. width - 1;
    // NaN fails both tests and never reaches the conversion. An image with
    // no column or no row has no pixel, not even (0, 0).
    if (width <= 0 || height <= 0) return false;
    if (!(x > -1.0 && x < static_cast<double>(width))) return false;
    if (!(y > -1.0 && y < static_cast<double>(height))) return false;
    *px = static_cast<int32_t>(x);
    *py = static_cast<int32_t>(y);
    return true;
}

PF_Err PlaceCircles(const RenderParams& params, PF_InData* in_data, PF_OutData* out_data, const PathSuites& suites,
                    int32_t width, int32_t height, PlacementResult* result, PF_Handle* grid) {
    *grid = nullptr;
    result->circles.Clear();
    result->circle_count = 0;
    result->radius_sum = 0;

    PF_ProgPtr ref = in_data->effect_ref;
    PF_PathOutlinePtr path = nullptr;
    PF_Err err = suites.query->PF_CheckoutPath(ref, params.path_id, in_data->current_time, in_data->time_step,
                                               in_data->time_scale, &path);
    if (err != PF_Err_NONE) return err;

    int32_t segments = 0;
    err = suites.data->PF_PathNumSegments(ref, path, &segments);

    OccupancyGrid view{nullptr, width, height};
    if (err == PF_Err_NONE) {
        // A grid whose size cannot be expressed is as good as one the host
        // refused: never a block shorter than its cells.
        uint32_t bytes = 0;
        if (OccupancyGridBytes(width, height, &bytes)) *grid = in_data->utils->host_new_handle(bytes);
        if (*grid != nullptr) view = OccupancyGridView(*grid, width, height);
        if (*grid == nullptr || (bytes > 0 && view.cells == nullptr)) {
            in_data->utils->ansi.strcpy(out_data->return_msg, "Memory Error!");
            out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }

    if (err == PF_Err_NONE) {
        ClearOccupancyGrid(view);
        Walk walk{params, in_data, suites, path, view, result, LcgRandom{}, 0, 0, 1.0, 0.0, true,
                  params.direction == DIRECTION_PATH, 2, MAX_PATH_WALK};
        walk.random.Reset();
        walk.random.SetSeed(static_cast<uint32_t>(params.seed) + 100u);
        walk.random.NextInt();
        for (int32_t s = 0; s < segments && err == PF_Err_NONE && walk.walk_left > 0; ++s) {
            err = WalkSegment(&walk, s);
        }
    }

    const PF_Err checkin = suites.query->PF_CheckinPath(ref, params.path_id, false, path);
    if (err == PF_Err_NONE) err = checkin;
    return err;
}
