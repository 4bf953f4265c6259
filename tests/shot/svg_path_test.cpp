// Path data to mask paths: every command, relative forms, reflections,
// arcs against the true ellipse, and the positions named in syntax errors.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <string>

#include "curve_eval.h"
#include "runner/shot/svg_path.h"

namespace {

using cli_test::PointOnSegment;
using cli_test::Samples;
using cli_test::Xy;
using runner::MaskPath;
using runner::ParsePathData;

constexpr double PI = 3.14159265358979323846;
constexpr double EXACT = 1e-9;

MaskPath Only(const std::string& d) {
    auto r = ParsePathData(d);
    EXPECT_TRUE(r.has_value()) << d << ": " << (r.has_value() ? "" : r.error().message);
    if (!r.has_value() || r->empty()) return {};
    return r->front();
}

struct VertexCase {
    const char* data;
    std::vector<Xy> vertices;
    bool closed;
};

inline void PrintTo(const VertexCase& c, std::ostream* os) { *os << c.data; }

class VertexPositions : public ::testing::TestWithParam<VertexCase> {};

TEST_P(VertexPositions, EndPointsOfEveryCommand) {
    const VertexCase& c = GetParam();
    const MaskPath p = Only(c.data);
    ASSERT_EQ(p.vertices.size(), c.vertices.size()) << c.data;
    for (size_t i = 0; i < c.vertices.size(); ++i) {
        EXPECT_NEAR(p.vertices[i].x, c.vertices[i].x, EXACT) << c.data << " vertex " << i;
        EXPECT_NEAR(p.vertices[i].y, c.vertices[i].y, EXACT) << c.data << " vertex " << i;
    }
    EXPECT_EQ(p.closed, c.closed) << c.data;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, VertexPositions,
    ::testing::Values(
        VertexCase{"M 10 20 L 30 40", {{10, 20}, {30, 40}}, false},
        VertexCase{"m 10 20 l 30 40", {{10, 20}, {40, 60}}, false},
        VertexCase{"M 10 20 H 50 V 70", {{10, 20}, {50, 20}, {50, 70}}, false},
        VertexCase{"M 10 20 h 50 v 70 h -5", {{10, 20}, {60, 20}, {60, 90}, {55, 90}}, false},
        VertexCase{"M 0 0 C 1 2 3 4 5 6 c 1 1 2 2 3 3", {{0, 0}, {5, 6}, {8, 9}}, false},
        VertexCase{"M 0 0 S 3 4 5 6 s 1 1 2 2", {{0, 0}, {5, 6}, {7, 8}}, false},
        VertexCase{"M 0 0 Q 3 4 5 6 q 1 1 2 2 T 20 20 t 1 0", {{0, 0}, {5, 6}, {7, 8}, {20, 20}, {21, 20}}, false},
        // Extra coordinate pairs after a moveto are linetos, relative after m.
        VertexCase{"M 0 0 10 0 20 5", {{0, 0}, {10, 0}, {20, 5}}, false},
        VertexCase{"m 1 1 2 2 3 3", {{1, 1}, {3, 3}, {6, 6}}, false},
        // Numbers packed without separators.
        VertexCase{"M.5.5L-1-1", {{0.5, 0.5}, {-1, -1}}, false},
        VertexCase{"M1e1,2E-1l+3-.5", {{10, 0.2}, {13, -0.3}}, false},
        // A closing lineto back onto the start merges with the first vertex.
        VertexCase{"M 0 0 L 10 0 L 10 10 Z", {{0, 0}, {10, 0}, {10, 10}}, true},
        VertexCase{"M 0 0 L 10 0 L 10 10 L 0 0 z", {{0, 0}, {10, 0}, {10, 10}}, true}));

// Arc flags may be packed: "1050" is large 1, sweep 0, then x 50.
TEST(SvgPath, PackedArcFlagsReadAsLargeArcWithoutSweep) {
    const MaskPath p = Only("M 0 0 a25 25 0 1050 0");
    ASSERT_GE(p.vertices.size(), 2u);
    EXPECT_NEAR(p.vertices.back().x, 50, EXACT);
    EXPECT_NEAR(p.vertices.back().y, 0, EXACT);
    // Half circle of radius 25 around (25, 0). Sweep 0 runs through falling
    // angles: from pi through pi/2, which is (25, +25) with y pointing down.
    double min_y = 1e9, max_y = -1e9;
    for (const Xy& s : Samples(p, 50)) {
        EXPECT_NEAR(std::hypot(s.x - 25, s.y), 25, 0.01);
        min_y = std::min(min_y, s.y);
        max_y = std::max(max_y, s.y);
    }
    EXPECT_NEAR(max_y, 25, 0.01);
    EXPECT_NEAR(min_y, 0, 1e-9);
}

TEST(SvgPath, StraightPiecesHaveHandlesAtThirds) {
    // A straight segment keeps a constant, non-zero speed: handles at 1/3, 2/3.
    const MaskPath p = Only("M 3 6 L 33 -6");
    ASSERT_EQ(p.vertices.size(), 2u);
    EXPECT_NEAR(p.vertices[0].out_x, 10, EXACT);
    EXPECT_NEAR(p.vertices[0].out_y, -4, EXACT);
    EXPECT_NEAR(p.vertices[1].in_x, -10, EXACT);
    EXPECT_NEAR(p.vertices[1].in_y, 4, EXACT);
    const Xy mid = PointOnSegment(p, 0, 0.25);
    EXPECT_NEAR(mid.x, 3 + 7.5, EXACT);
    EXPECT_NEAR(mid.y, 6 - 3, EXACT);
}

TEST(SvgPath, CubicControlPointsBecomeTangentsRelativeToTheirVertex) {
    const MaskPath p = Only("M 1 2 C 11 12 21 22 31 32 c 1 0 2 0 3 3");
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_NEAR(p.vertices[0].out_x, 10, EXACT);
    EXPECT_NEAR(p.vertices[0].out_y, 10, EXACT);
    EXPECT_NEAR(p.vertices[1].in_x, -10, EXACT);
    EXPECT_NEAR(p.vertices[1].in_y, -10, EXACT);
    EXPECT_NEAR(p.vertices[1].out_x, 1, EXACT);   // relative to (31, 32)
    EXPECT_NEAR(p.vertices[1].out_y, 0, EXACT);
    EXPECT_NEAR(p.vertices[2].x, 34, EXACT);
    EXPECT_NEAR(p.vertices[2].in_x, -1, EXACT);   // (33, 32) - (34, 35)
    EXPECT_NEAR(p.vertices[2].in_y, -3, EXACT);
}

struct ReflectionCase {
    const char* data;
    Xy second_out_handle;  // absolute first control point of segment 1
};

inline void PrintTo(const ReflectionCase& c, std::ostream* os) { *os << c.data; }

class Reflections : public ::testing::TestWithParam<ReflectionCase> {};

TEST_P(Reflections, SmoothCommandsMirrorThePreviousHandle) {
    const MaskPath p = Only(GetParam().data);
    ASSERT_EQ(p.vertices.size(), 3u);
    const runner::MaskVertex& v = p.vertices[1];
    EXPECT_NEAR(v.x + v.out_x, GetParam().second_out_handle.x, EXACT) << GetParam().data;
    EXPECT_NEAR(v.y + v.out_y, GetParam().second_out_handle.y, EXACT) << GetParam().data;
}

INSTANTIATE_TEST_SUITE_P(
    SmoothCurves, Reflections,
    ::testing::Values(
        // c2 (30, 20) mirrored about (40, 0).
        ReflectionCase{"M 0 0 C 10 20 30 20 40 0 S 70 -20 80 0", {50, -20}},
        ReflectionCase{"M 0 0 c 10 20 30 20 40 0 s 30 -20 40 0", {50, -20}},
        // S after a non-cubic: the first handle is the current point.
        ReflectionCase{"M 0 0 L 40 0 S 70 -20 80 0", {40, 0}},
        // Quadratic control (10, 20) mirrored about (20, 0) is (30, -20); as a
        // cubic the first handle lies 2/3 of the way there from (20, 0).
        ReflectionCase{"M 0 0 Q 10 20 20 0 T 40 0", {20 + 2.0 / 3.0 * 10, 2.0 / 3.0 * -20}},
        ReflectionCase{"M 0 0 q 10 20 20 0 t 20 0", {20 + 2.0 / 3.0 * 10, 2.0 / 3.0 * -20}},
        // T after a cubic does not reflect: control point is the current point.
        ReflectionCase{"M 0 0 C 10 20 30 20 40 0 T 80 0", {40, 0}}));

TEST(SvgPath, QuadraticsAreTracedExactly) {
    const MaskPath p = Only("M 5 7 Q 60 -40 100 30");
    ASSERT_EQ(p.vertices.size(), 2u);
    for (int i = 0; i <= 20; ++i) {
        const double t = i / 20.0, u = 1 - t;
        const Xy got = PointOnSegment(p, 0, t);
        EXPECT_NEAR(got.x, u * u * 5 + 2 * u * t * 60 + t * t * 100, 1e-9);
        EXPECT_NEAR(got.y, u * u * 7 + 2 * u * t * -40 + t * t * 30, 1e-9);
    }
}

struct ArcCase {
    const char* name;
    double rx, ry, rotation_deg;
    double theta0_deg, theta1_deg;  // along the ellipse centred at (cx, cy)
    double cx, cy;
};

inline void PrintTo(const ArcCase& c, std::ostream* os) { *os << c.name; }

// A point on the ellipse (centre, radii, rotation) at parameter angle theta.
Xy OnEllipse(const ArcCase& c, double theta_deg) {
    const double phi = c.rotation_deg * PI / 180, th = theta_deg * PI / 180;
    const double ex = c.rx * std::cos(th), ey = c.ry * std::sin(th);
    return {c.cx + std::cos(phi) * ex - std::sin(phi) * ey, c.cy + std::sin(phi) * ex + std::cos(phi) * ey};
}

// Normalised radius: 1 on the ellipse. Off by f, a point lies at most
// |f| * max(rx, ry) from it.
double EllipseResidual(const ArcCase& c, Xy p) {
    const double phi = c.rotation_deg * PI / 180;
    const double dx = p.x - c.cx, dy = p.y - c.cy;
    const double u = std::cos(phi) * dx + std::sin(phi) * dy;
    const double v = -std::sin(phi) * dx + std::cos(phi) * dy;
    return std::hypot(u / c.rx, v / c.ry) - 1.0;
}

class Arcs : public ::testing::TestWithParam<ArcCase> {};

TEST_P(Arcs, StayWithinAHundredthOfAPixelOfTheTrueArc) {
    const ArcCase& c = GetParam();
    const Xy from = OnEllipse(c, c.theta0_deg), to = OnEllipse(c, c.theta1_deg);
    const double span = c.theta1_deg - c.theta0_deg;
    const int large = std::fabs(span) > 180 ? 1 : 0;
    const int sweep = span > 0 ? 1 : 0;
    char d[512];
    std::snprintf(d, sizeof d, "M %.17g %.17g A %.17g %.17g %.17g %d %d %.17g %.17g", from.x, from.y, c.rx, c.ry,
                  c.rotation_deg, large, sweep, to.x, to.y);
    const MaskPath p = Only(d);
    ASSERT_GE(p.vertices.size(), 2u);
    double worst = 0;
    for (const Xy& s : Samples(p, 64)) worst = std::max(worst, std::fabs(EllipseResidual(c, s)) * std::max(c.rx, c.ry));
    EXPECT_LE(worst, 0.01) << c.name;
    // It runs the right way round: its middle is the ellipse's middle angle.
    const size_t segments = cli_test::SegmentsOf(p);
    const Xy expected_mid = OnEllipse(c, (c.theta0_deg + c.theta1_deg) / 2);
    double nearest = 1e18;
    for (const Xy& s : Samples(p, 256)) nearest = std::min(nearest, std::hypot(s.x - expected_mid.x, s.y - expected_mid.y));
    EXPECT_LE(nearest, 0.05 + 2 * PI * std::max(c.rx, c.ry) / (256.0 * static_cast<double>(segments)) ) << c.name;
    EXPECT_NEAR(p.vertices.back().x, to.x, 1e-6) << c.name;
    EXPECT_NEAR(p.vertices.back().y, to.y, 1e-6) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    EllipsesAndCircles, Arcs,
    ::testing::Values(ArcCase{"small circle quarter", 10, 10, 0, 0, 90, 0, 0},
                      ArcCase{"small circle, clockwise three quarters", 10, 10, 0, 90, -180, 5, 5},
                      ArcCase{"large circle half", 5000, 5000, 0, 180, 360, 100, 100},
                      ArcCase{"huge circle, almost full", 1e6, 1e6, 0, 1, 359, 0, 0},
                      ArcCase{"rotated ellipse", 100, 50, 30, 0, 100, 20, -10},
                      ArcCase{"rotated ellipse, large arc backwards", 300, 40, -70, 200, -60, 0, 0},
                      ArcCase{"flat ellipse", 2000, 3, 45, 10, 170, 0, 0},
                      // Radii beyond the coordinate limit, the arc within it.
                      ArcCase{"circle wider than the limit", 1.5e7, 1.5e7, 0, 250, 290, 0, 1.4e7},
                      ArcCase{"rotated ellipse wider than the limit", 3e7, 1.2e7, 30, 80, 100, 6e6, -1.04e7}));

struct FlatArcCase {
    const char* data;
    double sagitta;  // how far the arc's middle lies below the chord y = 100.5
};

inline void PrintTo(const FlatArcCase& c, std::ostream* os) { *os << c.data; }

class NearlyStraightArcs : public ::testing::TestWithParam<FlatArcCase> {};

// A radius is no coordinate: a huge one bends the arc by r - sqrt(r^2 - 90^2)
// over a chord of 180 (ry - ry sqrt(1 - 90^2 / rx^2) along an ellipse's long
// axis), and the arc keeps that small bend exactly.
TEST_P(NearlyStraightArcs, BendByTheirSagitta) {
    const FlatArcCase& c = GetParam();
    const MaskPath p = Only(c.data);
    ASSERT_GE(p.vertices.size(), 2u);
    EXPECT_EQ(p.vertices.back().x, 190.5);
    EXPECT_EQ(p.vertices.back().y, 100.5);
    double lowest = 100.5;
    for (const Xy& s : Samples(p, 64)) {
        EXPECT_GE(s.y, 100.5 - 1e-12) << c.data;
        EXPECT_GE(s.x, 10.5 - 1e-12) << c.data;
        EXPECT_LE(s.x, 190.5 + 1e-12) << c.data;
        lowest = std::max(lowest, s.y);
    }
    EXPECT_NEAR(lowest - 100.5, c.sagitta, 1e-3 * c.sagitta + 1e-12) << c.data;
}

INSTANTIATE_TEST_SUITE_P(
    HugeRadii, NearlyStraightArcs,
    ::testing::Values(FlatArcCase{"M 10.5 100.5 a 20000000 20000000 0 0 0 180 0", 8100 / (2e7 + std::sqrt(4e14 - 8100))},
                      FlatArcCase{"M 10.5 100.5 A 1e9 1e9 0 0 0 190.5 100.5", 8100 / (1e9 + std::sqrt(1e18 - 8100))},
                      FlatArcCase{"M 10.5 100.5 A 4e12 2e12 0 0 0 190.5 100.5", 2e12 * (8100 / 1.6e25) / (1 + std::sqrt(1 - 8100 / 1.6e25))},
                      FlatArcCase{"M 10.5 100.5 A 1e300 1e300 0 0 0 190.5 100.5", 0}));

struct SpecialArcCase {
    const char* data;
    Xy centre;
    double radius;
    Xy on_path;  // a point the arc must pass through
};

inline void PrintTo(const SpecialArcCase& c, std::ostream* os) { *os << c.data; }

class SpecialArcs : public ::testing::TestWithParam<SpecialArcCase> {};

TEST_P(SpecialArcs, FollowTheOutOfRangeRules) {
    const SpecialArcCase& c = GetParam();
    const MaskPath p = Only(c.data);
    double nearest = 1e18;
    for (const Xy& s : Samples(p, 200)) {
        EXPECT_NEAR(std::hypot(s.x - c.centre.x, s.y - c.centre.y), c.radius, 0.01) << c.data;
        nearest = std::min(nearest, std::hypot(s.x - c.on_path.x, s.y - c.on_path.y));
    }
    EXPECT_LT(nearest, 0.2) << c.data;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SpecialArcs,
    ::testing::Values(
        // Sweep 1 runs through rising angles: from pi over 3pi/2, (50, -50).
        SpecialArcCase{"M 0 0 A 50 50 0 0 1 100 0", {50, 0}, 50, {50, -50}},
        // Radii too small to reach are scaled up to the half-chord.
        SpecialArcCase{"M 0 0 A 10 10 0 0 1 100 0", {50, 0}, 50, {50, -50}},
        SpecialArcCase{"M 0 0 A 1e-300 1e-300 0 0 1 100 0", {50, 0}, 50, {50, -50}},
        // Negative radii count as positive.
        SpecialArcCase{"M 0 0 A -50 -50 0 0 0 100 0", {50, 0}, 50, {50, 50}},
        // Large arc without sweep between (0,0) and (50,50): centre (0, 50),
        // three quarters of the circle, through (-50, 50).
        SpecialArcCase{"M 0 0 A 50 50 0 1 0 50 50", {0, 50}, 50, {-50, 50}},
        SpecialArcCase{"M 0 0 A 50 50 0 0 0 50 50", {50, 0}, 50, {50 - 50 / std::sqrt(2.0), 50 / std::sqrt(2.0)}}));

struct ShortRadiiCase {
    Xy from;
    double rx, ry, rotation_deg;
    Xy to;
};

inline void PrintTo(const ShortRadiiCase& c, std::ostream* os) { *os << c.rx << " x " << c.ry; }

class ShortRadii : public ::testing::TestWithParam<ShortRadiiCase> {};

// Radii too small to reach grow by sqrt(lambda) until the chord is a
// diameter: half the grown ellipse, centred on the chord's midpoint, also
// when the ellipse is long and thin.
TEST_P(ShortRadii, GrowToHalfAnEllipseAboutTheMidpoint) {
    const ShortRadiiCase& c = GetParam();
    char d[512];
    std::snprintf(d, sizeof d, "M %.17g %.17g A %.17g %.17g %.17g 0 1 %.17g %.17g", c.from.x, c.from.y, c.rx, c.ry,
                  c.rotation_deg, c.to.x, c.to.y);
    const double phi = c.rotation_deg * PI / 180;
    const double hx = (c.from.x - c.to.x) / 2, hy = (c.from.y - c.to.y) / 2;
    const double x1 = std::cos(phi) * hx + std::sin(phi) * hy, y1 = -std::sin(phi) * hx + std::cos(phi) * hy;
    const double grow = std::sqrt(x1 * x1 / (c.rx * c.rx) + y1 * y1 / (c.ry * c.ry));
    ASSERT_GT(grow, 1.0);
    const ArcCase grown{"", c.rx * grow, c.ry * grow, c.rotation_deg, 0, 0, c.from.x - hx, c.from.y - hy};
    double worst = 0;
    for (const Xy& s : Samples(Only(d), 64)) worst = std::max(worst, std::fabs(EllipseResidual(grown, s)) * grown.rx);
    EXPECT_LE(worst, 0.01) << d;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ShortRadii,
    ::testing::Values(ShortRadiiCase{{0, 0}, 30, 10, 20, {100, 40}},
                      ShortRadiiCase{{-830.15177129772235, 708.99731718436965}, 1837.61250231333, 0.19992461651462717,
                                     -202.07596217640096, {835.75617277937295, 874.36269853334557}}));

TEST(SvgPath, ArcWithAZeroRadiusIsAStraightLine) {
    const MaskPath p = Only("M 0 0 A 0 30 0 0 1 90 30");
    ASSERT_EQ(p.vertices.size(), 2u);
    for (const Xy& s : Samples(p, 10)) EXPECT_NEAR(s.y, s.x / 3, 1e-9);
}

TEST(SvgPath, ArcToItsOwnStartAddsNothing) {
    EXPECT_EQ(Only("M 7 7 A 10 10 0 0 1 7 7").vertices.size(), 1u);
}

TEST(SvgPath, ClosingWithoutReturningAddsTheClosingLine) {
    const MaskPath p = Only("M 0 0 L 30 0 L 30 30 Z");
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_TRUE(p.closed);
    EXPECT_NEAR(p.vertices[2].out_x, -10, EXACT);
    EXPECT_NEAR(p.vertices[2].out_y, -10, EXACT);
    EXPECT_NEAR(p.vertices[0].in_x, 10, EXACT);
    EXPECT_NEAR(p.vertices[0].in_y, 10, EXACT);
}

TEST(SvgPath, ClosingOnACurveKeepsItsLastHandle) {
    const MaskPath p = Only("M 0 0 L 30 0 C 30 20 10 20 0 0 Z");
    ASSERT_EQ(p.vertices.size(), 2u);
    EXPECT_TRUE(p.closed);
    EXPECT_NEAR(p.vertices[0].in_x, 10, EXACT);
    EXPECT_NEAR(p.vertices[0].in_y, 20, EXACT);
    EXPECT_NEAR(p.vertices[1].out_x, 0, EXACT);
    EXPECT_NEAR(p.vertices[1].out_y, 20, EXACT);
}

TEST(SvgPath, EveryMovetoStartsASubpath) {
    auto r = ParsePathData("M 0 0 L 10 0 Z l 5 5 M 100 100 L 110 100 m 1 1 h 3");
    ASSERT_TRUE(r.has_value()) << r.error().message;
    ASSERT_EQ(r->size(), 4u);
    EXPECT_TRUE((*r)[0].closed);
    // After Z, drawing goes on from the subpath's start, (0, 0).
    ASSERT_EQ((*r)[1].vertices.size(), 2u);
    EXPECT_NEAR((*r)[1].vertices[0].x, 0, EXACT);
    EXPECT_NEAR((*r)[1].vertices[1].x, 5, EXACT);
    EXPECT_NEAR((*r)[1].vertices[1].y, 5, EXACT);
    EXPECT_FALSE((*r)[2].closed);
    ASSERT_EQ((*r)[3].vertices.size(), 2u);
    EXPECT_NEAR((*r)[3].vertices[0].x, 111, EXACT);
    EXPECT_NEAR((*r)[3].vertices[1].x, 114, EXACT);
}

struct ErrorCase {
    const char* data;
    int position;        // 1-based character the message names
    const char* phrase;  // part of the message
};

inline void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.data; }

class SyntaxErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SyntaxErrors, NameTheCharacter) {
    const ErrorCase& c = GetParam();
    auto r = ParsePathData(c.data);
    ASSERT_FALSE(r.has_value()) << c.data;
    const std::string expected = "at character " + std::to_string(c.position) + ":";
    EXPECT_NE(r.error().message.find(expected), std::string::npos) << c.data << " -> " << r.error().message;
    EXPECT_NE(r.error().message.find(c.phrase), std::string::npos) << c.data << " -> " << r.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    BadData, SyntaxErrors,
    ::testing::Values(ErrorCase{"", 1, "empty"},
                      ErrorCase{"   ", 4, "empty"},
                      ErrorCase{"L 10 10", 1, "moveto"},
                      ErrorCase{"10 10", 1, "moveto"},
                      ErrorCase{"M 10", 5, "end of data"},
                      ErrorCase{"M 10 10 X 5", 9, "unknown command 'X'"},
                      ErrorCase{"M 10 10 L 5 #", 13, "'#'"},
                      ErrorCase{"M 10 10 C 1 2 3 4 5", 20, "expected a number for 'C'"},
                      ErrorCase{"M 0 0 A 5 5 0 2 0 10 10", 15, "arc flag"},
                      ErrorCase{"M 0 0 A 5 1e400 0 0 0 10 10", 11, "not a finite number"},
                      // The long way round a huge circle leaves the coordinate limit.
                      ErrorCase{"M 10 100 A 2e7 2e7 0 1 0 190 100", 10, "coordinate limit"},
                      // ... and so does a hugely stretched one, whose piece count no integer holds.
                      ErrorCase{"M 0 0 A 25 2.5e79 0 1 1 50 50", 7, "coordinate limit"},
                      ErrorCase{"M 1e 5", 5, "exponent"},
                      ErrorCase{"M 0 0 Z 5", 9, "after 'Z'"},
                      ErrorCase{"M 0,,0", 5, "expected a number"},
                      ErrorCase{"M 1e400 0", 3, "out of range"},
                      ErrorCase{"M 0 -2e7", 5, "out of range"},
                      ErrorCase{"M 9e6 0 l 9e6 0", 9, "coordinate limit"},
                      ErrorCase{"M 9e6 0 C 0 0 0 0 9e6 0 s -9e6 0 0 0", 25, "coordinate limit"}));

}  // namespace
