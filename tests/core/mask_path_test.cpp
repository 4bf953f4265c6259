#include "runner/core/mask_path.h"
#include "runner/core/segment_walks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using runner::MaskPath;
using runner::MaskVertex;

MaskVertex V(double x, double y, double in_x = 0, double in_y = 0, double out_x = 0, double out_y = 0) {
    MaskVertex v;
    v.x = x;
    v.y = y;
    v.in_x = in_x;
    v.in_y = in_y;
    v.out_x = out_x;
    v.out_y = out_y;
    return v;
}

// One open segment with control points p0..p3 in absolute coordinates.
MaskPath Cubic(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    MaskPath path;
    path.vertices = {V(x0, y0, 0, 0, x1 - x0, y1 - y0), V(x3, y3, x2 - x3, y2 - y3)};
    return path;
}

struct Pt {
    double x, y;
};

Pt Bezier(const MaskPath& p, double u) {
    const MaskVertex& a = p.vertices[0];
    const MaskVertex& b = p.vertices[1];
    const double v = 1 - u;
    const double w0 = v * v * v, w1 = 3 * v * v * u, w2 = 3 * v * u * u, w3 = u * u * u;
    return {w0 * a.x + w1 * (a.x + a.out_x) + w2 * (b.x + b.in_x) + w3 * b.x,
            w0 * a.y + w1 * (a.y + a.out_y) + w2 * (b.y + b.in_y) + w3 * b.y};
}

// A dense polyline through the curve: the reference for lengths and points.
struct Polyline {
    std::vector<Pt> pts;
    std::vector<double> cum;
};

Polyline Reference(const MaskPath& p, int n = 400000) {
    Polyline r;
    r.pts.reserve(static_cast<size_t>(n) + 1);
    r.cum.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        r.pts.push_back(Bezier(p, static_cast<double>(i) / n));
        if (i == 0) {
            r.cum.push_back(0.0);
        } else {
            const Pt& a = r.pts[static_cast<size_t>(i) - 1];
            const Pt& b = r.pts[static_cast<size_t>(i)];
            r.cum.push_back(r.cum.back() + std::hypot(b.x - a.x, b.y - a.y));
        }
    }
    return r;
}

Pt PointAt(const Polyline& r, double s) {
    size_t k = 1;
    while (k + 1 < r.cum.size() && r.cum[k] < s) ++k;
    const double f = (s - r.cum[k - 1]) / (r.cum[k] - r.cum[k - 1]);
    return {r.pts[k - 1].x + f * (r.pts[k].x - r.pts[k - 1].x), r.pts[k - 1].y + f * (r.pts[k].y - r.pts[k - 1].y)};
}

struct Eval {
    double x, y, dx, dy;
};

Eval At(const runner::SegmentPrep& prep, double s) {
    Eval e{};
    runner::EvalAtLength(prep, s, &e.x, &e.y, &e.dx, &e.dy);
    return e;
}

TEST(MaskPathTest, SegmentCountOpenAndClosed) {
    struct Case {
        int vertices;
        bool closed;
        int32_t expected;
    } cases[] = {{0, false, 0}, {0, true, 0}, {1, false, 0}, {1, true, 1},
                 {2, false, 1}, {2, true, 2}, {5, false, 4}, {5, true, 5}};
    for (const Case& c : cases) {
        MaskPath path;
        path.closed = c.closed;
        for (int i = 0; i < c.vertices; ++i) path.vertices.push_back(V(i * 10.0, 0));
        EXPECT_EQ(runner::SegmentCount(path), c.expected) << c.vertices << (c.closed ? " closed" : " open");
    }
}

TEST(MaskPathTest, ClosedPathLastSegmentReturnsToFirstVertex) {
    MaskPath path;
    path.closed = true;
    path.vertices = {V(0, 0), V(30, 0), V(30, 40)};
    const runner::SegmentPrep last = runner::PrepareSegment(path, 2, 100);
    EXPECT_EQ(runner::SegmentLength(last), 50.0);
    const Eval end = At(last, 50.0);
    EXPECT_EQ(end.x, 0.0);
    EXPECT_EQ(end.y, 0.0);
    EXPECT_EQ(runner::PrepareSegment(path, 3, 100).kind, runner::SEGMENT_MISSING);
    EXPECT_EQ(runner::PrepareSegment(path, -1, 100).kind, runner::SEGMENT_MISSING);
    EXPECT_EQ(runner::SegmentLength(runner::PrepareSegment(path, 3, 100)), 0.0);
}

// A closed path of one vertex closes onto itself: its one segment is the
// loop from the vertex through its out and in handles back to it.
TEST(MaskPathTest, ClosedSingleVertexIsALoopThroughItsHandles) {
    struct Case {
        const char* name;
        MaskVertex vertex;
        int32_t kind;
    } cases[] = {
        {"loop", V(100, 100, 40, 50, -40, 50), runner::SEGMENT_CURVE},
        {"point", V(7, 9), runner::SEGMENT_POINT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MaskPath path;
        path.closed = true;
        path.vertices = {c.vertex};
        const runner::SegmentPrep prep = runner::PrepareSegment(path, 0, 100);
        ASSERT_EQ(prep.kind, c.kind);
        MaskPath open_twin;  // the same cubic written as an open two-vertex path
        open_twin.vertices = {c.vertex, c.vertex};
        const Polyline ref = Reference(open_twin, 20000);
        EXPECT_NEAR(runner::SegmentLength(prep), ref.cum.back(), 1e-6);
        const Pt half = ref.cum.back() > 0 ? PointAt(ref, ref.cum.back() / 2) : Pt{c.vertex.x, c.vertex.y};
        const Eval mid = At(prep, runner::SegmentLength(prep) / 2);
        EXPECT_NEAR(mid.x, half.x, 1e-3);
        EXPECT_NEAR(mid.y, half.y, 1e-3);
    }
}

// Straight segments, whether their handles are zero or lie on the chord,
// are evaluated along the chord: exact points, exact axis-aligned tangents.
TEST(MaskPathTest, StraightSegmentsLieExactlyOnTheirLine) {
    struct Case {
        const char* name;
        MaskPath path;
        double length;
    } cases[] = {
        {"horizontal, zero handles", Cubic(10, 40.5, 10, 40.5, 1010, 40.5, 1010, 40.5), 1000.0},
        {"horizontal leftwards, handles on chord", Cubic(500, 7, 300, 7, 100, 7, 0, 7), 500.0},
        {"vertical", Cubic(3, 0, 3, 0, 3, 250, 3, 250), 250.0},
        {"diagonal 3-4-5, handles on chord", Cubic(0, 0, 60, 80, 240, 320, 300, 400), 500.0},
        {"handles at the far ends", Cubic(0, 0, 300, 400, 0, 0, 300, 400), 500.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const runner::SegmentPrep prep = runner::PrepareSegment(c.path, 0, 100);
        ASSERT_EQ(prep.kind, runner::SEGMENT_LINE);
        EXPECT_EQ(runner::SegmentLength(prep), c.length);
        const MaskVertex& a = c.path.vertices[0];
        const MaskVertex& b = c.path.vertices[1];
        const double ux = (b.x - a.x) / c.length, uy = (b.y - a.y) / c.length;
        for (double s = 0.0; s <= c.length; s += 7.0) {
            const Eval e = At(prep, s);
            EXPECT_EQ(e.dx, ux);
            EXPECT_EQ(e.dy, uy);
            if (a.y == b.y) {
                EXPECT_EQ(e.y, a.y);
                EXPECT_EQ(e.x, a.x + (b.x > a.x ? s : -s));
            }
            if (a.x == b.x) {
                EXPECT_EQ(e.x, a.x);
                EXPECT_EQ(e.y, a.y + (b.y > a.y ? s : -s));
            }
            EXPECT_NEAR(e.x, a.x + s * ux, 1e-9);
            EXPECT_NEAR(e.y, a.y + s * uy, 1e-9);
        }
    }
    const Eval end = At(runner::PrepareSegment(cases[3].path, 0, 100), 500.0);
    EXPECT_EQ(end.x, 300.0);
    EXPECT_EQ(end.y, 400.0);
    const Eval e = At(runner::PrepareSegment(cases[0].path, 0, 100), 123.0);
    EXPECT_EQ(e.dx, 1.0);
    EXPECT_EQ(e.dy, 0.0);
    EXPECT_EQ(e.x, 133.0);
}

TEST(MaskPathTest, CurveLengthsAndPointsMatchDensePolyline) {
    const double k = 0.5522847498307936 * 1000.0;  // quarter-circle handle for radius 1000
    struct Case {
        const char* name;
        MaskPath path;
    } cases[] = {
        {"quarter circle r=1000", Cubic(1000, 0, 1000, k, k, 1000, 0, 1000)},
        {"S curve", Cubic(0, 0, 400, -300, 600, 900, 1000, 200)},
        {"loop", Cubic(0, 0, 1200, 800, -200, 800, 1000, 0)},
        {"zero handle at start", Cubic(0, 0, 0, 0, 500, 600, 1000, 0)},
        {"nearly straight", Cubic(0, 0, 300, 0.5, 700, -0.5, 1000, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Polyline ref = Reference(c.path);
        const runner::SegmentPrep prep = runner::PrepareSegment(c.path, 0, 100);
        ASSERT_EQ(prep.kind, runner::SEGMENT_CURVE);
        const double length = runner::SegmentLength(prep);
        EXPECT_NEAR(length, ref.cum.back(), 1e-3);
        for (int i = 0; i <= 10; ++i) {
            const double s = length * i / 10.0;
            const Eval e = At(prep, s);
            const Pt want = PointAt(ref, s);
            EXPECT_NEAR(e.x, want.x, 2e-3) << "s=" << s;
            EXPECT_NEAR(e.y, want.y, 2e-3) << "s=" << s;
            EXPECT_NEAR(e.dx * e.dx + e.dy * e.dy, 1.0, 1e-12);
            // The tangent is the derivative per unit of arc length.
            if (s > 1.0 && s < length - 1.0) {
                const Eval a = At(prep, s - 0.01), b = At(prep, s + 0.01);
                EXPECT_NEAR((b.x - a.x) / 0.02, e.dx, 1e-3);
                EXPECT_NEAR((b.y - a.y) / 0.02, e.dy, 1e-3);
            }
        }
    }
}

TEST(MaskPathTest, QuarterCircleLengthNearTheCircle) {
    const double k = 0.5522847498307936 * 1000.0;
    const runner::SegmentPrep prep = runner::PrepareSegment(Cubic(1000, 0, 1000, k, k, 1000, 0, 1000), 0, 100);
    // The standard approximation deviates from the circle by under 0.03 %.
    EXPECT_NEAR(runner::SegmentLength(prep), 1000.0 * 1.5707963267948966, 0.5);
}

// Where a handle is zero the Bezier derivative vanishes at that end; the
// tangent reported there is the direction the curve leaves (or arrives) in.
TEST(MaskPathTest, ZeroHandleEndsTakeTheLimitDirection) {
    const runner::SegmentPrep start = runner::PrepareSegment(Cubic(0, 0, 0, 0, 100, 100, 200, 0), 0, 100);
    const Eval a = At(start, 0.0);
    EXPECT_NEAR(a.dx, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(a.dy, std::sqrt(0.5), 1e-12);

    const runner::SegmentPrep end = runner::PrepareSegment(Cubic(0, 0, 100, 100, 200, 0, 200, 0), 0, 100);
    const Eval b = At(end, runner::SegmentLength(end));
    EXPECT_EQ(b.x, 200.0);
    EXPECT_EQ(b.y, 0.0);
    EXPECT_NEAR(b.dx, std::sqrt(0.5), 1e-12);  // arriving from P1 = (100, 100)
    EXPECT_NEAR(b.dy, -std::sqrt(0.5), 1e-12);
}

TEST(MaskPathTest, DegenerateAndOutOfRangeArguments) {
    const runner::SegmentPrep point = runner::PrepareSegment(Cubic(5, 6, 5, 6, 5, 6, 5, 6), 0, 100);
    EXPECT_EQ(point.kind, runner::SEGMENT_POINT);
    EXPECT_EQ(runner::SegmentLength(point), 0.0);
    const Eval p = At(point, 0.0);
    EXPECT_EQ(p.x, 5.0);
    EXPECT_EQ(p.y, 6.0);
    EXPECT_EQ(p.dx, 0.0);
    EXPECT_EQ(p.dy, 0.0);

    // Arc lengths outside the segment are held to its ends; NaN to the start.
    const runner::SegmentPrep line = runner::PrepareSegment(Cubic(0, 0, 0, 0, 10, 0, 10, 0), 0, 100);
    EXPECT_EQ(At(line, -5.0).x, 0.0);
    EXPECT_EQ(At(line, 50.0).x, 10.0);
    EXPECT_EQ(At(line, NAN).x, 0.0);

    // Absurd or non-finite coordinates give an unusable segment: NaN length
    // and points, and no hang.
    const double bad[] = {NAN, INFINITY, -INFINITY, 1e300, -2e12};
    for (double b : bad) {
        const runner::SegmentPrep prep = runner::PrepareSegment(Cubic(0, 0, 10, b, 20, 0, 30, 0), 0, 100);
        EXPECT_EQ(prep.kind, runner::SEGMENT_UNUSABLE) << b;
        EXPECT_TRUE(std::isnan(runner::SegmentLength(prep)));
        EXPECT_TRUE(std::isnan(At(prep, 1.0).x));
    }
    // Sampling hints far out of range still give an accurate table.
    const MaskPath s_curve = Cubic(0, 0, 400, -300, 600, 900, 1000, 200);
    const double ref = runner::SegmentLength(runner::PrepareSegment(s_curve, 0, 100));
    for (int32_t f : {-5, 0, 1, 100000}) {
        EXPECT_NEAR(runner::SegmentLength(runner::PrepareSegment(s_curve, 0, f)), ref, 1e-6) << f;
    }
}

TEST(MaskPathTest, ScaledMultipliesPointsAndHandles) {
    const MaskPath path = Cubic(100, 50, 300, -100, 500, 400, 700, 60);
    const MaskPath half = runner::Scaled(path, 0.5);
    const double full = runner::SegmentLength(runner::PrepareSegment(path, 0, 100));
    EXPECT_NEAR(runner::SegmentLength(runner::PrepareSegment(half, 0, 100)), full * 0.5, 1e-9);
    EXPECT_EQ(half.vertices[1].in_x, -100.0);
    EXPECT_EQ(half.vertices[0].out_y, -75.0);
}

// Points asked for together, along a walk that skips about, or kept from
// an earlier frame are bit for bit the points asked for one at a time.
bool SameBits(const runner::PathPoint& a, const Eval& b) { return std::memcmp(&a, &b, sizeof b) == 0; }

TEST(MaskPathTest, BatchedWalkedAndKeptPointsAreThePointsOneByOne) {
    const MaskPath paths[] = {Cubic(0, 0, 400, -300, 600, 900, 1000, 200), Cubic(0, 0, 0, 0, 10, 0, 10, 0),
                              Cubic(0, 0, 100, 100, 0, 100, 100, 0), Cubic(5, 6, 5, 6, 5, 6, 5, 6)};
    // More than one batch, out of order, outside the segment and NaN.
    const double lengths[] = {0, 1, 2, NAN, -3, 7.5, 3, 4, 5, 6, 7, 8, 9, 1e9, 12.25, 13};
    const int32_t count = static_cast<int32_t>(sizeof lengths / sizeof lengths[0]);
    for (const MaskPath& path : paths) {
        const runner::SegmentPrep prep = runner::PrepareSegment(path, 0, 100);
        runner::PathPoint batch[count];
        runner::EvalAtLengths(prep, lengths, count, batch);
        runner::WalkAhead ahead;
        for (int32_t i = 0; i < count; ++i) {
            const Eval one = At(prep, lengths[i]);
            EXPECT_TRUE(SameBits(batch[i], one)) << i;
            EXPECT_TRUE(SameBits(runner::PointOfWalk(prep, lengths[i], &ahead), one)) << i;
        }
        runner::KeptWalks kept;
        for (int frame = 0; frame < 2; ++frame) {
            runner::StartWalksOfCheckout(&kept);
            std::unique_ptr<runner::SegmentWalk> walk = runner::TakeWalk(&kept, path, 0, 100);
            for (double t = 0.0; t <= prep.length + 1.0; t += 1.0) {
                EXPECT_TRUE(SameBits(runner::PointOfSegmentWalk(&kept, walk.get(), t), At(prep, t))) << t;
            }
            runner::KeepWalk(&kept, std::move(walk));
        }
    }
}

TEST(MaskPathTest, KeptWalksServeAStillSegmentAndForgetAMovedOne) {
    const MaskPath still = Cubic(0, 0, 400, -300, 600, 900, 1000, 200);
    const MaskPath moved = Cubic(0, 0, 400, -300, 600, 900, 1000, 200.5);
    runner::KeptWalks kept;
    runner::StartWalksOfCheckout(&kept);
    std::unique_ptr<runner::SegmentWalk> walk = runner::TakeWalk(&kept, still, 0, 100);
    for (double t = 0.0; t < 10.0; t += 1.0) runner::PointOfSegmentWalk(&kept, walk.get(), t);
    const runner::SegmentWalk* first = walk.get();
    EXPECT_EQ(kept.points, 10);
    runner::KeepWalk(&kept, std::move(walk));

    runner::StartWalksOfCheckout(&kept);
    std::unique_ptr<runner::SegmentWalk> again = runner::TakeWalk(&kept, still, 0, 100);
    EXPECT_EQ(again.get(), first);
    EXPECT_EQ(again->whole.size(), 10u);
    for (const auto& other : {runner::TakeWalk(&kept, moved, 0, 100), runner::TakeWalk(&kept, still, 0, 64)}) {
        EXPECT_NE(other.get(), first);
        EXPECT_TRUE(other->whole.empty());
    }
    runner::KeepWalk(&kept, std::move(again));
    // Two checkouts that do not use it: the mask has moved on.
    runner::StartWalksOfCheckout(&kept);
    runner::StartWalksOfCheckout(&kept);
    EXPECT_EQ(runner::KeptWalkCount(kept), 0u);
    EXPECT_EQ(kept.points, 0);
}

// A mask of many segments walked over three frames (fresh, kept, one
// vertex moved). Segments repeat every 500 vertices, except two that differ
// from their twins by the sign of a zero only: every point is still the
// point of the segment's own preparation, and a still segment finds its walk.
TEST(MaskPathTest, KeptWalksOfManySegmentsGiveTheirOwnPoints) {
    MaskPath path;
    for (int i = 0; i < 2000; ++i) path.vertices.push_back(V((i % 500) * 3.0, (i % 5) * 2.0, -1, 0.5, 1, -0.5));
    path.vertices[505].y = -0.0;
    runner::KeptWalks kept;
    // Walks that arrive with their points: in frame 0 the twins of 1499
    // segments, less the two signed zeros.
    const int32_t reused_wanted[] = {1499 - 2, 1999, 1999 - 2};
    for (int frame = 0; frame < 3; ++frame) {
        if (frame == 2) path.vertices[1000].x += 0.5;
        runner::StartWalksOfCheckout(&kept);
        int32_t reused = 0;
        for (int32_t s = 0; s < runner::SegmentCount(path); ++s) {
            std::unique_ptr<runner::SegmentWalk> walk = runner::TakeWalk(&kept, path, s, 100);
            reused += walk->whole.empty() ? 0 : 1;
            const runner::SegmentPrep prep = runner::PrepareSegment(path, s, 100);
            for (double t = 0.0; t <= prep.length; t += 1.0) {
                ASSERT_TRUE(SameBits(runner::PointOfSegmentWalk(&kept, walk.get(), t), At(prep, t))) << s << " " << t;
            }
            runner::KeepWalk(&kept, std::move(walk));
        }
        EXPECT_EQ(reused, reused_wanted[frame]) << frame;
    }
}

// Walks beyond the byte budget are not kept, and their points leave the
// count of points with them.
TEST(MaskPathTest, KeptWalksStayWithinTheirByteBudget) {
    runner::KeptWalks kept;
    runner::StartWalksOfCheckout(&kept);
    constexpr size_t TABLE = size_t{1} << 20;  // doubles: 8 MiB, reserved and never touched
    for (int i = 0; i < 12; ++i) {
        const MaskPath path = Cubic(i, 0, 400, -300, 600, 900, 1000, 200);
        std::unique_ptr<runner::SegmentWalk> walk = runner::TakeWalk(&kept, path, 0, 100);
        walk->prep.cumulative.reserve(TABLE);
        runner::PointOfSegmentWalk(&kept, walk.get(), 0.0);
        runner::KeepWalk(&kept, std::move(walk));
    }
    EXPECT_EQ(runner::KeptWalkCount(kept), static_cast<size_t>(runner::MAX_KEPT_WALK_BYTES / (TABLE * sizeof(double))) - 1);
    EXPECT_LE(kept.bytes, runner::MAX_KEPT_WALK_BYTES);
    EXPECT_EQ(kept.points, static_cast<int64_t>(runner::KeptWalkCount(kept)));
}

}  // namespace
