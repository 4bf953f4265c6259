// Keyframe files: the forms a value may take, and errors that name the
// file, the track and the key.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "definitions.h"
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
                "\"Time\" key 2: time 1 does not follow 1"},
        BadKeys{R"({"params": {"Time": [{"time": 0, "value": 5, "interpolation": "bezier"}]}})",
                "\"Time\" key 1 (time 0): \"interpolation\" must be"},
        BadKeys{R"({"params": {"Mode": [{"time": 0, "value": "Discrete 9"}]}})", "no choice \"Discrete 9\""},
        BadKeys{R"({"params": {"Time": [{"value": 5}]}})", "\"Time\" key 1: needs a \"time\""},
        BadKeys{R"({"params": {"Time": [{"time": 0, "value": 5, "ease": 1}]}})", "unknown entry \"ease\""},
        BadKeys{R"({"params": {"Path": 1}})", "keyed under \"mask\""},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0], [1, 1]]}, {"time": 2, "vertices": [[0, 0]]}]})",
                "mask: the keys at times 0 and 2 differ in vertex count"},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0]]}, {"time": 2, "vertices": [[0, 0]], "closed": true}]})",
                "differ in \"closed\""},
        BadKeys{R"({"mask": [{"time": 0, "vertices": [[0, 0], [2e7, 0]]}]})", "mask key 1 (time 0): vertex 1"},
        BadKeys{R"({"frames": 3})", "unknown entry \"frames\""}));

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
