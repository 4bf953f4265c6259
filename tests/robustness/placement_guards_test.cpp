// Placement against a host whose paths no layer has: lengths of 10^12,
// NaN lengths, two thousand million segments, frames without pixels. The
// work is counted in host calls, never timed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "host/param_ids.h"
#include "render/placement.h"

namespace {

// A path host that answers whatever the case says for every segment.
struct HostilePath {
    int32_t segments = 1;
    double length = 0.0;
    double x = -100.0, y = -100.0;  // where every point lies
    int64_t prepares = 0;
    int64_t evals = 0;
    int64_t cleanups = 0;
};

HostilePath* Of(PF_ProgPtr ref) { return static_cast<HostilePath*>(ref); }

PF_Err Checkout(PF_ProgPtr ref, PF_PathID, int32_t, int32_t, uint32_t, PF_PathOutlinePtr* path) {
    *path = ref;
    return PF_Err_NONE;
}
PF_Err Checkin(PF_ProgPtr, PF_PathID, PF_Boolean, PF_PathOutlinePtr) { return PF_Err_NONE; }
PF_Err NumSegments(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t* n) {
    *n = Of(ref)->segments;
    return PF_Err_NONE;
}
PF_Err Prepare(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t, int32_t, PF_PathSegPrepPtr* prep) {
    ++Of(ref)->prepares;
    *prep = ref;
    return PF_Err_NONE;
}
PF_Err Length(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t, PF_PathSegPrepPtr*, double* length) {
    *length = Of(ref)->length;
    return PF_Err_NONE;
}
PF_Err Eval(PF_ProgPtr ref, PF_PathOutlinePtr, PF_PathSegPrepPtr*, int32_t, double, double* x, double* y,
            double* dx, double* dy) {
    HostilePath* h = Of(ref);
    ++h->evals;
    *x = h->x;
    *y = h->y;
    *dx = 1.0;
    *dy = 0.0;
    return PF_Err_NONE;
}
PF_Err Cleanup(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t, PF_PathSegPrepPtr*) {
    ++Of(ref)->cleanups;
    return PF_Err_NONE;
}

PF_Handle NewHandle(uint32_t size) {
    auto** handle = static_cast<void**>(std::malloc(sizeof(void*)));
    *handle = std::malloc(size == 0 ? 1 : size);
    return handle;
}
void DisposeHandle(PF_Handle handle) {
    if (handle == nullptr) return;
    std::free(*handle);
    std::free(handle);
}
double Hypot(double x, double y) { return std::hypot(x, y); }
double Sqrt(double x) { return std::sqrt(x); }
char* Copy(char* dst, const char* src) { return std::strcpy(dst, src); }

struct Placement {
    PF_Err err = PF_Err_NONE;
    int32_t circles = 0;
};

Placement Place(HostilePath* host, int32_t width, int32_t height) {
    PF_UtilCallbacks utils{};
    utils.host_new_handle = NewHandle;
    utils.host_dispose_handle = DisposeHandle;
    utils.ansi.hypot = Hypot;
    utils.ansi.sqrt = Sqrt;
    utils.ansi.strcpy = Copy;
    PF_InData in{};
    in.utils = &utils;
    in.effect_ref = host;
    PF_OutData out{};
    PF_PathQuerySuite1 query{Checkout, Checkin};
    PF_PathDataSuite1 data{NumSegments, Prepare, Length, Eval, Cleanup};
    RenderParams params{};
    params.path_id = 1;
    params.direction = DIRECTION_PATH;
    params.max_radius = 50;
    params.min_radius = 0.1;
    params.edge_thickness = 1;
    PlacementResult result;
    PF_Handle grid = nullptr;
    Placement p;
    p.err = PlaceCircles(params, &in, &out, PathSuites{&query, &data}, width, height, &result, &grid);
    p.circles = result.circle_count;
    DisposeHandle(grid);
    return p;
}

TEST(PlacementGuards, TheWholeWalkIsBoundedWhateverThePathClaims) {
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const double INF = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        int32_t segments;
        double length;
        int64_t evals;  // exactly this many points evaluated
    };
    const Case cases[] = {
        {"one segment 10^12 long", 1, 1e12, MAX_PATH_WALK},
        {"forty segments 10^12 long", 40, 1e12, MAX_PATH_WALK},
        {"three segments of infinite length", 3, INF, MAX_PATH_WALK},
        {"INT32_MAX segments of NaN length", INT32_MAX, NaN, 0},
        {"INT32_MAX segments of length 0", INT32_MAX, 0.0, MAX_PATH_WALK},
        {"two ordinary segments", 2, 99.5, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostilePath host;
        host.segments = c.segments;
        host.length = c.length;
        const Placement p = Place(&host, 16, 16);
        EXPECT_EQ(p.err, PF_Err_NONE);
        EXPECT_EQ(host.evals, c.evals);
        // Every segment costs at least one step of the budget, so the host
        // calls stay bounded even when no point is evaluated.
        EXPECT_LE(host.prepares, MAX_PATH_WALK);
        EXPECT_EQ(host.cleanups, host.prepares);
        EXPECT_EQ(p.circles, 0);  // every point lies outside the frame
    }
}

TEST(PlacementGuards, AFrameWithoutPixelsHasNoPixelForAPathPoint) {
    struct Case {
        const char* name;
        int32_t width, height;
        double x, y;
    };
    const Case cases[] = {
        {"0 wide, point at x = -0.5", 0, 5, -0.5, 2.0},
        {"0 high, point at y = -0.5", 5, 0, 2.0, -0.5},
        {"0 x 0, point at the origin", 0, 0, 0.0, 0.0},
        {"negative width", -3, 5, -0.5, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t px = 7, py = 7;
        EXPECT_FALSE(PathPointPixel(c.x, c.y, c.width, c.height, &px, &py));
        if (c.width < 0 || c.height < 0) continue;  // no grid to place into
        HostilePath host;
        host.length = 4.0;
        host.x = c.x;
        host.y = c.y;
        const Placement p = Place(&host, c.width, c.height);
        EXPECT_EQ(p.err, PF_Err_NONE);
        EXPECT_EQ(p.circles, 0);
    }
    // The smallest frame still has its one pixel.
    int32_t px = 7, py = 7;
    EXPECT_TRUE(PathPointPixel(-0.5, -0.5, 1, 1, &px, &py));
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
}

}  // namespace
