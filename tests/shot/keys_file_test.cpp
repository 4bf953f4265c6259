// Keyframe files: the forms a value may take, and errors that name the
// file, the track and the key.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "definitions.h"
#include "runner/shot/json_mask.h"
#include "runner/shot/keys_file.h"

namespace {

using cli_test::Definitions;
using runner::ParseKeys;

TEST(KeysFile, ReadsTracksConstantsAndAKeyedMask) {
    const auto doc = nlohmann::json::parse(R"({
      "params": {"Time": [{"time": 0, "value": "10%"}, {"time": 2, "value": 100, "interpolation": "ease"}],
                 "Mode": "Discrete 1", "On Original": true, "Edge Color": [{"time": 1, "value": "#FF8000"}]},
      "mask": [{"time": 0, "vertices": [[1, 2], [3, 4]], "in_tangents": [[0, 0], [1, 1]]},
               {"time": 1.5, "vertices": [[5, 6], [7, 8]], "interpolation": "hold"}]})");
    auto keys = ParseKeys(doc, "k.json", Definitions());
    ASSERT_TRUE(keys.has_value()) << keys.error().message;
    ASSERT_EQ(keys->params.size(), 4u);
    const runner::ParamTrack& time = keys->params[3];  // the object's keys come sorted
    EXPECT_EQ(time.label, "Time");
    ASSERT_EQ(time.keys.size(), 2u);
    EXPECT_EQ(time.keys[0].value, 10);
    EXPECT_EQ(time.keys[1].interpolation, runner::KEY_EASE);
    EXPECT_EQ(keys->params[0].color_keys[0].value.green, 0x80);  // Edge Color
    EXPECT_EQ(keys->params[1].keys[0].value, 2);                 // Mode
    EXPECT_EQ(keys->params[2].keys[0].value, 1);                 // On Original
    ASSERT_EQ(keys->mask.size(), 2u);
    EXPECT_EQ(keys->mask[1].interpolation, runner::KEY_HOLD);
    EXPECT_EQ(keys->mask[0].path.vertices[1].in_x, 1);
}

struct BadKeys {
    const char* json;
    const char* phrase;
};

inline void PrintTo(const BadKeys& c, std::ostream* os) { *os << c.json; }

class KeysErrors : public ::testing::TestWithParam<BadKeys> {};

TEST_P(KeysErrors, NameTheFileTrackAndKey) {
    auto r = ParseKeys(nlohmann::json::parse(GetParam().json), "k.json", Definitions());
    ASSERT_FALSE(r.has_value()) << GetParam().json;
    EXPECT_EQ(r.error().message.rfind("k.json: ", 0), 0u) << r.error().message;
    EXPECT_NE(r.error().message.find(GetParam().phrase), std::string::npos) << r.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, KeysErrors,
    ::testing::Values(
        BadKeys{R"({"params": {"Radius": 5}})", "no parameter \"Radius\" (known: Path, Mode"},
        BadKeys{R"({"params": {"Max Radius": [{"time": 0, "value": 5}, {"time": 1, "value": 6000}]}})",
                "\"Max Radius\" key 2 (time 1): 6000 is out of range"},
        BadKeys{R"({"params": {"Time": [{"time": 1, "value": 5}, {"time": 1, "value": 6}]}})",
                "\"Time\" key 2 (time 1): key 1 (time 1) is at the same time"},
        BadKeys{R"({"params": {"Time": [{"time": 1, "value": 5}, {"time": 0.5, "value": 6}]}})",
                "\"Time\" key 2 (time 0.5): comes before key 1 (time 1)"},
        BadKeys{R"({"params": {"Time": [{"frame": 2.5, "value": 5}]}})", "key 1: \"frame\" must be a whole number"},
        BadKeys{R"({"params": {"Time": [{"frame": 2, "time": 1, "value": 5}]}})", "not both"},
        BadKeys{R"({"mask": [{"time": 0, "d": "M 0 0 L 5 x"}]})", "mask key 1 (time 0): path data: at character 11"},
        BadKeys{R"({"mask": [{"time": 0, "d": "M 0 0 L 5 5", "vertices": [[0, 0]]}]})", "leave out \"vertices\""},
        BadKeys{R"({"mask": [{"time": 0, "d": 5}]})", "\"d\" must be SVG path data"},
        BadKeys{R"({"params": {"Time": [{"time": 0, "value": 5, "interpolation": "bezier"}]}})",
                "\"Time\" key 1 (time 0): \"interpolation\" must be"},
        BadKeys{R"({"params": {"Mode": [{"time": 0, "value": "Discrete 9"}]}})", "no choice \"Discrete 9\""},
        BadKeys{R"({"params": {"Time": [{"value": 5}]}})", "\"Time\" key 1: needs a \"time\""},
        BadKeys{R"({"params": {"Time": [{"time": 0, "value": 5, "ease": 1}]}})", "unknown entry \"ease\""},
        BadKeys{R"({"params": {"Path": 1}})", "keyed under \"mask\""},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0], [1, 1]]}, {"time": 2, "vertices": [[0, 0]]}]})",
                "mask: key 1 (time 0) and key 2 (time 2) differ in vertex count (2 and 1 vertices)"},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0]]}, {"frame": 2, "d": "M 0 0 Z"}]})",
                "key 1 (time 0) and key 2 (frame 2) differ in \"closed\" (open and closed)"},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0], [2e7, 0]]}]})", "mask key 1 (time 0): vertex 1"},
        BadKeys{R"({"frames": 3})", "unknown entry \"frames\""}));

// Keys by frame land on exactly the time the host gives that frame, at
// whatever rate the shot turns out to have; "d" keys are path data.
TEST(KeysFile, FrameKeysArePlacedAtTheShotsRate) {
    const auto doc = nlohmann::json::parse(R"({
      "params": {"Mode": [{"time": 0, "value": 1}, {"frame": 6, "value": 3}],
                 "Edge Color": [{"frame": 0, "value": "#000000"}, {"time": 0.25, "value": "#FFFFFF"}]},
      "mask": [{"frame": 0, "d": "M 0 0 C 1 1 2 2 3 3"}, {"frame": 6, "vertices": [[0, 0], [9, 9]]}]})");
    auto keys = ParseKeys(doc, "k.json", Definitions());
    ASSERT_TRUE(keys.has_value()) << keys.error().message;
    EXPECT_EQ(keys->mask[0].path.vertices[0].out_x, 1);
    for (const runner::Fraction rate : {runner::Fraction{30000, 1001}, {24, 1}, {60000, 1001}}) {
        auto placed = runner::PlaceKeys(*keys, rate);
        ASSERT_TRUE(placed.has_value()) << placed.error().message;
        const double frame6 = runner::MakeTiming(8, rate).value().SecondsOf(6);
        EXPECT_EQ(placed->params[1].keys[1].time, frame6);  // Mode
        EXPECT_EQ(placed->mask[1].time, frame6);
        EXPECT_EQ(placed->params[0].color_keys[1].time, 0.25);
    }
    // Whether a frame key follows a time key depends on the rate: equal
    // (1 fps) and earlier (2 fps) are refused, naming both keys.
    const char* late_text = R"({"params": {"Time": [{"time": 1, "value": 0}, {"frame": 1, "value": 5}]}})";
    auto late = ParseKeys(nlohmann::json::parse(late_text), "k.json", Definitions());
    ASSERT_TRUE(late.has_value());
    EXPECT_FALSE(runner::PlaceKeys(*late, {1, 1}).has_value());
    auto refused = runner::PlaceKeys(*late, {2, 1});
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error().message,
              "k.json: \"Time\" key 2 (frame 1, 0.5 s at 2 fps): comes before key 1 (time 1); keys go in time order");
    EXPECT_TRUE(runner::PlaceKeys(*late, {1, 2}).has_value());
}

// The parser keeps the last of two equal names; we refuse them, saying where.
TEST(KeysFile, NamesGivenTwiceAreRefused) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {R"({"params": {"Seed": 3, "Seed": 4}})", "k.json: \"Seed\" is given twice in \"params\""},
        {R"({"params": {"Seed": 3}, "params": {"Time": 5}})", "k.json: \"params\" is given twice"},
        {R"({"params": {"Time": [{"time": 0, "value": 1}, {"time": 1, "time": 2, "value": 1}]}})",
         "k.json: \"time\" is given twice in \"params\" \"Time\" entry 2"},
        {R"({"mask": [{"time": 0, "vertices": [[0, 0]], "vertices": [[1, 1]]}]})",
         "k.json: \"vertices\" is given twice in \"mask\" entry 1"},
    };
    for (const auto& c : cases) {
        auto r = runner::ParseJsonText(c.text, "k.json");
        ASSERT_FALSE(r.has_value()) << c.text;
        EXPECT_EQ(r.error().message, c.message);
    }
    EXPECT_TRUE(runner::ParseJsonText(R"({"a": {"x": 1}, "b": {"x": 2}, "c": [{"x": 1}, {"x": 2}]})", "k.json"));
}

TEST(KeysFile, MalformedJsonIsPlacedByLineAndColumn) {
    const std::string file = ::testing::TempDir() + "bad_keys.json";
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("{\n  \"params\": {\n    \"Time\": [1, 2,]\n  }\n}\n", f);
    std::fclose(f);
    auto r = runner::ReadKeysFile(file, Definitions());
    std::remove(file.c_str());
    ASSERT_FALSE(r.has_value());
    EXPECT_NE(r.error().message.find("not valid JSON at line 3, column 19"), std::string::npos) << r.error().message;
}

}  // namespace
