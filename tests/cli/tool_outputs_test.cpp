// What the tool's outputs go through: a full disk, a run stopped by a
// signal or killed and then resumed, a second run on the same output, an
// output that is an input, frames of an earlier run, a picture too large
// for the memory limit.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "image_files.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

// Noise, so that no format compresses it much: 320 x 180 is ~230 KB a frame.
Picture Noise(int w, int h) {
    Picture p;
    p.width = w;
    p.height = h;
    std::mt19937 random(7);
    for (int i = 0; i < w * h; ++i) {
        p.samples.insert(p.samples.end(), {double(random() % 256), double(random() % 256), double(random() % 256), 255.0});
    }
    return p;
}

bool HasFfmpeg() { return std::system("ffmpeg -version > /dev/null 2>&1") == 0; }

// A 2 MiB tmpfs at `path` for the life of the object; Mounted() false where
// it cannot be made (not root, no mount).
class SmallDisk {
public:
    explicit SmallDisk(const std::string& path) : path_(path) {
        fs::create_directory(path);
        mounted_ = geteuid() == 0 && std::system(("mount -t tmpfs -o size=2m tmpfs " + Quote(path) + " 2>/dev/null").c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_ && std::system(("umount " + Quote(path_)).c_str()) != 0) std::fprintf(stderr, "umount failed\n");
    }
    bool Mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};

// The tool running in `dir` while the test goes on; its standard error in a file.
struct Background {
    pid_t pid = -1;
    std::string err;

    Background(const ScratchDir& dir, const std::vector<std::string>& args) : err(dir.Path() + ".bg.err") {
        std::string cmd = "cd " + Quote(dir.Path()) + " && exec " + Quote(RINGSTRIDE_EXE);
        for (const std::string& a : args) cmd += " " + Quote(a);
        cmd += " > /dev/null 2> " + Quote(err) + " < /dev/null";
        pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    // Its wait status, at most 60 s after `signal` (0: none) is sent.
    int Stop(int signal) {
        if (signal != 0) kill(pid, signal);
        int status = 0;
        for (int i = 0; i < 3000 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(20000);
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        return status;
    }
    std::string Err() const { return ReadText(err); }
    ~Background() { std::remove(err.c_str()); }
};

int CountNamed(const ScratchDir& dir, const std::string& part) {
    int n = 0;
    for (const std::string& f : dir.Files()) n += f.find(part) != std::string::npos ? 1 : 0;
    return n;
}

// Files whose name starts with `prefix`: frames, not their temporary files.
int CountStarting(const ScratchDir& dir, const std::string& prefix) {
    int n = 0;
    for (const std::string& f : dir.Files()) n += f.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

// Waits (at most 60 s) until `count` frames named `prefix`... exist.
bool WaitForFiles(const ScratchDir& dir, const std::string& prefix, int count) {
    for (int i = 0; i < 3000; ++i) {
        if (CountStarting(dir, prefix) >= count) return true;
        usleep(20000);
    }
    return false;
}

struct FullDiskCase {
    const char* name;
    std::vector<std::string> args;  // in the scratch folder; "disk/" is the small disk
    int fill_kb;                    // taken up first, so that the write fails early
    bool video;
};

inline void PrintTo(const FullDiskCase& c, std::ostream* os) { *os << c.name; }

class FullDisk : public ::testing::TestWithParam<FullDiskCase> {};

// The write fails, the run says so with the cause, and every frame left
// under a frame name is whole.
TEST_P(FullDisk, FailsNamingTheFileAndTheCause) {
    const FullDiskCase& c = GetParam();
    ScratchDir dir;
    SmallDisk disk(dir / "disk");
    if (!disk.Mounted()) GTEST_SKIP() << "skipped: cannot mount a small tmpfs (needs root)";
    if (c.video && !HasFfmpeg()) GTEST_SKIP() << "skipped: ffmpeg is not installed";
    ASSERT_TRUE(WritePicture(dir / "in.png", Noise(320, 180)));
    if (c.video) {
        ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i 'nullsrc=s=320x180:r=24,geq=random(1)*255:128:128' "
                               "-frames:v 60 -c:v ffv1 " + Quote(dir / "noise.mkv")).c_str()), 0);
    }
    if (c.fill_kb > 0) {
        std::ofstream(dir / "disk/fill", std::ios::binary) << std::string(static_cast<size_t>(c.fill_kb) * 1024, 'x');
    }
    const RunResult r = RunTool(dir, c.args);
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(LineCount(r.err.substr(r.err.find("ringstride: "))), 1) << r.err;
    EXPECT_EQ(CountNamed(dir, "ringstride-tmp") + CountNamed(dir, ".lock"), 0);
    for (const std::string& f : dir.Files()) {
        Picture p;
        if (f.rfind("disk/f_", 0) == 0) EXPECT_TRUE(ReadPicture(dir / f, &p)) << f << " is not whole";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FullDisk,
    ::testing::Values(
        FullDiskCase{"png", {"render", "in.png", "disk/x.png", "--param", "on-original=on"}, 1900, false},
        FullDiskCase{"tiff", {"render", "in.png", "disk/x.tif", "--param", "on-original=on"}, 1900, false},
        FullDiskCase{"exr_own_writer", {"render", "in.png", "disk/x.exr", "--param", "on-original=on"}, 1900, false},
        FullDiskCase{"exr_openexr", {"render", "in.png", "disk/x.exr", "--compression", "piz", "--param", "on-original=on"},
                     1900, false},
        FullDiskCase{"frames", {"animate", "in.png", "disk/f_%03d.png", "--frames", "30", "--param", "on-original=on"},
                     0, false},
        FullDiskCase{"video", {"animate", "noise.mkv", "disk/v.mov", "--param", "on-original=on"}, 0, true}),
    [](const ::testing::TestParamInfo<FullDiskCase>& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    int signal;
    int status;  // the exit status; -1: killed
};

inline void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class Stopped : public ::testing::TestWithParam<StopCase> {};

// A run stopped mid-way keeps its finished frames; --resume renders the
// rest, and the frames are those of a run that was never stopped.
TEST_P(Stopped, KeepsFinishedFramesAndResumes) {
    const StopCase& c = GetParam();
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Noise(320, 180)));
    const std::vector<std::string> shot = {"animate", "in.png", "--frames", "100000", "--mask-d", "M 0 90 H 320",
                                           "--param", "time=1..99", "--param", "on-original=on"};
    auto with = [&](const std::string& output, std::vector<std::string> more) {
        std::vector<std::string> args = shot;
        args.insert(args.begin() + 2, output);
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    Background run(dir, with("f_%06d.png", {}));
    ASSERT_TRUE(WaitForFiles(dir, "f_0", 3));
    const int status = run.Stop(c.signal);
    if (c.status < 0) {
        EXPECT_TRUE(WIFSIGNALED(status));
    } else {
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_NE(run.Err().find(std::string("interrupted by ") + c.name), std::string::npos) << run.Err();
        EXPECT_NE(run.Err().find("--resume"), std::string::npos) << run.Err();
        EXPECT_EQ(CountNamed(dir, "ringstride-tmp") + CountNamed(dir, ".lock"), 0);
    }
    const int kept = CountStarting(dir, "f_0");
    const std::string last = std::to_string(kept + 2);
    RunResult r = RunTool(dir, with("f_%06d.png", {"--range", "0-" + last, "--resume"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find(std::to_string(kept) + " of " + std::to_string(kept + 3) + " frames are complete"),
              std::string::npos) << r.err;
    r = RunTool(dir, with("ref_%06d.png", {"--range", "0-" + last}));
    ASSERT_EQ(r.code, 0) << r.err;
    for (int i = 0; i <= kept + 2; ++i) {
        char a[32], b[32];
        std::snprintf(a, sizeof a, "f_%06d.png", i);
        std::snprintf(b, sizeof b, "ref_%06d.png", i);
        EXPECT_EQ(ReadText(dir / a), ReadText(dir / b)) << a;
    }
    EXPECT_EQ(CountNamed(dir, "ringstride-tmp") + CountNamed(dir, ".lock"), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, Stopped,
                         ::testing::Values(StopCase{"SIGINT", SIGINT, 130}, StopCase{"SIGTERM", SIGTERM, 143},
                                           StopCase{"SIGKILL", SIGKILL, -1}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// A signal while ffmpeg finishes a video (a GIF is encoded only once every
// frame is in) waits for it: the video is whole, nothing is left beside it,
// and the run still ends as interrupted.
TEST(VideoFinish, SignalWaitsForTheEncoderAndKeepsTheVideo) {
    if (!HasFfmpeg()) GTEST_SKIP() << "skipped: ffmpeg is not installed";
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Noise(320, 180)));
    auto animate_to = [](const std::string& out) {
        return std::vector<std::string>{"animate", "in.png", out, "--frames", "100", "--mask-d", "M 0 90 H 320",
                                        "--param", "time=1..99", "--param", "on-original=on"};
    };
    const RunResult made = RunTool(dir, animate_to("f_%03d.png"));
    ASSERT_EQ(made.code, 0) << made.err;
    for (const std::vector<std::string>& command :
         {animate_to("v.gif"), std::vector<std::string>{"encode", "f_%03d.png", "v.gif"}}) {
        fs::remove(dir / "v.gif");
        Background run(dir, command);
        for (int i = 0; i < 3000 && run.Err().find("encoding v.gif") == std::string::npos; ++i) usleep(20000);
        const int status = run.Stop(SIGINT);
        ASSERT_TRUE(WIFEXITED(status)) << command[0] << ": " << run.Err();
        EXPECT_EQ(WEXITSTATUS(status), 130) << command[0];
        EXPECT_NE(run.Err().find("interrupted by SIGINT; v.gif was finished first and is whole"), std::string::npos)
            << command[0] << ": " << run.Err();
        EXPECT_EQ(CountNamed(dir, "ringstride-tmp") + CountNamed(dir, ".lock"), 0) << command[0];
        EXPECT_EQ(VideoFrames(dir / "v.gif"), 100) << command[0];
    }
}

// A second run on frames that a first is writing is refused, naming it;
// other frames of the same pattern (a farm's chunks) are not held.
TEST(Lock, SecondRunOnTheSameFramesIsRefused) {
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Noise(64, 48)));
    Background first(dir, {"animate", "in.png", "f_%06d.png", "--frames", "200000", "--range", "0-99999"});
    ASSERT_TRUE(WaitForFiles(dir, "f_0", 1));
    RunResult r = RunTool(dir, {"animate", "in.png", "f_%06d.png", "--frames", "200000", "--range", "5-6"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("frames 5 to 6 are being written by another run (pid " + std::to_string(first.pid)),
              std::string::npos) << r.err;
    EXPECT_NE(r.err.find("started"), std::string::npos) << r.err;
    r = RunTool(dir, {"animate", "in.png", "f_%06d.png", "--frames", "200000", "--range", "100000-100001"});
    EXPECT_EQ(r.code, 0) << r.err;
    first.Stop(SIGTERM);
    EXPECT_EQ(CountNamed(dir, ".lock"), 0);
}

struct SourceCase {
    const char* name;
    std::vector<std::string> args;
};

inline void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

class SourceKept : public ::testing::TestWithParam<SourceCase> {};

// An output that is an input, by any path, is refused before anything is written.
TEST_P(SourceKept, OutputThatIsAnInputIsRefused) {
    if (!HasFfmpeg()) GTEST_SKIP() << "skipped: ffmpeg is not installed";
    ScratchDir dir;
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=10 -frames:v 3 " + Quote(dir / "same.mp4") +
                           " && ffmpeg -v error -i " + Quote(dir / "same.mp4") + " -start_number 0 " + Quote(dir / "f_%d.png"))
                              .c_str()),
              0);
    fs::create_symlink("same.mp4", dir / "link.mp4");
    fs::create_hard_link(dir / "same.mp4", dir / "hard.mp4");
    fs::create_directory(dir / "sub");
    // A '%' that is no frame number, and a '#' that is no mask element.
    fs::copy_file(dir / "f_0.png", dir / "50%.png");
    fs::create_directory(dir / "s#1");
    for (const char* f : {"f_0.png", "f_1.png", "f_2.png"}) fs::copy_file(dir / f, fs::path(dir / "s#1") / f);
    std::map<std::string, std::string> before;
    for (const std::string& f : dir.Files()) before[f] = fs::is_regular_file(dir / f) ? ReadText(dir / f) : "";
    const RunResult r = RunTool(dir, GetParam().args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the output is the input"), std::string::npos) << r.err;
    std::map<std::string, std::string> after;
    for (const std::string& f : dir.Files()) after[f] = fs::is_regular_file(dir / f) ? ReadText(dir / f) : "";
    EXPECT_TRUE(before == after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceKept,
    ::testing::Values(SourceCase{"video_onto_itself", {"animate", "same.mp4", "same.mp4"}},
                      SourceCase{"through_another_path", {"animate", "same.mp4", "sub/../same.mp4"}},
                      SourceCase{"through_a_symbolic_link", {"animate", "link.mp4", "same.mp4"}},
                      SourceCase{"through_a_hard_link", {"animate", "same.mp4", "hard.mp4"}},
                      SourceCase{"sequence_onto_itself", {"animate", "f_%d.png", "./f_%d.png"}},
                      SourceCase{"pattern_over_a_still", {"animate", "f_1.png", "f_%d.png", "--frames", "3"}},
                      SourceCase{"render_onto_itself", {"render", "f_0.png", "sub/../f_0.png"}},
                      SourceCase{"still_named_with_percent", {"render", "50%.png", "50%.png"}},
                      SourceCase{"sequence_in_a_folder_with_hash", {"animate", "s#1/f_%d.png", "s#1/f_%d.png"}},
                      SourceCase{"encode_over_its_frames", {"encode", "f_%d.png", "same.mp4", "--audio", "link.mp4"}}),
    [](const ::testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

// Frames of an earlier, longer run are left alone, and said.
TEST(EarlierFrames, AreCountedNotDeleted) {
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Noise(32, 24)));
    ASSERT_EQ(RunTool(dir, {"animate", "in.png", "f_%02d.png", "--frames", "9"}).code, 0);
    const RunResult r = RunTool(dir, {"animate", "in.png", "f_%02d.png", "--frames", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: f_%02d.png: 6 files numbered past this animation's last frame 2 (3-8)"),
              std::string::npos) << r.err;
    EXPECT_EQ(CountStarting(dir, "f_"), 9);
}

// The memory a run needs is said before it is taken, and held to the limit.
TEST(Memory, TooLargeForTheLimitIsRefusedWithTheFigure) {
    ScratchDir dir;
    WriteText(dir / "big.ppm", "P6\n20000 20000\n255\n");  // 1.6 GB of pixels declared, none there
    struct Case {
        std::vector<std::string> args;
        std::string phrase;
    };
    const std::vector<Case> cases = {
        {{"render", "big.ppm", "out.png", "--max-memory", "2G"}, "need about 6.0 GiB of memory, more than the limit of 2.0 GiB"},
        {{"animate", "big.ppm", "f_%d.png", "--frames", "4", "--threads", "3", "--max-memory", "10G"},
         "with 3 threads, more than the limit of 10.0 GiB; raise it with --max-memory SIZE"},
        {{"render", "big.ppm", "out.png", "--max-memory", "lots"}, "--max-memory lots: expected a size"}};
    for (const Case& c : cases) {
        const RunResult r = RunTool(dir, c.args);
        EXPECT_EQ(r.code, 1) << c.phrase;
        EXPECT_NE(r.err.find(c.phrase), std::string::npos) << r.err;
    }
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"big.ppm"}));
}

}  // namespace
