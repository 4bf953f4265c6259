#include "render/placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <vector>

#include "render/coverage.h"
#include "render/lcg_random.h"
#include "render/occupancy_grid.h"
#include "placement_fake_host.h"

using namespace placement_test;

namespace {

TEST(LcgRandomTest, SequenceFromSeededState) {
    LcgRandom r;
    r.Reset();
    r.SetSeed(0u + 100u);
    const int32_t expected[] = {829870797, 1533044610, 1478614675, 1357823696, 413847241};
    for (int32_t e : expected) EXPECT_EQ(r.NextInt(), e);

    // Against the recurrence itself, including wrap-around of the state.
    for (uint32_t seed : {0u, 99u, 0xFFFFFFFFu, 50100u}) {
        LcgRandom g;
        g.SetSeed(seed);
        uint64_t state = seed;
        for (int i = 0; i < 5; ++i) {
            state = (state * 1103515245u + 12345u) & 0xFFFFFFFFu;
            EXPECT_EQ(g.NextUnit(), static_cast<double>(state & 0x7FFFFFFFu) / 2147483648.0);
        }
    }
}

TEST(CoverageTest, FillAndEdgeExamples) {
    struct Case {
        double d;
        int32_t r, t;
        double fill, edge;
    } cases[] = {
        {0.0, 11, 1, 1.0, 0.0},   {10.5, 11, 1, 1.0, 1.0}, {11.0, 11, 1, 0.5, 1.0}, {11.5, 11, 1, 0.0, 0.5},
        {9.0, 11, 1, 1.0, 0.0},   {9.5, 11, 1, 1.0, 0.5},  {10.0, 11, 1, 1.0, 1.0}, {12.0, 11, 1, 0.0, 0.0},
        {15.0, 20, 4, 1.0, 0.0},  {16.0, 20, 4, 1.0, 1.0}, {20.0, 20, 4, 0.0, 1.0}, {21.0, 20, 4, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FillCoverage(c.d, c.r, c.t), c.fill) << "d=" << c.d << " r=" << c.r << " t=" << c.t;
        EXPECT_EQ(EdgeCoverage(c.d, c.r, c.t), c.edge) << "d=" << c.d << " r=" << c.r << " t=" << c.t;
    }
}

TEST(PlacementTest, CircleRadiusFromDraw) {
    const double top = 1.0 - 1.0 / 2147483648.0;  // the largest draw
    struct Case {
        double u;
        int32_t max_radius;
        double min_radius;
        int32_t expected;
    } cases[] = {
        {1533044610 / 2147483648.0, 50, 0.1, 37}, {1478614675 / 2147483648.0, 50, 0.1, 36},
        {1357823696 / 2147483648.0, 50, 0.1, 34}, {413847241 / 2147483648.0, 50, 0.1, 15},
        {0.0, 50, 0.1, 6},          {top, 50, 0.1, 49},       {0.0, 50, 1.0, 50},
        {top, 50, 1.0, 50},         {0.0, 2, 0.1, 2},         {top, 2, 0.1, 2},
        {0.0, 1, 0.5, 2},           {top, 1, 0.5, 2},         {0.5, 1, 1.0, 1},
        {0.0, 3, 0.0, 2},           {top, 3, 0.999, 2},       {top, 5000, 0.0, 4999},
        // Nonsense that must neither overflow nor reach a NaN conversion.
        {0.5, INT32_MAX, 1.0, INT32_MAX}, {0.5, INT32_MAX, 3.0, INT32_MAX}, {0.5, INT32_MIN, 1.0, INT32_MIN + 2},
        {0.5, 50, NAN, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CircleRadius(c.u, c.max_radius, c.min_radius), c.expected)
            << "u=" << c.u << " max=" << c.max_radius << " min=" << c.min_radius;
    }
}

TEST(PlacementTest, PathPointPixelTruncatesAndRejectsNonFinite) {
    struct Case {
        double x, y;
        bool inside;
        int32_t px, py;
    } cases[] = {
        {0.0, 0.0, true, 0, 0},       {-0.5, -0.999, true, 0, 0}, {9.999, 4.5, true, 9, 4},
        {-1.0, 0.0, false, 0, 0},     {10.0, 0.0, false, 0, 0},   {0.0, 5.0, false, 0, 0},
        {NAN, 1.0, false, 0, 0},      {1.0, NAN, false, 0, 0},    {INFINITY, 1.0, false, 0, 0},
        {1.0, -INFINITY, false, 0, 0}, {3e9, 1.0, false, 0, 0},   {-3e9, 1.0, false, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t px = -7, py = -7;
        ASSERT_EQ(PathPointPixel(c.x, c.y, 10, 5, &px, &py), c.inside) << c.x << "," << c.y;
        if (c.inside) {
            EXPECT_EQ(px, c.px);
            EXPECT_EQ(py, c.py);
        }
    }
}

TEST(OccupancyGridTest, ByteSizeFitsTheHostsAllocation) {
    struct Case {
        int32_t w, h;
        bool ok;
        uint32_t bytes;
    } cases[] = {
        {0, 0, true, 0},         {600, 100, true, 240000},  {32767, 32768, true, 4294836224u},
        {32768, 32768, false, 0}, {40000, 30000, false, 0}, {INT32_MAX, INT32_MAX, false, 0},
        {-1, 10, false, 0},      {10, -1, false, 0},
    };
    for (const Case& c : cases) {
        uint32_t bytes = 12345;
        EXPECT_EQ(OccupancyGridBytes(c.w, c.h, &bytes), c.ok) << c.w << "x" << c.h;
        if (c.ok) EXPECT_EQ(bytes, c.bytes);
    }
}

// The marked cells are exactly those closer than radius + 1 to the exact
// centre, clipped to the image; other cells keep what they held.
TEST(OccupancyGridTest, MarkCircleMarksCellsWithinRadiusPlusOne) {
    struct Case {
        double cx, cy;
        int32_t radius, thickness;
    } cases[] = {{20.0, 15.0, 7, 1}, {20.9, 15.9, 10, 1}, {-3.5, 2.25, 9, 3}, {39.0, 29.99, 12, 100}, {5.0, 5.0, 1, 1}};
    const int32_t w = 40, h = 30;
    for (const Case& c : cases) {
        std::vector<int32_t> cells(w * h, 3);
        const OccupancyGrid grid{cells.data(), w, h};
        MarkCircle(grid, c.cx, c.cy, c.radius, c.thickness, 9, Sqrt);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const double d = std::sqrt((x - c.cx) * (x - c.cx) + (y - c.cy) * (y - c.cy));
                // The scan covers offsets within radius + 2 of the truncated centre.
                const double ox = x - std::trunc(c.cx), oy = y - std::trunc(c.cy);
                const bool scanned = ox * ox + oy * oy <= (c.radius + 2.0) * (c.radius + 2.0);
                EXPECT_EQ(cells[y * w + x], scanned && d < c.radius + 1 ? 9 : 3)
                    << "centre " << c.cx << "," << c.cy << " cell " << x << "," << y;
            }
        }
    }
    std::vector<int32_t> cells(w * h, 0);
    const OccupancyGrid grid{cells.data(), w, h};
    MarkCircle(grid, NAN, 3.0, 5, 1, 4, Sqrt);
    MarkCircle(grid, 1e300, 3.0, 5, 1, 4, Sqrt);
    for (int32_t v : cells) EXPECT_EQ(v, 0);
}

// The example chain along a horizontal line at y = 40.5, left to right:
// radii 37, 36, 34, 15 and each circle starting at x + 2r + 1.
TEST(PlacementTest, HorizontalChainFollowsWorkedExample) {
    Rig rig;
    rig.host.mask = Polyline({{0.0, 40.5}, {400.0, 40.5}});
    ASSERT_EQ(rig.Run(600, 100), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_GE(c.size(), 4u);
    const int32_t radii[] = {37, 36, 34, 15};
    const int32_t xs[] = {0, 75, 148, 217};
    int64_t sum = 0;
    for (size_t k = 0; k < c.size(); ++k) {
        if (k < 4) {
            EXPECT_EQ(c[k].radius, radii[k]);
            EXPECT_EQ(c[k].point_x, xs[k]);
        }
        if (k > 0) EXPECT_EQ(c[k].point_x, c[k - 1].point_x + 2 * c[k - 1].radius + 1) << k;
        EXPECT_EQ(c[k].point_y, 40);
        EXPECT_EQ(c[k].dir_x, 1.0);
        EXPECT_EQ(c[k].dir_y, 0.0);
        EXPECT_EQ(rig.Cell(600, c[k].point_x, 40), static_cast<int32_t>(k) + 2);
        sum += c[k].radius;
    }
    EXPECT_GT(c.back().point_x + 2 * c.back().radius + 1, 400);  // no room for one more
    EXPECT_EQ(rig.result.circle_count, static_cast<int32_t>(c.size()));
    EXPECT_EQ(rig.result.radius_sum, sum);
    EXPECT_EQ(rig.Cell(600, 74, 40), 2);
    EXPECT_EQ(rig.Cell(600, 599, 99), 0);  // the junk the host left was cleared
    EXPECT_EQ(rig.host.checkouts, 1);
    EXPECT_EQ(rig.host.checkins, 1);
    EXPECT_FALSE(rig.host.checkin_changed);
    EXPECT_EQ(rig.host.checkout_time[0], 12);
    EXPECT_EQ(rig.host.checkout_time[1], 1);
    EXPECT_EQ(rig.host.checkout_time[2], 24);
    EXPECT_EQ(rig.host.cleaned, std::vector<int32_t>{0});
    EXPECT_EQ(rig.host.ops_after_checkin, 0);
}

TEST(PlacementTest, MinRadiusOneGivesMaxRadiusEverywhere) {
    Rig rig;
    rig.params.max_radius = 20;
    rig.params.min_radius = 1.0;
    rig.host.mask = Polyline({{0.0, 40.5}, {400.0, 40.5}});
    ASSERT_EQ(rig.Run(600, 100), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_EQ(c.size(), 10u);  // x = 0, 41, ..., 369
    for (size_t k = 0; k < c.size(); ++k) {
        EXPECT_EQ(c[k].radius, 20);
        EXPECT_EQ(c[k].point_x, static_cast<int32_t>(41 * k));
    }
    EXPECT_EQ(rig.result.radius_sum, 200);
}

// Points outside the image, or not finite, draw nothing from the generator:
// the first circle placed inside still gets the first radius.
TEST(PlacementTest, PointsOutsideTheImageDrawNothing) {
    Rig rig;
    rig.host.mask = Polyline({{-50, -50}, {650, -50}, {650, -20}, {-10, -20}, {-10, -25}, {-9, -25}, {-8, -25},
                              {-7, -25}, {-5, 40.5}, {100, 40.5}});
    auto point = [](double x, double y) {
        SegmentOverride o;
        o.has_point = true;
        o.x = x;
        o.y = y;
        return o;
    };
    rig.host.overrides[3] = point(NAN, 5.0);
    rig.host.overrides[4] = point(3e9, 5.0);
    rig.host.overrides[5] = point(-3e9, 5.0);
    rig.host.overrides[6] = point(5.0, INFINITY);
    ASSERT_EQ(rig.Run(600, 100), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].radius, 37);
    EXPECT_EQ(c[0].point_x, 0);
    EXPECT_EQ(c[1].radius, 36);

    Rig outside;
    outside.host.mask = Polyline({{-50, -50}, {650, -50}, {650, 200}});
    ASSERT_EQ(outside.Run(600, 100), PF_Err_NONE);
    EXPECT_EQ(outside.result.circle_count, 0);
    EXPECT_EQ(outside.result.radius_sum, 0);
    EXPECT_EQ(outside.result.circles.first(), nullptr);
}

TEST(PlacementTest, PathWithoutSegmentsPlacesNothing) {
    Rig rig;
    rig.host.mask = Polyline({{10, 10}});
    ASSERT_EQ(rig.Run(600, 100), PF_Err_NONE);
    EXPECT_EQ(rig.result.circle_count, 0);
    EXPECT_EQ(rig.result.radius_sum, 0);
    EXPECT_EQ(rig.result.circles.first(), nullptr);
    EXPECT_TRUE(rig.host.prepared.empty());
    EXPECT_NE(rig.grid, nullptr);
    EXPECT_EQ(rig.host.checkins, 1);
}

// Each segment is walked from t = 0 in steps of 1 while t <= L; absurd
// lengths are bounded rather than walked forever.
TEST(PlacementTest, WalkVisitsWholeUnitsUpToTheLength) {
    struct Case {
        const char* name;
        double length;
        long evals;
    } cases[] = {
        {"zero length", 0.0, 1}, {"integral", 10.0, 11}, {"fractional", 10.5, 11}, {"just below", 9.999, 10},
        {"NaN", NAN, 0},         {"negative", -1.0, 0},  {"infinite", INFINITY, 16777217},
        {"enormous", 1e300, 16777217},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.host.mask = Polyline({{-20, -20}, {-20, -40}});  // outside: no circles
        SegmentOverride o;
        o.has_length = true;
        o.length = c.length;
        rig.host.overrides[0] = o;
        ASSERT_EQ(rig.Run(60, 60), PF_Err_NONE);
        EXPECT_EQ(rig.host.eval_calls, c.evals);
        for (size_t i = 0; i < rig.host.evals.size(); ++i) EXPECT_EQ(rig.host.evals[i].second, static_cast<double>(i));
        EXPECT_EQ(rig.host.cleaned, std::vector<int32_t>{0});
    }

    // Every segment starts again at 0, and a zero-length one is one point.
    Rig rig;
    rig.host.mask = Polyline({{-20, -20}, {-20, -23}, {-20, -23}, {-22, -23}});
    ASSERT_EQ(rig.Run(60, 60), PF_Err_NONE);
    const std::vector<std::pair<int32_t, double>> want = {{0, 0.0}, {0, 1.0}, {0, 2.0}, {0, 3.0},
                                                           {1, 0.0}, {2, 0.0}, {2, 1.0}, {2, 2.0}};
    EXPECT_EQ(rig.host.evals, want);
}

// "Normal": the first circle follows the tangent, every later one points
// away from the previous circle's (truncated) centre.
TEST(PlacementTest, NormalDirectionPointsAwayFromPreviousCentre) {
    Rig rig;
    rig.params.direction = DIRECTION_NORMAL;
    rig.params.max_radius = 20;
    rig.host.mask = Polyline({{10, 150.5}, {300, 150.5}, {300, 290}, {100, 200}});
    ASSERT_EQ(rig.Run(400, 300), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_GE(c.size(), 8u);
    EXPECT_EQ(c[0].dir_x, 1.0);
    EXPECT_EQ(c[0].dir_y, 0.0);
    for (size_t k = 1; k < c.size(); ++k) {
        const double cx = std::trunc(c[k - 1].point_x + c[k - 1].radius * c[k - 1].dir_x);
        const double cy = std::trunc(c[k - 1].point_y + c[k - 1].radius * c[k - 1].dir_y);
        const double vx = c[k].point_x - cx, vy = c[k].point_y - cy;
        EXPECT_EQ(c[k].dir_x, vx / std::hypot(vx, vy)) << k;
        EXPECT_EQ(c[k].dir_y, vy / std::hypot(vx, vy)) << k;
    }

    // The same path with "Path": every circle follows its segment.
    Rig tangent;
    tangent.params.max_radius = 20;
    tangent.host.mask = rig.host.mask;
    ASSERT_EQ(tangent.Run(400, 300), PF_Err_NONE);
    for (const CircleRecord& r : tangent.Circles()) {
        if (r.point_y == 150 && r.point_x < 300) {
            EXPECT_EQ(r.dir_x, 1.0);
            EXPECT_EQ(r.dir_y, 0.0);
        } else if (r.point_x == 300 && r.point_y > 150) {
            EXPECT_EQ(r.dir_x, 0.0);
            EXPECT_EQ(r.dir_y, 1.0);
        }
    }
}

// A path that reports no usable derivative still gives every circle a unit
// direction: the previous circle's, or (1, 0) for the first.
TEST(PlacementTest, UnusableDerivativeKeepsPreviousDirection) {
    Rig rig;
    rig.params.max_radius = 10;
    rig.host.mask = Polyline({{50, 10}, {50, 40}, {50, 80}, {100, 80}, {150, 80}});
    SegmentOverride zero;
    zero.has_deriv = true;
    rig.host.overrides[0] = zero;  // (0, 0)
    SegmentOverride nan = zero;
    nan.dx = NAN;
    rig.host.overrides[2] = nan;
    SegmentOverride inf = zero;
    inf.dx = INFINITY;
    inf.dy = 1.0;
    rig.host.overrides[3] = inf;
    ASSERT_EQ(rig.Run(200, 100), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_FALSE(c.empty());
    int64_t sum = 0;
    for (const CircleRecord& r : c) {
        sum += r.radius;
        if (r.point_y < 40) {
            EXPECT_EQ(r.dir_x, 1.0);  // first segment: nothing before it
            EXPECT_EQ(r.dir_y, 0.0);
        } else if (r.point_y > 40 && r.point_y < 80) {
            EXPECT_EQ(r.dir_x, 0.0);  // the real tangent, downwards
            EXPECT_EQ(r.dir_y, 1.0);
        } else if (r.point_y == 80) {
            EXPECT_EQ(r.dir_x, 0.0);  // carried on from the last usable one
            EXPECT_EQ(r.dir_y, 1.0);
        }
    }
    EXPECT_EQ(rig.result.circle_count, static_cast<int32_t>(c.size()));
    EXPECT_EQ(rig.result.radius_sum, sum);
}

TEST(PlacementTest, RadiusSumSaturates) {
    Rig rig;
    rig.params.max_radius = INT32_MAX;
    rig.params.min_radius = 1.0;
    // Rightwards from x = 50 the first circle covers everything ahead of it;
    // the second segment runs behind it, leftwards.
    rig.host.mask = Polyline({{50, 40.5}, {60, 40.5}, {20, 80.5}, {10, 80.5}});
    ASSERT_EQ(rig.Run(100, 100), PF_Err_NONE);
    const std::vector<CircleRecord> c = rig.Circles();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c[0].radius, INT32_MAX);
    EXPECT_EQ(rig.result.radius_sum, INT32_MAX);
    EXPECT_EQ(rig.result.circle_count, static_cast<int32_t>(c.size()));
}

struct ErrorCase {
    const char* name;
    void (*setup)(Rig&);
    PF_Err expected;
    int checkins;
    std::vector<int32_t> prepared, cleaned;
    bool grid;
};

TEST(PlacementTest, HostFailuresEndTheWalkAndReturnThePath) {
    const ErrorCase cases[] = {
        {"checkout fails", [](Rig& r) { r.host.checkout_err = 21; r.utils.host_new_handle = UnexpectedHandle; },
         21, 0, {}, {}, false},
        {"segment count fails", [](Rig& r) { r.host.num_segments_err = 22; r.utils.host_new_handle = UnexpectedHandle; },
         22, 1, {}, {}, false},
        {"evaluation fails in segment 1", [](Rig& r) { r.host.fail_eval_call = 150; }, OP_ERR, 1, {0, 1}, {0, 1}, true},
        {"preparation fails", [](Rig& r) { r.host.fail_prepare = 1; }, OP_ERR, 1, {0, 1}, {0}, true},
        {"length fails", [](Rig& r) { r.host.fail_length = 0; }, OP_ERR, 1, {0}, {0}, true},
        {"cleanup fails", [](Rig& r) { r.host.fail_cleanup = 0; }, OP_ERR, 1, {0}, {0}, true},
        {"checkin fails", [](Rig& r) { r.host.checkin_err = 23; }, 23, 1, {0, 1, 2}, {0, 1, 2}, true},
        {"checkin fails after an earlier error", [](Rig& r) { r.host.checkin_err = 23; r.host.fail_length = 1; },
         OP_ERR, 1, {0, 1}, {0, 1}, true},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.host.mask = Polyline({{0, 40.5}, {100, 40.5}, {200, 40.5}, {300, 40.5}});
        c.setup(rig);
        EXPECT_EQ(rig.Run(600, 100), c.expected);
        EXPECT_EQ(rig.host.checkins, c.checkins);
        EXPECT_EQ(rig.host.prepared, c.prepared);
        EXPECT_EQ(rig.host.cleaned, c.cleaned);
        EXPECT_EQ(rig.grid != nullptr, c.grid);
        EXPECT_EQ(rig.host.ops_after_checkin, 0);
        EXPECT_EQ(rig.out.out_flags, 0);
        EXPECT_EQ(rig.result.circle_count, static_cast<int32_t>(rig.Circles().size()));
    }
    // The failed evaluation was the last one asked for.
    Rig rig;
    rig.host.mask = Polyline({{0, 40.5}, {100, 40.5}, {200, 40.5}});
    rig.host.fail_eval_call = 150;
    rig.Run(600, 100);
    EXPECT_EQ(rig.host.eval_calls, 151);
}

// A grid the host refuses, or one whose size cannot be expressed, ends
// placement with the memory message and 512; the path goes back.
TEST(PlacementTest, GridThatCannotBeHadIsAMemoryError) {
    struct Case {
        const char* name;
        int32_t width, height;
        PF_Handle (*allocate)(uint32_t);
    } cases[] = {{"host refuses", 600, 100, RefuseHandle},
                 {"size beyond 32 bits", 40000, 30000, UnexpectedHandle},
                 {"size of exactly 2^32", 32768, 32768, UnexpectedHandle},
                 {"negative width", -5, 100, UnexpectedHandle}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.host.mask = Polyline({{0, 40.5}, {100, 40.5}});
        rig.utils.host_new_handle = c.allocate;
        rig.out.out_flags = 0x40;
        EXPECT_EQ(rig.Run(c.width, c.height), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_STREQ(rig.out.return_msg, "Memory Error!");
        EXPECT_EQ(rig.out.out_flags, 0x40 | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_EQ(rig.host.checkins, 1);
        EXPECT_TRUE(rig.host.prepared.empty());
        EXPECT_EQ(rig.grid, nullptr);
        EXPECT_EQ(rig.result.circle_count, 0);
    }
}

// The list's nodes come from the nothrow allocation; this test makes it
// fail after a count, for this thread only.
thread_local int g_nodes_left = -1;

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_nodes_left == 0) return nullptr;
    if (g_nodes_left > 0) --g_nodes_left;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

TEST(PlacementTest, NodeThatCannotBeAllocatedIsOutOfMemory) {
    Rig rig;
    rig.host.mask = Polyline({{0, 40.5}, {400, 40.5}, {500, 40.5}});
    g_nodes_left = 2;
    const PF_Err err = rig.Run(600, 100);
    g_nodes_left = -1;
    EXPECT_EQ(err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(rig.result.circle_count, 2);
    EXPECT_EQ(rig.result.radius_sum, 37 + 36);
    EXPECT_EQ(rig.Circles().size(), 2u);
    EXPECT_EQ(rig.host.checkins, 1);
    EXPECT_EQ(rig.host.cleaned, std::vector<int32_t>{0});  // the preparation is still handed back
    EXPECT_EQ(rig.host.eval_calls, 149);  // the third circle's point, x = 148
}

}  // namespace
