// ringstride on clips as editors deliver them, made here by the real
// ffmpeg (64x48, a few frames): trims by stream copy, variable frame rates,
// VP9 with alpha, anamorphic pixels, sound that must stay under its
// frames, float frames encoded on a farm, trims, quick looks, backgrounds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tool_harness.h"

namespace {

using namespace cli_test;

int Sh(const std::string& cmd) { return std::system(("timeout -k 5 120 sh -c " + Quote(cmd)).c_str()); }

// A file's pictures as ffmpeg decodes them, RGBA, every frame one after another.
std::string Pixels(const std::string& file, const std::string& pix_fmt = "rgba") {
    return Capture("timeout -k 5 120 ffmpeg -v error -i " + Quote(file) + " -fps_mode passthrough -f rawvideo -pix_fmt " +
                   pix_fmt + " -");
}

double Duration(const std::string& file, const std::string& stream) {
    return std::atof(Capture("timeout -k 5 120 ffprobe -v error -select_streams " + stream +
                             " -show_entries stream=duration -of csv=p=0 " + Quote(file)).c_str());
}

// When the first beep in the file's sound begins, in seconds; -1 if none.
double BeepAt(const std::string& file) {
    const std::string log = Capture("timeout -k 5 120 ffmpeg -nostats -i " + Quote(file) +
                                    " -af silencedetect=n=-30dB:d=0.05 -f null - 2>&1");
    const size_t at = log.find("silence_end: ");
    return at == std::string::npos ? -1.0 : std::atof(log.c_str() + at + 13);
}

constexpr size_t FRAME_BYTES = 64 * 48 * 4;

class Inputs : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("ffmpeg -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "skipped: ffmpeg is not installed";
    }
    void Make(const std::string& args) { ASSERT_EQ(Sh("cd " + Quote(dir.Path()) + " && ffmpeg -v error -y " + args), 0) << args; }
    ScratchDir dir;
};

// An H.264 clip with B-frames trimmed by stream copy keeps the packets
// before its new start, hidden by an edit list: the shot is what the
// decoder gives, and a quick look takes the frame on screen at its time.
TEST_F(Inputs, StreamCopiedTrimIsTheFramesTheDecoderGives) {
    Make("-f lavfi -i testsrc2=size=64x48:rate=24:duration=3.5 -c:v libx264 -g 12 -bf 2 gop.mp4");
    Make("-ss 1.2 -i gop.mp4 -c copy t.mp4");
    const std::string decoded = Pixels(dir / "t.mp4");
    const int frames = static_cast<int>(decoded.size() / FRAME_BYTES);
    ASSERT_GT(frames, 40);
    RunResult r = RunTool(dir, {"animate", "t.mp4", "f_%02d.png", "--param", "on-original=on"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("animated " + std::to_string(frames) + " frames"), std::string::npos) << r.out;
    EXPECT_EQ(Pixels(dir / ("f_" + std::to_string(frames - 1) + ".png")), decoded.substr((frames - 1) * FRAME_BYTES));
    for (const auto& [at, frame] : std::vector<std::pair<std::string, int>>{{"20f", 20}, {"0.9", 21}, {"0:01.5", 36}}) {
        r = RunTool(dir, {"render", "t.mp4", "q.png", "--at", at, "--param", "on-original=on"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(Pixels(dir / "q.png"), decoded.substr(frame * FRAME_BYTES, FRAME_BYTES)) << at;
    }
    EXPECT_NE(RunTool(dir, {"render", "t.mp4", "q.png", "--at", "9"}).err.find("past the end of t.mp4"), std::string::npos);
}

// 30 frames at 50 fps, then 17 at 12.5: conformed to its average rate, so
// that the video lasts as long as the clip and its sound.
TEST_F(Inputs, VariableRateClipIsConformedAndKeepsItsLength) {
    Make("-f lavfi -i testsrc2=size=64x48:rate=50 -frames:v 47 -vf "
         "\"setpts='if(lt(N,30),N/50,0.6+(N-30)/12.5)/TB'\" -fps_mode vfr -c:v libx264 v.mp4");
    Make("-i v.mp4 -f lavfi -i sine=duration=1.96 -c:v copy -c:a aac vfr.mp4");
    const RunResult r = RunTool(dir, {"animate", "vfr.mp4", "o.mp4"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("vfr.mp4: 47 frames over"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("at a variable rate, conformed to"), std::string::npos) << r.err;
    EXPECT_NEAR(Duration(dir / "o.mp4", "v:0"), Duration(dir / "vfr.mp4", "v:0"), 0.1);
    EXPECT_NEAR(Duration(dir / "o.mp4", "a:0"), Duration(dir / "o.mp4", "v:0"), 0.1);
}

// The tool writes VP9 with alpha; reading it back keeps the alpha. An
// anamorphic clip keeps its pixel aspect in every video out.
TEST_F(Inputs, AlphaOfWebmAndPixelAspectComeThrough) {
    Make("-f lavfi -i testsrc2=size=64x48:rate=25:duration=0.2 -vf setsar=4/3 -c:v libx264 ana.mp4");
    ASSERT_EQ(RunTool(dir, {"animate", "ana.mp4", "a.webm", "--mask-d", "M 0 24 H 64"}).code, 0);
    const RunResult r = RunTool(dir, {"animate", "a.webm", "p_%d.png", "--param", "on-original=on"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string alpha = Capture("ffmpeg -v error -i " + Quote(dir / "p_0.png") +
                                      " -vf alphaextract -f rawvideo -pix_fmt gray - | od -An -tu1 -v");
    EXPECT_NE(alpha.find(" 0 "), std::string::npos) << "the transparent background came back opaque";
    for (const char* out : {"o.mp4", "o.mov"}) {
        ASSERT_EQ(RunTool(dir, {"animate", "ana.mp4", out}).code, 0) << out;
        EXPECT_NE(Probe(dir / out, "v:0", "sample_aspect_ratio").find("4:3"), std::string::npos) << out;
    }
}

// Sound stays under its frames: a beep at 1.5 s of a 29.97 clip.
TEST_F(Inputs, SoundStartsAtTheFirstFramesTime) {
    Make("-f lavfi -i testsrc2=size=64x48:rate=30000/1001:duration=3 -f lavfi -i "
         "\"sine=f=1000:d=3,volume='if(between(t,1.5,1.7),1,0)':eval=frame\" -c:v libx264 -c:a aac beep.mp4");
    // Frames 30 to 58 (a farm's chunk) encoded with the clip's sound, at its rate.
    ASSERT_EQ(RunTool(dir, {"animate", "beep.mp4", "c_%03d.png", "--range", "30-58"}).code, 0);
    RunResult r = RunTool(dir, {"encode", "c_%03d.png", "c.mp4", "--audio", "beep.mp4"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("at 30000/1001 (29.97) fps"), std::string::npos) << r.out;
    EXPECT_NEAR(BeepAt(dir / "c.mp4"), 1.5 - 30 * 1001 / 30000.0, 0.03);
    // A trim: frames 29 (on screen at 1 s) to 59, and their sound.
    r = RunTool(dir, {"animate", "beep.mp4", "t.mp4", "--in", "1", "--out", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("31 frames (29 to 59 of 90)"), std::string::npos) << r.out;
    EXPECT_NEAR(BeepAt(dir / "t.mp4"), 1.5 - 29 * 1001 / 30000.0, 0.03);
    EXPECT_NEAR(Duration(dir / "t.mp4", "a:0"), 31 * 1001 / 30000.0, 0.03);
    // Another rate conforms the picture: both keep their 3 s.
    r = RunTool(dir, {"animate", "beep.mp4", "p.mp4", "--fps", "25"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("conformed to 25 fps: 75 frames"), std::string::npos) << r.err;
    EXPECT_NEAR(Duration(dir / "p.mp4", "v:0"), 3.0, 0.02);
    EXPECT_NEAR(Duration(dir / "p.mp4", "a:0"), 3.0, 0.03);
    EXPECT_NEAR(BeepAt(dir / "p.mp4"), 1.5, 0.03);
}

// A float render of an EXR holds linear light: its float TIFF frames
// (what the farm script writes) encode with --linear to the video animate
// writes straight, byte for byte in the decoded pictures.
TEST_F(Inputs, FloatFramesOfAnExrEncodeLikeAnimate) {
    Make("-f lavfi -i testsrc2=size=64x48 -frames:v 1 in.png");
    ASSERT_EQ(RunTool(dir, {"render", "in.png", "lin.exr", "--depth", "32"}).code, 0);
    const std::vector<std::string> look = {"--frames", "3", "--param", "on-original=on", "--mask-d", "M 0 24 H 64"};
    auto animate = [&](const std::string& out) {
        std::vector<std::string> args = {"animate", "lin.exr", out};
        args.insert(args.end(), look.begin(), look.end());
        ASSERT_EQ(RunTool(dir, args).code, 0) << out;
    };
    animate("direct.mp4");
    animate("f_%d.tif");
    ASSERT_EQ(RunTool(dir, {"encode", "f_%d.tif", "farm.mp4", "--linear"}).code, 0);
    EXPECT_EQ(Pixels(dir / "farm.mp4"), Pixels(dir / "direct.mp4"));
    EXPECT_NE(RunTool(dir, {"encode", "in_%d.png", "x.mp4", "--linear"}).code, 0);
}

// Formats without alpha: a background under a transparent render. Odd
// sizes are reported at the size the video holds; progress says what it
// counts, what is left and when the encoder works on.
TEST_F(Inputs, BackgroundsSizesAndHonestProgress) {
    Make("-f lavfi -i testsrc=size=63x47 -frames:v 1 in.png");
    RunResult r = RunTool(dir, {"animate", "in.png", "o.gif", "--frames", "3", "--background", "#3366CC"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("rendered/s, 0:0"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("encoding o.gif ..."), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("rendering "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("encoder done "), std::string::npos) << r.out;
    r = RunTool(dir, {"animate", "in.png", "o.mp4", "--frames", "2", "--background", "#3366CC"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("of 63x47 (padded to 64x48)"), std::string::npos) << r.out;
    const std::string rgb = Pixels(dir / "o.mp4", "rgb24");
    ASSERT_GE(rgb.size(), 3u);
    EXPECT_NEAR(static_cast<uint8_t>(rgb[0]), 0x33, 3);
    EXPECT_NEAR(static_cast<uint8_t>(rgb[2]), 0xCC, 3);
    Make("-f lavfi -i sine=duration=0.5 s.m4a");
    r = RunTool(dir, {"animate", "s.m4a", "x.mp4"});
    EXPECT_NE(r.err.find("s.m4a: a sound file (aac), with no picture"), std::string::npos) << r.err;
}

TEST_F(Inputs, TrimErrorsNameTheOption) {
    Make("-f lavfi -i testsrc2=size=64x48:rate=24:duration=1 -c:v libx264 c.mp4");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--in", "2"}, "--in 2: past the end of the shot (24 frames, 1 s)"},
        {{"--in", "12f", "--out", "0.25"}, "--out 0.25: comes before --in"},
        {{"--out", "1,5"}, "--out 1,5: expected seconds"},
        {{"--in", "12f", "--range", "0-3"}, "--range 0-3: outside the frames --in and --out keep (12 to 23)"}};
    for (const auto& [extra, message] : cases) {
        std::vector<std::string> args = {"animate", "c.mp4", "f_%d.png"};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = RunTool(dir, args);
        EXPECT_EQ(r.code, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(LineCount(r.err), 1) << r.err;
    }
}

}  // namespace
