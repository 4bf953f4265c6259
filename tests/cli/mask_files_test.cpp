// SVG transforms and mask files: each transform against its matrix worked
// out by hand, ancestors applied outside-in, JSON records with tangents.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>

#include "runner/shot/affine.h"
#include "cli/mask_file.h"
#include "cli/mask_select.h"
#include "tool_harness.h"

namespace {

using namespace runner;
using namespace runner::cli;
using cli_test::ScratchDir;
using cli_test::WriteText;

constexpr double PI = 3.14159265358979323846;

struct TransformCase {
    const char* text;
    double x, y;          // a point
    double want_x, want_y;
};

inline void PrintTo(const TransformCase& c, std::ostream* os) { *os << c.text; }

class Transforms : public ::testing::TestWithParam<TransformCase> {};

TEST_P(Transforms, MovePointsLikeTheirMatrices) {
    const TransformCase& c = GetParam();
    Result<Affine> m = ParseTransform(c.text);
    ASSERT_TRUE(m.has_value()) << c.text << ": " << m.error().message;
    runner::MaskPath p;
    p.vertices.push_back({c.x, c.y, 0, 0, 0, 0});
    const runner::MaskPath moved = Transformed(p, *m);
    EXPECT_NEAR(moved.vertices[0].x, c.want_x, 1e-9) << c.text;
    EXPECT_NEAR(moved.vertices[0].y, c.want_y, 1e-9) << c.text;
}

const double T30 = std::tan(30 * PI / 180);

INSTANTIATE_TEST_SUITE_P(
    Kinds, Transforms,
    ::testing::Values(TransformCase{"translate(10 20)", 1, 2, 11, 22},
                      TransformCase{"translate(10)", 1, 2, 11, 2},
                      TransformCase{"scale(2 3)", 1, 2, 2, 6},
                      TransformCase{"scale(-2)", 1, 2, -2, -4},
                      TransformCase{"rotate(90)", 1, 2, -2, 1},
                      TransformCase{"rotate(90, 10, 10)", 11, 10, 10, 11},
                      TransformCase{"skewX(30)", 1, 2, 1 + 2 * T30, 2},
                      TransformCase{"skewY(30)", 1, 2, 1, 2 + T30},
                      TransformCase{"matrix(1 2 3 4 5 6)", 1, 1, 1 + 3 + 5, 2 + 4 + 6},
                      // A list applies right to left: scale first, then translate.
                      TransformCase{"translate(5,0) scale(2)", 1, 1, 7, 2},
                      TransformCase{"scale(2),translate(5,0)", 1, 1, 12, 2},
                      TransformCase{"", 3, 4, 3, 4}));

TEST(Transforms, TangentsMoveByTheLinearPartOnly) {
    Result<Affine> m = ParseTransform("translate(100 100) scale(2 -1)");
    ASSERT_TRUE(m.has_value());
    runner::MaskPath p;
    p.vertices.push_back({1, 1, 3, 4, -5, 6});
    const runner::MaskVertex v = Transformed(p, *m).vertices[0];
    EXPECT_DOUBLE_EQ(v.x, 102);
    EXPECT_DOUBLE_EQ(v.y, 99);
    EXPECT_DOUBLE_EQ(v.in_x, 6);
    EXPECT_DOUBLE_EQ(v.in_y, -4);
    EXPECT_DOUBLE_EQ(v.out_x, -10);
    EXPECT_DOUBLE_EQ(v.out_y, -6);
}

TEST(Transforms, BadListsNameTheirPlace) {
    for (const char* text : {"spin(3)", "translate(1 2", "scale()", "rotate(1 2)", "matrix(1 2 3)", "translate(a)",
                             "skewX(nan)"}) {
        Result<Affine> m = ParseTransform(text);
        ASSERT_FALSE(m.has_value()) << text;
        EXPECT_NE(m.error().message.find("at character"), std::string::npos) << m.error().message;
    }
}

TEST(Transforms, LongListsAddUpAndFailInOneLine) {
    std::string list;
    for (int i = 0; i < 20000; ++i) list += "translate(1 -0.5) ";
    Result<Affine> m = ParseTransform(list);
    ASSERT_TRUE(m.has_value()) << m.error().message;
    EXPECT_EQ(m->e, 20000.0);
    EXPECT_EQ(m->f, -10000.0);
    m = ParseTransform(list + "scale(x)");
    ASSERT_FALSE(m.has_value());
    EXPECT_NE(m.error().message.find("at character 360007: expected a number"), std::string::npos)
        << m.error().message;
    EXPECT_LT(m.error().message.size(), 200u);
}

TEST(SvgMask, UsesTheFirstPathWithEveryAncestorsTransform) {
    ScratchDir dir;
    WriteText(dir / "m.svg",
              "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" transform=\"translate(100 0)\">"
              "<defs/><g transform=\"scale(2)\"><rect/><g><path transform=\"translate(1 1)\" d=\"M 0 0 L 10 0\"/>"
              "</g></g><path d=\"M 500 500 L 600 600\"/></svg>");
    auto paths = ReadSvgMask(dir / "m.svg");
    ASSERT_TRUE(paths.has_value()) << paths.error().message;
    ASSERT_EQ(paths->size(), 1u);
    const auto& v = (*paths)[0].vertices;
    ASSERT_EQ(v.size(), 2u);
    // translate(100 0) . scale(2) . translate(1 1): (0,0) -> (102, 2), (10,0) -> (122, 2).
    EXPECT_DOUBLE_EQ(v[0].x, 102);
    EXPECT_DOUBLE_EQ(v[0].y, 2);
    EXPECT_DOUBLE_EQ(v[1].x, 122);
    EXPECT_DOUBLE_EQ(v[1].y, 2);
    EXPECT_DOUBLE_EQ(v[0].out_x, 20.0 / 3.0);
}

TEST(SvgMask, PathElementsWithANamespacePrefixCount) {
    ScratchDir dir;
    WriteText(dir / "m.svg", "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\"><svg:path d=\"M 1 2 L 3 4\"/></svg:svg>");
    auto paths = ReadSvgMask(dir / "m.svg");
    ASSERT_TRUE(paths.has_value()) << paths.error().message;
    EXPECT_DOUBLE_EQ((*paths)[0].vertices[1].y, 4);
}

TEST(JsonMask, ReadsVerticesTangentsAndClosedFlag) {
    ScratchDir dir;
    WriteText(dir / "m.json",
              "{\"vertices\": [[1, 2], [30, 40], [5, 60]], \"in_tangents\": [[0, 0], [-3, -4], [1, 1]],"
              " \"out_tangents\": [[7, 8], [3, 4], [0, -2]], \"closed\": true}");
    auto paths = ReadJsonMask(dir / "m.json");
    ASSERT_TRUE(paths.has_value()) << paths.error().message;
    const runner::MaskPath& p = (*paths)[0];
    EXPECT_TRUE(p.closed);
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(p.vertices[1].x, 30);
    EXPECT_DOUBLE_EQ(p.vertices[1].in_y, -4);
    EXPECT_DOUBLE_EQ(p.vertices[0].out_x, 7);
    EXPECT_DOUBLE_EQ(p.vertices[2].out_y, -2);
}

struct JsonErrorCase {
    const char* text;
    const char* phrase;
};

inline void PrintTo(const JsonErrorCase& c, std::ostream* os) { *os << c.text; }

class JsonErrors : public ::testing::TestWithParam<JsonErrorCase> {};

TEST_P(JsonErrors, AreNamed) {
    ScratchDir dir;
    WriteText(dir / "m.json", GetParam().text);
    MaskOptions options;
    options.file = dir / "m.json";
    auto mask = LoadMask(options, 320, 180);
    ASSERT_FALSE(mask.has_value()) << GetParam().text;
    EXPECT_NE(mask.error().message.find(GetParam().phrase), std::string::npos) << mask.error().message;
    EXPECT_NE(mask.error().message.find("m.json"), std::string::npos) << mask.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Bad, JsonErrors,
    ::testing::Values(JsonErrorCase{"[1, 2]", "JSON object"},
                      JsonErrorCase{"{}", "no \"vertices\""},
                      JsonErrorCase{"{\"vertices\": [[1, 2, 3]]}", "entry 0"},
                      JsonErrorCase{"{\"vertices\": [[1, \"a\"]]}", "entry 0"},
                      JsonErrorCase{"{\"vertices\": []}", "no vertices"},
                      JsonErrorCase{"{\"vertices\": [[0, 0]], \"closed\": 1}", "\"closed\""},
                      JsonErrorCase{"{\"vertices\": [[0, 0], [1, 1]], \"out_tangents\": [[0, 0]]}", "out_tangents"},
                      JsonErrorCase{"{\"vertices\": [[0, 0], [1, 1]], \"out_tangents\": [[0, 0], [2e7, 0]]}",
                                    "vertex 1 (out tangent)"},
                      JsonErrorCase{"{\"vertices\": [[0, 0], [-1e8, 1]]}", "vertex 1"},
                      JsonErrorCase{"{\"vertices\": [[0, 0], [1e400, 1]]}", "not valid JSON"}));

TEST(MaskSelect, PicksTheRequestedSubpath) {
    MaskOptions options;
    options.path_data = "M 0 0 L 1 1 M 10 10 L 20 20 M 5 5 L 6 6";
    options.index = 1;
    auto mask = LoadMask(options, 320, 180);
    ASSERT_TRUE(mask.has_value()) << mask.error().message;
    ASSERT_TRUE(mask->has_value());
    EXPECT_DOUBLE_EQ((**mask).vertices[0].x, 10);
    options.index = 3;
    EXPECT_FALSE(LoadMask(options, 320, 180).has_value());
    options.path_data.clear();
    auto none = LoadMask(options, 320, 180);
    ASSERT_TRUE(none.has_value());
    EXPECT_FALSE(none->has_value());
}

}  // namespace
