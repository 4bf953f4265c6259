// ringstride on shots: a clip made here with the real ffmpeg, keyframes and
// a moving mask, exact 29.97 fps frame times, sequences, video with alpha
// and sound out, --range chunks and encode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "image_files.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

const char* KEYS = R"({
  "params": {
    "Time": [{"time": 0, "value": 10}, {"time": 0.2, "value": 55, "interpolation": "ease"}, {"time": 0.4, "value": 90}],
    "Max Radius": [{"time": 0, "value": 9, "interpolation": "hold"}, {"time": 0.15, "value": 16}],
    "Edge Color": [{"time": 0, "value": "#FF0000"}, {"time": 0.3, "value": "#0000FF"}],
    "Edge Mode": "Color",
    "Seed": 7
  },
  "mask": [
    {"time": 0, "vertices": [[4.5, 20.5], [155.5, 25.5]], "out_tangents": [[40, 30], [0, 0]], "closed": false},
    {"time": 0.35, "vertices": [[4.5, 70.5], [155.5, 40.5]], "out_tangents": [[40, -30], [0, 0]], "closed": false}
  ]
})";

// A lossless 160x90 clip at 30000/1001 fps with a tone, and the keys.
class Shot : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("ffmpeg -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
        const std::string cmd = "ffmpeg -v error -f lavfi -i testsrc2=size=160x90:rate=30000/1001:duration=0.5 "
                                "-f lavfi -i sine=frequency=440:duration=0.5 -c:v ffv1 -pix_fmt bgr0 -c:a pcm_s16le " +
                                Quote(dir / "clip.mkv");
        ASSERT_EQ(std::system((TimeLimit() + cmd).c_str()), 0);
        WriteText(dir / "keys.json", KEYS);
    }
    ScratchDir dir;
};

TEST_F(Shot, EachFrameIsRenderOfTheDecodedFrameAtItsExactTime) {
    RunResult r = RunTool(dir, {"animate", "clip.mkv", "f_%02d.png", "--keys", "keys.json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("animated 15 frames of 160x90 at 30000/1001 (29.97) fps"), std::string::npos) << r.out;
    Picture first, last;
    for (int i : {0, 6, 14}) {
        const std::string n = std::to_string(i);
        const std::string decode = "ffmpeg -v error -i " + Quote(dir / "clip.mkv") + " -vf " + Quote("select=eq(n\\," + n + ")") +
                                   " -fps_mode passthrough -frames:v 1 -pix_fmt rgba " + Quote(dir / ("d" + n + ".png"));
        ASSERT_EQ(std::system((TimeLimit() + decode).c_str()), 0);
        r = RunTool(dir, {"render", "d" + n + ".png", "r" + n + ".png", "--keys", "keys.json", "--at",
                          std::to_string(i * 1001) + "/30000"});
        ASSERT_EQ(r.code, 0) << r.err;
        Picture animated, rendered;
        ASSERT_TRUE(ReadPicture(dir / ((i < 10 ? "f_0" : "f_") + n + ".png"), &animated));
        ASSERT_TRUE(ReadPicture(dir / ("r" + n + ".png"), &rendered));
        EXPECT_EQ(animated.samples, rendered.samples) << "frame " << i;
        (i == 0 ? first : last) = animated;
    }
    EXPECT_NE(first.samples, last.samples);
}

TEST_F(Shot, VideoOutputsCarryAlphaAndTheSoundCutToTheirLength) {
    struct Case {
        const char* output;
        const char* pix_fmt;
        const char* audio;
    };
    for (const Case& c : {Case{"o.mov", "pix_fmt=yuva444p", "codec_name=pcm_s16le"},
                          Case{"o.mp4", "pix_fmt=yuv420p", "codec_name=aac"},
                          Case{"o.webm", "pix_fmt=yuv420p", "codec_name=opus"}}) {
        const RunResult r = RunTool(dir, {"animate", "clip.mkv", c.output, "--keys", "keys.json", "--frames", "10"});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string video = Probe(dir / c.output, "v:0", "pix_fmt,nb_read_packets,color_space");
        EXPECT_NE(video.find(c.pix_fmt), std::string::npos) << c.output << ": " << video;
        EXPECT_NE(video.find("nb_read_packets=10"), std::string::npos) << c.output << ": " << video;
        EXPECT_NE(video.find("color_space=bt709"), std::string::npos) << c.output << ": " << video;
        EXPECT_NE(Probe(dir / c.output, "a:0", "codec_name").find(c.audio), std::string::npos) << c.output;
        const double seconds = std::atof(
            Capture("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quote(dir / c.output)).c_str());
        EXPECT_NEAR(seconds, 10 * 1001 / 30000.0, 0.03) << c.output;
    }
    // ProRes keeps the transparent background (On Original is off).
    const std::string alpha = Capture("ffmpeg -v error -i " + Quote(dir / "o.mov") +
                                      " -vf alphaextract,format=gray -frames:v 1 -f rawvideo - | od -An -tu1 -v");
    EXPECT_NE(alpha.find(" 0"), std::string::npos);
    EXPECT_EQ(RunTool(dir, {"animate", "clip.mkv", "n.mp4", "--no-audio"}).code, 0);
    EXPECT_EQ(Probe(dir / "n.mp4", "a:0", "codec_name"), "");
}

TEST_F(Shot, SequencesRunFromTheirFirstNumberAndAGapIsNamed) {
    fs::create_directory(dir / "seq");
    ASSERT_EQ(std::system((TimeLimit() + "ffmpeg -v error -i " + Quote(dir / "clip.mkv") +
                           " -frames:v 4 -start_number 7 " + Quote(dir / "seq/in_%03d.png")).c_str()), 0);
    RunResult r = RunTool(dir, {"animate", "seq/in_%03d.png", "s_%d.png", "--mask-d", "M 0 45 H 160"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("animated 4 frames"), std::string::npos) << r.out;
    fs::copy_file(dir / "seq/in_007.png", dir / "seq/in_012.png");
    r = RunTool(dir, {"animate", "seq/in_%03d.png", "g_%d.png"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("seq/in_011.png is missing"), std::string::npos) << r.err;
    r = RunTool(dir, {"encode", "seq/in_%03d.png", "e.mp4"});
    EXPECT_NE(r.err.find("seq/in_011.png is missing"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "e.mp4"));
}

// Chunks of a run hold the same bytes as the whole run, in every depth.
TEST(Range, ChunksAreByteIdenticalToTheWholeRun) {
    ScratchDir dir;
    Picture p;
    p.width = 48;
    p.height = 32;
    for (int i = 0; i < p.width * p.height; ++i) p.samples.insert(p.samples.end(), {double(i % 251), 90, 200, 255});
    ASSERT_TRUE(WritePicture(dir / "in.png", p));
    const std::vector<std::string> look = {"--frames", "7", "--mask-d", "M 0 16 C 20 0 30 30 48 10", "--param",
                                           "time=5..95", "--param", "max radius=9"};
    for (const char* depth : {"8", "16", "32"}) {
        const std::string ext = std::string(depth) == "32" ? ".tif" : ".png";
        auto run = [&](const std::string& pattern, const std::string& range) {
            std::vector<std::string> args = {"animate", "in.png", pattern + ext, "--depth", depth};
            args.insert(args.end(), look.begin(), look.end());
            if (!range.empty()) args.insert(args.end(), {"--range", range});
            const RunResult r = RunTool(dir, args);
            EXPECT_EQ(r.code, 0) << r.err;
        };
        run(std::string("w") + depth + "_%d", "");
        run(std::string("c") + depth + "_%d", "0-2");
        run(std::string("c") + depth + "_%d", "3-6");
        for (int i = 0; i < 7; ++i) {
            const std::string n = std::to_string(i) + ext;
            EXPECT_EQ(ReadText(dir / (std::string("w") + depth + "_" + n)),
                      ReadText(dir / (std::string("c") + depth + "_" + n)))
                << depth << "-bit frame " << i;
        }
    }
    const RunResult e = RunTool(dir, {"encode", "w8_%d.png", "w8.mp4", "--fps", "12"});
    ASSERT_EQ(e.code, 0) << e.err;
    EXPECT_EQ(VideoFrames(dir / "w8.mp4"), 7);
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--range", "3-1"}, {"--range", "0-7"}, {"--range", "x"}}) {
        std::vector<std::string> args = {"animate", "in.png", "b_%d.png", "--frames", "7", bad[0], bad[1]};
        const RunResult r = RunTool(dir, args);
        EXPECT_EQ(r.code, 1) << bad[1];
        EXPECT_EQ(LineCount(r.err), 1) << r.err;
    }
    const RunResult v = RunTool(dir, {"animate", "in.png", "v.mp4", "--frames", "7", "--range", "0-3"});
    EXPECT_NE(v.err.find("encode"), std::string::npos) << v.err;
}

}  // namespace
