// Keys files through the tool: keys by frame at an exact NTSC rate, a mask
// key given as path data, and the per-frame listing of the values the
// effect gets, which renders the same frame again when fed back.
#include <gtest/gtest.h>

#include <sstream>

#include "image_files.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

const char* MASK_D = "M 0 30 C 20 0 40 48 64 20";

// Mode changes at frame 6 of 29.97 fps: at 6 * 1001 / 30000 s exactly, not
// a hair after it (which would move the change to frame 7).
const char* KEYS = R"({
  "params": {"Mode": [{"time": 0, "value": "Continuous"}, {"frame": 6, "value": "Discrete 2"}],
             "Time": [{"frame": 0, "value": 10}, {"frame": 9, "value": 90, "interpolation": "ease"}],
             "Edge Color": [{"time": 0, "value": "#000000"}, {"frame": 9, "value": "#FF8001"}],
             "Edge Mode": "Color", "Max Radius": 6},
  "mask": {"d": "M 0 30 C 20 0 40 48 64 20"}})";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) out.push_back(field);
    return out;
}

TEST(ShowKeys, ListsEachFramesValuesAndTheyRenderThatFrameAgain) {
    ScratchDir dir;
    Picture p;
    p.width = 64;
    p.height = 48;
    for (int i = 0; i < 64 * 48; ++i) p.samples.insert(p.samples.end(), {double(i % 256), 90, 200, 255});
    ASSERT_TRUE(WritePicture(dir / "in.png", p));
    WriteText(dir / "keys.json", KEYS);
    const std::vector<std::string> shot = {"animate", "in.png", "f_%d.png", "--frames", "10", "--fps", "29.97",
                                           "--keys", "keys.json", "--range", "5-6"};
    std::vector<std::string> args = shot;
    args.push_back("--dry-run");
    RunResult r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;  // the line scripts read, alone without --show-keys

    args.push_back("--show-keys");
    r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].rfind("dry run: frames=10 first=5 last=6 fps=30000/1001 ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("frame=5\ttime=1001/6000\tMode=Continuous\t", 0), 0u) << lines[1];
    const std::vector<std::string> fields = Fields(lines[2]);
    ASSERT_EQ(fields.size(), 8u) << lines[2];
    EXPECT_EQ(fields[0], "frame=6");
    EXPECT_EQ(fields[1], "time=1001/5000");
    EXPECT_EQ(fields[2], "Mode=Discrete 2");
    EXPECT_EQ(fields[7], "mask vertices=2");

    // Frame 6 rendered, and a still rendered with the listed values.
    args = shot;
    args.back() = "6-6";
    r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> still = {"render", "in.png", "still.png", "--at", fields[1].substr(5), "--mask-d", MASK_D};
    for (size_t i = 2; i + 1 < fields.size(); ++i) still.insert(still.end(), {"--param", fields[i]});
    r = RunTool(dir, still);
    ASSERT_EQ(r.code, 0) << r.err;
    Picture frame, again;
    ASSERT_TRUE(ReadPicture(dir / "f_6.png", &frame));
    ASSERT_TRUE(ReadPicture(dir / "still.png", &again));
    EXPECT_EQ(frame.samples, again.samples);
    EXPECT_NE(frame.samples, p.samples);  // circles were drawn
    // Without --keys the time of a still changes nothing: said, not refused.
    EXPECT_EQ(r.err, "ringstride: warning: --at 1001/5000: nothing is keyed without --keys, so a still renders the "
                     "same at every time\n");
}

}  // namespace
