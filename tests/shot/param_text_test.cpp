// --param against a set of definitions like the ones an effect registers:
// label matching, the value forms of each type, and range errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <utility>

#include "definitions.h"
#include "runner/shot/param_text.h"

namespace {

using cli_test::Definitions;
using runner::ParamDefinition;
using runner::ParamSetting;

// As the command-line tool reads --param, in its own terms.
runner::Result<ParamSetting> ParseParam(const std::string& text, const std::vector<ParamDefinition>& defs,
                                        bool ranges) {
    return runner::ParseParam(text, defs, ranges, "--param " + text, {"--mask FILE or --mask-d PATHDATA", "animate"});
}

struct GoodCase {
    const char* text;
    bool ranges;
    int32_t index;
    double from, to;
};

inline void PrintTo(const GoodCase& c, std::ostream* os) { *os << c.text; }

class GoodValues : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodValues, AreReadInTheUnitsShown) {
    const GoodCase& c = GetParam();
    auto r = ParseParam(c.text, Definitions(), c.ranges);
    ASSERT_TRUE(r.has_value()) << c.text << ": " << r.error().message;
    EXPECT_EQ(r->index, c.index) << c.text;
    EXPECT_DOUBLE_EQ(r->from, c.from) << c.text;
    EXPECT_DOUBLE_EQ(r->to, c.to) << c.text;
    EXPECT_EQ(r->animated, c.from != c.to) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, GoodValues,
    ::testing::Values(GoodCase{"max-radius=80", false, 4, 80, 80},
                      GoodCase{"MAX_RADIUS=2", false, 4, 2, 2},
                      GoodCase{"  max   radius = 5000 ", false, 4, 5000, 5000},
                      GoodCase{"time=37.5", false, 3, 37.5, 37.5},
                      GoodCase{"time=37.5%", false, 3, 37.5, 37.5},
                      GoodCase{"time=0..100", true, 3, 0, 100},
                      GoodCase{"time=90..10", true, 3, 90, 10},
                      GoodCase{"edge brightness=1e-1", false, 5, 0.1, 0.1},
                      GoodCase{"mode=discrete 2", false, 2, 3, 3},
                      GoodCase{"Mode=DISCRETE-1", false, 2, 2, 2},
                      GoodCase{"mode=1", false, 2, 1, 1},
                      GoodCase{"on-original=on", false, 7, 1, 1},
                      GoodCase{"on original=FALSE", false, 7, 0, 0},
                      GoodCase{"On Original=1", false, 7, 1, 1}));

TEST(ParamValues, ColoursAreOpaqueEightBitValues) {
    for (const char* text : {"edge color=#1A2b3C", "Edge-Color=1a2b3c"}) {
        auto r = ParseParam(text, Definitions(), false);
        ASSERT_TRUE(r.has_value()) << r.error().message;
        EXPECT_TRUE(r->is_color);
        EXPECT_EQ(r->color.alpha, 255);
        EXPECT_EQ(r->color.red, 0x1A);
        EXPECT_EQ(r->color.green, 0x2B);
        EXPECT_EQ(r->color.blue, 0x3C);
    }
}

TEST(ParamText, ColoursAreWrittenAsTheyAreRead) {
    const PF_Pixel colour{255, 0x1A, 0x2B, 0xC0};
    EXPECT_EQ(runner::FormatHexColour(colour), "#1A2BC0");
    auto r = ParseParam("edge color=" + runner::FormatHexColour(colour), Definitions(), false);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_EQ(std::memcmp(&r->color, &colour, sizeof colour), 0);
}

// Numbers handed to other programs read back as the same double; whole
// ones are written without an exponent.
TEST(ParamText, ExactNumbersAreShortAndReadBackTheSame) {
    const std::pair<double, const char*> cases[] = {
        {30, "30"},        {-100, "-100"},      {1e14, "100000000000000"}, {1e15, "1e+15"},
        {37.5, "37.5"},    {0.1, "0.1"},        {0.0001, "0.0001"},       {2.5e-7, "2.5e-07"},
        {1.0 / 3, "0.3333333333333333"}, {-0.0, "-0"}};
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(runner::ExactNumber(v), text);
        EXPECT_EQ(std::strtod(text, nullptr), v) << text;
    }
}

struct BadCase {
    const char* text;
    bool ranges;
    const char* phrase;
};

inline void PrintTo(const BadCase& c, std::ostream* os) { *os << c.text; }

class BadValues : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadValues, NameTheParameterAndWhatItTakes) {
    auto r = ParseParam(GetParam().text, Definitions(), GetParam().ranges);
    ASSERT_FALSE(r.has_value()) << GetParam().text;
    EXPECT_NE(r.error().message.find(GetParam().phrase), std::string::npos) << r.error().message;
    EXPECT_EQ(r.error().message.rfind(std::string("--param ") + GetParam().text, 0), 0u) << r.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, BadValues,
    ::testing::Values(BadCase{"radius=5", false, "known: Path, Mode, Time, Max Radius"},
                      BadCase{"=5", false, "no parameter"},
                      BadCase{"max radius=5001", false, "2 to 5000"},
                      BadCase{"max radius=1.5", false, "2 to 5000"},
                      BadCase{"max radius=10.5", false, "whole numbers"},
                      BadCase{"max radius=", false, "no value"},
                      BadCase{"max radius=0x10", false, "expects a number"},
                      BadCase{"max radius=inf", false, "expects a number"},
                      BadCase{"time=-0.1", false, "0 % to 100 %"},
                      BadCase{"time=50..", true, "FROM..TO"},
                      BadCase{"time=10..200", true, "200 is out of range"},
                      BadCase{"time=10..20", false, "animate"},
                      BadCase{"edge brightness=nan", false, "expects a number"},
                      BadCase{"mode=0", false, "1 Continuous, 2 Discrete 1, 3 Discrete 2"},
                      BadCase{"mode=4", false, "no choice \"4\""},
                      BadCase{"mode=1.5", false, "no choice"},
                      BadCase{"mode=1..3", true, "only sliders"},
                      BadCase{"on original=2", false, "checkbox"},
                      BadCase{"edge color=#12345G", false, "#RRGGBB"},
                      BadCase{"edge color=#1234567", false, "#RRGGBB"},
                      BadCase{"path=1", false, "--mask"}));

// Without a front-end's terms, no message names one front-end's means.
TEST(ParamValues, SharedMessagesNameNoFrontEndsFlags) {
    for (const char* text : {"path=1", "path=", "time=10..20"}) {
        auto r = runner::ParseParam(text, Definitions(), false, "Values");
        ASSERT_FALSE(r.has_value()) << text;
        EXPECT_EQ(r.error().message.find("--"), std::string::npos) << r.error().message;
        EXPECT_EQ(r.error().message.find("animate"), std::string::npos) << r.error().message;
    }
}

}  // namespace
