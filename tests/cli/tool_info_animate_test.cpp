// ringstride info and animate, and the help texts.
#include <gtest/gtest.h>

#include <ostream>

#include <sstream>

#include "image_files.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

TEST(Info, NamesTheEffectAndListsItsThirteenParameters) {
    ScratchDir dir;
    const RunResult r = RunTool(dir, {"info"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("name:       FolvekRingStride\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("category:   Folvek\n"), std::string::npos);
    EXPECT_NE(r.out.find("match name: FolvekRingStride by Tessovrin\n"), std::string::npos);
    EXPECT_NE(r.out.find("version:    1.0.0 release, build 1"), std::string::npos);
    EXPECT_NE(r.out.find("parameters: 13\n"), std::string::npos);

    const std::vector<std::string> expected = {
        "1. Path: mask path, default none",
        "2. Mode: popup, choices 1 Continuous, 2 Discrete 1, 3 Discrete 2, default Continuous",
        "3. Direction: popup, choices 1 Path, 2 Normal, default Path",
        "4. Time: percent slider, range 0 % to 100 %, slider 0 % to 100 %, 1 decimal, default 50 %",
        "5. Max Radius: integer slider, range 2 to 5000, slider 2 to 500, default 50",
        "6. Min Radius: percent slider, range 0 % to 100 %, slider 0 % to 100 %, 1 decimal, default 10 %",
        "7. Edge Thickness: integer slider, range 1 to 100, slider 1 to 10, default 1",
        "8. Edge Mode: popup, choices 1 Brightness, 2 Color, default Brightness",
        "9. Edge Brightness: float slider, range 0 to 10, slider 0 to 2, 2 decimals, default 1",
        "10. Edge Color: colour, default #FFFFFF",
        "11. Invert: checkbox, default off",
        "12. Seed: integer slider, range 0 to 50000, slider 0 to 100, default 0",
        "13. On Original: checkbox, default off"};
    std::istringstream lines(r.out);
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) == 0) listed.push_back(line.substr(2));
    }
    EXPECT_EQ(listed, expected);
}

// A bare file name is the file in the current folder, not a search of the
// library path.
TEST(Info, LoadsALibraryGivenByABareFileName) {
    ScratchDir dir;
    fs::copy_file(EFFECT_LIBRARY, dir / "copy.so");
    const RunResult r = RunTool(dir, {"info", "--plugin", "copy.so"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("copy.so"), std::string::npos);
    EXPECT_NE(r.out.find("parameters: 13"), std::string::npos);
}

Picture Gradient(int w, int h) {
    Picture p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p.samples.insert(p.samples.end(), {double(x * 255 / (w - 1)), double(y * 255 / (h - 1)), 128.0, 255.0});
        }
    }
    return p;
}

// Time 0..100 over three frames: 0 % and 100 % draw nothing, the middle
// frame (50 %) is exactly what render draws at 50 %.
TEST(Animate, FramesFollowTheAnimatedTimeAndMatchSingleRenders) {
    ScratchDir dir;
    const Picture input = Gradient(160, 90);
    ASSERT_TRUE(WritePicture(dir / "in.png", input));
    fs::create_directory(dir / "frames");
    const std::vector<std::string> common = {"--mask-d", "M 0.5 30.5 C 40 90 120 -20 159.5 60", "--param",
                                             "on-original=on", "--param", "max radius=20"};
    std::vector<std::string> args = {"animate", "in.png", "frames/f_%04d.png", "--frames", "3", "--param", "time=0..100"};
    args.insert(args.end(), common.begin(), common.end());
    RunResult r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("animated 3 frames of 160x90"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("frame 3/3 (100%)"), std::string::npos) << r.err;

    std::vector<std::string> single = {"render", "in.png", "mid.png", "--param", "time=50"};
    single.insert(single.end(), common.begin(), common.end());
    r = RunTool(dir, single);
    ASSERT_EQ(r.code, 0) << r.err;

    Picture f0, f1, f2, mid;
    ASSERT_TRUE(ReadPicture(dir / "frames/f_0000.png", &f0));
    ASSERT_TRUE(ReadPicture(dir / "frames/f_0001.png", &f1));
    ASSERT_TRUE(ReadPicture(dir / "frames/f_0002.png", &f2));
    ASSERT_TRUE(ReadPicture(dir / "mid.png", &mid));
    EXPECT_EQ(f0.samples, input.samples);
    EXPECT_EQ(f2.samples, input.samples);
    EXPECT_EQ(f1.samples, mid.samples);
    EXPECT_NE(f1.samples, input.samples);  // circles were drawn
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"in.png", "mid.png", "frames", "frames/f_0000.png",
                                                  "frames/f_0001.png", "frames/f_0002.png"}));
}

TEST(Animate, ThreadCountDoesNotChangeTheFrames) {
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Gradient(64, 48)));
    for (const char* threads : {"1", "3"}) {
        const RunResult r = RunTool(dir, {"animate", "in.png", std::string("t") + threads + "_%d.png", "--frames", "6",
                                          "--threads", threads, "--mask-d", "M 0 24 L 64 24", "--param", "time=5..95"});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    for (int i = 0; i < 6; ++i) {
        Picture a, b;
        ASSERT_TRUE(ReadPicture(dir / ("t1_" + std::to_string(i) + ".png"), &a));
        ASSERT_TRUE(ReadPicture(dir / ("t3_" + std::to_string(i) + ".png"), &b));
        EXPECT_EQ(a.samples, b.samples) << "frame " << i;
    }
}

struct VideoCase {
    const char* file;
    const char* magic;  // bytes the container starts with
    size_t magic_offset;
};

inline void PrintTo(const VideoCase& c, std::ostream* os) { *os << c.file; }

class Videos : public ::testing::TestWithParam<VideoCase> {};

TEST_P(Videos, HoldEveryFrame) {
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Gradient(63, 35)));  // odd sizes on purpose
    const RunResult r = RunTool(dir, {"animate", "in.png", GetParam().file, "--frames", "5", "--fps", "10", "--mask-d",
                                      "M 0 17.5 H 63", "--param", "time=10..90"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string bytes = ReadText(dir / GetParam().file);
    const std::string magic = GetParam().magic;
    ASSERT_GT(bytes.size(), GetParam().magic_offset + magic.size());
    EXPECT_EQ(bytes.substr(GetParam().magic_offset, magic.size()), magic);
    EXPECT_EQ(VideoFrames(dir / GetParam().file), 5);
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"in.png", GetParam().file}));
}

INSTANTIATE_TEST_SUITE_P(Containers, Videos,
                         ::testing::Values(VideoCase{"clip.gif", "GIF89a", 0}, VideoCase{"clip.mp4", "ftyp", 4},
                                           VideoCase{"clip.webm", "\x1A\x45\xDF\xA3", 0},
                                           VideoCase{"clip.mov", "ftyp", 4}));

TEST(Help, EachCommandDocumentsItsOptions) {
    ScratchDir dir;
    struct HelpCase {
        const char* command;
        std::vector<std::string> phrases;
    };
    const std::vector<HelpCase> cases = {
        {"info", {"--plugin"}},
        {"render", {"INPUT", "OUTPUT", "--mask", "--mask-d", "--mask-index", "--param", "--depth", "--downsample",
                    "premultiplied", ".tif", "--compression", "lossless", "--raw-colour", "sRGB", "linear"}},
        {"animate", {"--frames", "--fps", "--threads", "FROM..TO", ".mp4", ".gif", ".webm", "%04d", "--resume",
                     "--max-memory", "143"}}};
    EXPECT_GT(RunTool(dir, {"render"}).code, 100);  // a malformed command line
    EXPECT_GT(RunTool(dir, {"render", "--depth"}).code, 100);
    for (const HelpCase& c : cases) {
        const RunResult r = RunTool(dir, {c.command, "--help"});
        EXPECT_EQ(r.code, 0) << c.command;
        for (const std::string& phrase : c.phrases) {
            EXPECT_NE(r.out.find(phrase), std::string::npos) << c.command << " help lacks " << phrase;
        }
    }
}

}  // namespace
