// SVG documents as masks: user units to layer pixels (units, viewBox,
// preserveAspectRatio, nested viewports, fitting onto the layer), which
// element is taken, basic shapes against their path equivalents, the
// messages for what cannot be read, and text that holds either a document
// or path data.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "curve_eval.h"
#include "runner/shot/mask_choice.h"
#include "runner/shot/svg_document.h"
#include "runner/shot/svg_path.h"

namespace {

using namespace runner;
using cli_test::Xy;

constexpr double MM = 96.0 / 25.4;

std::string Doc(const std::string& root_attributes, const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " +
           root_attributes + ">" + body + "</svg>";
}

struct PlacementCase {
    const char* name;
    std::string document;
    std::vector<Xy> vertices;  // where the first subpath's vertices land, in layer pixels
    bool fit_layer = false;
};

inline void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class Placement : public ::testing::TestWithParam<PlacementCase> {};

// On a 320 x 180 layer.
TEST_P(Placement, MapsUserUnitsAsAViewerDoes) {
    const PlacementCase& c = GetParam();
    SvgOptions options;
    options.layer_width = 320;
    options.layer_height = 180;
    options.fit_layer = c.fit_layer;
    auto paths = ParseSvgDocument(c.document, "m.svg", options);
    ASSERT_TRUE(paths.has_value()) << paths.error().message;
    const MaskPath& p = paths->front();
    ASSERT_EQ(p.vertices.size(), c.vertices.size());
    for (size_t i = 0; i < c.vertices.size(); ++i) {
        EXPECT_NEAR(p.vertices[i].x, c.vertices[i].x, 1e-9) << "vertex " << i;
        EXPECT_NEAR(p.vertices[i].y, c.vertices[i].y, 1e-9) << "vertex " << i;
    }
}

const std::string SQUARE = "<path d=\"M 0 0 L 50 50\"/>";

INSTANTIATE_TEST_SUITE_P(
    Documents, Placement,
    ::testing::Values(
        PlacementCase{"millimetres", Doc("width=\"100mm\" height=\"50mm\" viewBox=\"0 0 100 50\"", "<path d=\"M 10 20 L 30 40\"/>"),
                      {{10 * MM, 20 * MM}, {30 * MM, 40 * MM}}},
        PlacementCase{"viewBox origin", Doc("width=\"640\" height=\"480\" viewBox=\"-320 60.75 640 480\"",
                                            "<path d=\"M -320 60.75 L 0 300.75\"/>"),
                      {{0, 0}, {320, 240}}},
        PlacementCase{"inches, points, picas", Doc("width=\"1in\" height=\"72pt\" viewBox=\"0 0 6 6\"", "<path d=\"M 0 0 L 1 1 L 6 6\"/>"),
                      {{0, 0}, {16, 16}, {96, 96}}},
        PlacementCase{"centimetres", Doc("width=\"2.54cm\" height=\"1in\" viewBox=\"0 0 1 1\"", "<path d=\"M 0 0 L 1 1\"/>"),
                      {{0, 0}, {96, 96}}},
        PlacementCase{"meet, centred", Doc("width=\"200\" height=\"100\" viewBox=\"0 0 50 50\"", SQUARE), {{50, 0}, {150, 100}}},
        PlacementCase{"slice, at the bottom", Doc("width=\"200\" height=\"100\" viewBox=\"0 0 50 50\" preserveAspectRatio=\"xMinYMax slice\"", SQUARE),
                      {{0, -100}, {200, 100}}},
        PlacementCase{"stretched", Doc("width=\"200\" height=\"100\" viewBox=\"0 0 50 50\" preserveAspectRatio=\"none\"", SQUARE),
                      {{0, 0}, {200, 100}}},
        PlacementCase{"height from the viewBox's proportions", Doc("width=\"100\" viewBox=\"0 0 50 25\"", SQUARE), {{0, 0}, {100, 100}}},
        PlacementCase{"size from the viewBox", Doc("viewBox=\"10 10 50 25\"", SQUARE), {{-10, -10}, {40, 40}}},
        PlacementCase{"percent of the layer", Doc("width=\"50%\" height=\"50%\" viewBox=\"0 0 100 100\"", "<path d=\"M 0 0 L 100 100\"/>"),
                      {{35, 0}, {125, 90}}},
        PlacementCase{"nested viewport", Doc("width=\"100\" height=\"100\"",
                                             "<svg x=\"10\" y=\"20\" width=\"40\" height=\"40\" viewBox=\"0 0 4 4\"><path d=\"M 1 1 L 2 2\"/></svg>"),
                      {{20, 30}, {30, 40}}},
        PlacementCase{"percent of a nested viewport", Doc("", "<svg x=\"5\" y=\"5\" width=\"50\" height=\"20\"><line x2=\"50%\" y2=\"100%\"/></svg>"),
                      {{5, 5}, {30, 25}}},
        PlacementCase{"fit: same proportions", Doc("width=\"160\" height=\"90\"", "<path d=\"M 0 0 L 160 90\"/>"), {{0, 0}, {320, 180}}, true},
        PlacementCase{"fit: centred", Doc("width=\"100\" height=\"100\"", "<path d=\"M 0 0 L 100 100\"/>"), {{70, 0}, {250, 180}}, true},
        PlacementCase{"fit: stretched", Doc("width=\"100\" height=\"100\" preserveAspectRatio=\"none\"", "<path d=\"M 0 0 L 100 100\"/>"),
                      {{0, 0}, {320, 180}}, true},
        PlacementCase{"fit: an A4 page", Doc("width=\"210mm\" height=\"297mm\" viewBox=\"0 0 210 297\"", "<path d=\"M 0 0 L 210 297\"/>"),
                      {{160 - 105 * 180 / 297.0, 0}, {160 + 105 * 180 / 297.0, 180}}, true}));

struct SelectionCase {
    const char* name;
    std::string body;
    Xy first;             // the chosen subpath's first vertex
    std::string id = "";  // the element asked for
};

inline void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class Selection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(Selection, TakesTheFirstElementDrawn) {
    const SelectionCase& c = GetParam();
    SvgOptions options;
    options.element_id = c.id;
    auto paths = ParseSvgDocument(Doc("", c.body), "m.svg", options);
    ASSERT_TRUE(paths.has_value()) << paths.error().message;
    EXPECT_NEAR(paths->front().vertices[0].x, c.first.x, 1e-9);
    EXPECT_NEAR(paths->front().vertices[0].y, c.first.y, 1e-9);
}

const std::string DRAWN = "<path d=\"M 5 5 L 6 6\"/>";

INSTANTIATE_TEST_SUITE_P(
    Documents, Selection,
    ::testing::Values(
        SelectionCase{"referenced only", "<defs><path d=\"M 1 1 L 2 2\"/></defs><clipPath><rect width=\"9\" height=\"9\"/>"
                                         "</clipPath><mask><circle r=\"3\"/></mask><marker><path d=\"M 0 0 L 9 9\"/></marker>"
                                         "<pattern><line x2=\"4\"/></pattern><symbol><path d=\"M 2 2 L 3 3\"/></symbol>" + DRAWN,
                      {5, 5}},
        SelectionCase{"hidden", "<g display=\"none\"><path d=\"M 1 1 L 2 2\"/></g><path style=\"fill:red; DISPLAY : none "
                                "!important\" d=\"M 3 3 L 4 4\"/>" + DRAWN,
                      {5, 5}},
        SelectionCase{"style shows what the attribute hid", "<path display=\"none\" style=\"display:inline\" d=\"M 7 7 L 8 8\"/>", {7, 7}},
        SelectionCase{"paths without data", "<path/><path d=\" \"/><rect width=\"0\" height=\"4\"/><circle r=\"-1\"/>" + DRAWN, {5, 5}},
        SelectionCase{"use of a path", "<defs><path id=\"p\" d=\"M 1 2 L 3 4\"/></defs><use href=\"#p\" x=\"10\" y=\"20\" transform=\"scale(2)\"/>",
                      {22, 44}},
        SelectionCase{"use of a symbol", "<defs><symbol id=\"s\" viewBox=\"0 0 10 10\"><path d=\"M 5 5 L 10 10\"/></symbol></defs>"
                                         "<use xlink:href=\"#s\" x=\"100\" width=\"20\" height=\"20\"/>",
                      {110, 10}},
        SelectionCase{"use of a hidden path", "<defs><path id=\"p\" display=\"none\" d=\"M 1 2 L 3 4\"/></defs><use href=\"#p\"/>" + DRAWN,
                      {5, 5}},
        SelectionCase{"switch", "<switch><foreignObject requiredExtensions=\"http://example.org/ext\"><path d=\"M 1 1 L 2 2\"/>"
                                "</foreignObject><g><path d=\"M 3 3 L 4 4\"/></g></switch>",
                      {3, 3}},
        SelectionCase{"by id, even for reference only", "<defs><path id=\"p\" d=\"M 1 2 L 3 4\"/></defs>" + DRAWN, {1, 2}, "p"},
        SelectionCase{"by id of a group, in its place", "<g transform=\"translate(10 0)\"><g id=\"grp\"><rect x=\"1\" y=\"2\" "
                                                        "width=\"3\" height=\"4\"/></g></g>",
                      {11, 2}, "grp"}));

struct ShapeCase {
    const char* shape;
    const char* equivalent;  // SVG's path for it
};

inline void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.shape; }

class BasicShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BasicShapes, AreTheirEquivalentPaths) {
    auto got = ParseSvgDocument(Doc("", GetParam().shape), "m.svg");
    ASSERT_TRUE(got.has_value()) << got.error().message;
    auto want = ParsePathData(GetParam().equivalent);
    ASSERT_TRUE(want.has_value()) << want.error().message;
    const MaskPath& g = got->front();
    const MaskPath& w = want->front();
    EXPECT_EQ(g.closed, w.closed);
    ASSERT_EQ(g.vertices.size(), w.vertices.size());
    for (size_t i = 0; i < w.vertices.size(); ++i) {
        const MaskVertex& a = g.vertices[i];
        const MaskVertex& b = w.vertices[i];
        for (auto [x, y] : {std::pair{a.x, b.x}, {a.y, b.y}, {a.in_x, b.in_x}, {a.in_y, b.in_y}, {a.out_x, b.out_x}, {a.out_y, b.out_y}}) {
            EXPECT_NEAR(x, y, 1e-9) << "vertex " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, BasicShapes,
    ::testing::Values(
        ShapeCase{"<rect x=\"1\" y=\"2\" width=\"30\" height=\"40\"/>", "M 1 2 H 31 V 42 H 1 Z"},
        ShapeCase{"<rect width=\"100\" height=\"50\" rx=\"10\"/>",
                  "M 10 0 H 90 A 10 10 0 0 1 100 10 V 40 A 10 10 0 0 1 90 50 H 10 A 10 10 0 0 1 0 40 V 10 A 10 10 0 0 1 10 0 Z"},
        // ry alone sets rx too; each is at most half its side, and sides of no length are left out.
        ShapeCase{"<rect width=\"20\" height=\"10\" ry=\"8\"/>",
                  "M 8 0 H 12 A 8 5 0 0 1 20 5 A 8 5 0 0 1 12 10 H 8 A 8 5 0 0 1 0 5 A 8 5 0 0 1 8 0 Z"},
        ShapeCase{"<rect x=\"1in\" y=\"72pt\" width=\"1pc\" height=\"1pc\"/>", "M 96 96 H 112 V 112 H 96 Z"},
        ShapeCase{"<circle cx=\"50\" cy=\"40\" r=\"10\"/>",
                  "M 60 40 A 10 10 0 0 1 50 50 A 10 10 0 0 1 40 40 A 10 10 0 0 1 50 30 A 10 10 0 0 1 60 40 Z"},
        ShapeCase{"<ellipse cx=\"50\" cy=\"40\" rx=\"20\" ry=\"10\"/>",
                  "M 70 40 A 20 10 0 0 1 50 50 A 20 10 0 0 1 30 40 A 20 10 0 0 1 50 30 A 20 10 0 0 1 70 40 Z"},
        ShapeCase{"<line x1=\"1\" y1=\"2\" x2=\"3\" y2=\"4\"/>", "M 1 2 L 3 4"},
        ShapeCase{"<polyline points=\"1,2 3,4 5 6\"/>", "M 1 2 L 3 4 L 5 6"},
        ShapeCase{"<polygon points=\"1,2,3,4 5,6\"/>", "M 1 2 L 3 4 L 5 6 Z"}));

struct FailureCase {
    const char* name;
    std::string document;
    std::vector<std::string> phrases;
    std::string id = "";
    bool fit_layer = false;
};

inline void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class Failures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Failures, NameWhatIsWrong) {
    const FailureCase& c = GetParam();
    SvgOptions options;
    options.element_id = c.id;
    options.fit_layer = c.fit_layer;
    auto paths = ParseSvgDocument(c.document, "m.svg", options);
    ASSERT_FALSE(paths.has_value()) << c.name;
    for (const std::string& phrase : c.phrases) {
        EXPECT_NE(paths.error().message.find(phrase), std::string::npos) << paths.error().message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Failures,
    ::testing::Values(
        FailureCase{"not XML", "<svg><path d=\"M 0 0 L 1 1\"></svg>", {"m.svg: not a readable SVG document"}},
        FailureCase{"no elements", "", {"m.svg: not a readable SVG document"}},
        FailureCase{"viewBox of three numbers", Doc("viewBox=\"0 0 10\"", DRAWN), {"m.svg", "<svg>", "viewBox=\"0 0 10\"", "four numbers"}},
        FailureCase{"viewBox of no width", Doc("viewBox=\"0 0 0 10\"", DRAWN), {"viewBox", "positive"}},
        FailureCase{"unknown unit", Doc("width=\"3em\"", DRAWN), {"width=\"3em\"", "unknown unit \"em\""}},
        FailureCase{"document of no size", Doc("width=\"0\"", DRAWN), {"width=\"0\"", "must have a size"}},
        FailureCase{"bad aspect", Doc("viewBox=\"0 0 1 1\" preserveAspectRatio=\"xMidYmid\"", DRAWN), {"preserveAspectRatio"}},
        FailureCase{"odd points", Doc("", "<polyline id=\"z\" points=\"1 2 3\"/>"), {"<polyline id=\"z\">", "odd number"}},
        FailureCase{"shape beyond the limit", Doc("", "<rect x=\"9e6\" width=\"9e6\" height=\"1\"/>"), {"<rect>", "coordinate limit"}},
        FailureCase{"bad path data", Doc("", "<path d=\"M 0 0 L 1\"/>"), {"m.svg: <path>: path data: at character 10"}},
        FailureCase{"use in a cycle", Doc("", "<g id=\"a\"><use href=\"#a\"/></g>"), {"<use>", "cycle"}},
        FailureCase{"use of another file", Doc("", "<use href=\"other.svg#a\"/>"), {"other.svg#a", "another document"}},
        FailureCase{"nothing drawn", Doc("", "<defs>" + DRAWN + "</defs><text>M 0 0 L 1 1</text>"), {"no <path> element"}},
        FailureCase{"no such id", Doc("", DRAWN), {"no element has id \"nope\""}, "nope"},
        FailureCase{"id of an empty group", Doc("", "<g id=\"g\"/>" + DRAWN), {"#g holds no <path>"}, "g"},
        FailureCase{"fitting a root that is not <svg>", "<path d=\"M 0 0 L 1 1\"/>",
                    {"m.svg: fitting onto the layer: the root element is not <svg>"}, "", true}));

struct TextCase {
    const char* name;
    std::string text;
    Xy first;                   // the chosen subpath's first vertex
    std::string failure = "";   // the message's start, when refused
};

inline void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class MaskText : public ::testing::TestWithParam<TextCase> {};

// On a 320 x 180 layer, as the frei0r filter's Path takes it.
TEST_P(MaskText, IsADocumentWhenItStartsWithAnAngleBracket) {
    const TextCase& c = GetParam();
    auto mask = MaskFromText(c.text, 0, 320, 180, "Path");
    if (!c.failure.empty()) {
        ASSERT_FALSE(mask.has_value()) << c.name;
        EXPECT_EQ(mask.error().message.rfind(c.failure, 0), 0u) << mask.error().message;
        return;
    }
    ASSERT_TRUE(mask.has_value()) << mask.error().message;
    EXPECT_EQ(mask->vertices[0].x, c.first.x);
    EXPECT_EQ(mask->vertices[0].y, c.first.y);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MaskText,
    ::testing::Values(
        TextCase{"path data", "M 3 4 L 5 6 M 7 8 L 9 9", {3, 4}},
        TextCase{"document after blanks, % of the layer", "\n\t " + Doc("width=\"50%\" viewBox=\"0 0 16 9\"", "<circle r=\"1\"/>"), {10, 0}},
        TextCase{"bad path data", "M 0 0 L 1", {}, "Path: path data: at character 10"},
        TextCase{"bad document", "<svg>", {}, "Path: not a readable SVG document"},
        TextCase{"document without a shape", Doc("", ""), {}, "Path: the SVG document has no <path>"},
        TextCase{"a document's point out of range", Doc("", "<path d=\"M 1 1 L 2 2\" transform=\"translate(2e7)\"/>"), {},
                 "Path: vertex 0 is not a finite coordinate"}));

}  // namespace
