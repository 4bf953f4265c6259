// Every kind of bad input: the tool exits non-zero with one line that names
// the culprit, and leaves nothing behind in the folder.
#include <gtest/gtest.h>

#include <ostream>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "image_files.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

const char* SVG_HEAD = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"24\">";

// The files every case starts from.
void MakeFixtures(const ScratchDir& dir) {
    Picture p;
    p.width = 32;
    p.height = 24;
    p.samples.assign(32 * 24 * 4, 200.0);
    ASSERT_TRUE(WritePicture(dir / "in.png", p));
    WriteText(dir / "notimage.png", "this is text, not a picture\n");
    // A header that promises 70000 x 70000 pixels: 19.6e9 bytes at 4 per pixel.
    WriteText(dir / "big.ppm", "P6\n70000 70000\n255\n");
    WriteText(dir / "bad.svg", "<svg><path d=\"M 0 0 L 1 1\"></svg");
    // Only shapes that draw nothing: kept for reference, of no width, without data, hidden.
    WriteText(dir / "nopath.svg", std::string(SVG_HEAD) + "<defs><path d=\"M 0 0 L 1 1\"/></defs><rect width=\"0\" "
                                  "height=\"5\"/><path/><circle r=\"4\" style=\"display: none\"/></svg>");
    WriteText(dir / "scaled.svg", std::string(SVG_HEAD) + "<g transform=\"scale(1e9)\"><path d=\"M 0 0 L 1 1\"/></g></svg>");
    WriteText(dir / "badtransform.svg", std::string(SVG_HEAD) + "<path transform=\"spin(3)\" d=\"M 0 0 L 1 1\"/></svg>");
    WriteText(dir / "baddata.svg", std::string(SVG_HEAD) + "<path d=\"M 0 0 L 1 1 Q 4\"/></svg>");
    WriteText(dir / "bad.json", "{\"vertices\": [[0, 0], [1, 1]");
    WriteText(dir / "far.json", "{\"vertices\": [[0, 0], [3e7, 1]], \"closed\": false}");
    WriteText(dir / "mask.txt", "M 0 0 L 5 5");
    WriteText(dir / "twice.json", "{\"params\": {\"Seed\": 3, \"Seed\": 4}}");
    WriteText(dir / "late.json",
              "{\"params\": {\"Seed\": [{\"time\": 1, \"value\": 3}, {\"frame\": 12, \"value\": 4}]}}");
}

const std::set<std::string> FIXTURES = {"in.png", "notimage.png", "big.ppm", "bad.svg", "nopath.svg",
                                        "scaled.svg", "badtransform.svg", "baddata.svg", "bad.json",
                                        "far.json", "mask.txt", "twice.json", "late.json"};

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> phrases;  // each must appear in the message
};

inline void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, FailsWithOneLineNamingTheCulpritAndWritesNothing) {
    const BadCase& c = GetParam();
    ScratchDir dir;
    MakeFixtures(dir);
    const RunResult r = RunTool(dir, c.args);
    EXPECT_NE(r.code, 0) << c.name;
    EXPECT_EQ(LineCount(r.err), 1) << c.name << ": " << r.err;
    EXPECT_EQ(r.err.rfind("ringstride: ", 0), 0u) << c.name << ": " << r.err;
    for (const std::string& phrase : c.phrases) {
        EXPECT_NE(r.err.find(phrase), std::string::npos) << c.name << ": missing \"" << phrase << "\" in " << r.err;
    }
    EXPECT_EQ(dir.Files(), FIXTURES) << c.name;
}

std::vector<std::string> Render(std::vector<std::string> extra) {
    std::vector<std::string> args = {"render", "in.png", "out.png"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(
        BadCase{"missing arguments", {"render", "in.png"}, {"OUTPUT is required"}},
        BadCase{"no command", {}, {"subcommand"}},
        BadCase{"two masks", Render({"--mask", "far.json", "--mask-d", "M 0 0"}), {"--mask", "--mask-d"}},
        BadCase{"depth not offered", Render({"--depth", "12"}), {"--depth", "12"}},
        BadCase{"missing input", {"render", "nope.png", "out.png"}, {"nope.png", "no such file"}},
        BadCase{"not an image", {"render", "notimage.png", "out.png"}, {"notimage.png", "not an image"}},
        BadCase{"input is a folder", {"render", ".", "out.png"}, {"folder"}},
        BadCase{"too large to address", {"render", "big.ppm", "out.png"}, {"big.ppm", "70000 x 70000", "address"}},
        BadCase{"unsupported output", {"render", "in.png", "out.bmp"}, {"out.bmp", "unsupported output format"}},
        BadCase{"missing output folder", {"render", "in.png", "nodir/out.png"}, {"nodir", "does not exist"}},
        BadCase{"path data syntax", Render({"--mask-d", "M 0 0 L 5 x"}), {"--mask-d", "at character 11", "'x'"}},
        BadCase{"absurd coordinate", Render({"--mask-d", "M 2e7 0 L 0 0"}), {"at character 3", "out of range"}},
        BadCase{"infinite coordinate", Render({"--mask-d", "M 0 0 L 1e999 0"}), {"at character 9", "out of range"}},
        BadCase{"relative walk past the limit", Render({"--mask-d", "M 9e6 0 l 9e6 0"}), {"at character 9"}},
        BadCase{"mask index too high", Render({"--mask-d", "M 0 0 L 1 1 M 2 2 L 3 3", "--mask-index", "2"}),
                {"--mask-index 2 does not exist", "2 subpaths", "0 to 1"}},
        BadCase{"mask index negative", Render({"--mask-d", "M 0 0 L 1 1", "--mask-index", "-1"}),
                {"--mask-index -1 does not exist"}},
        BadCase{"svg not xml", Render({"--mask", "bad.svg"}), {"bad.svg", "not a readable SVG"}},
        BadCase{"svg without a path", Render({"--mask", "nopath.svg"}), {"nopath.svg", "no <path>"}},
        BadCase{"svg element id unknown", Render({"--mask", "nopath.svg#nope"}), {"nopath.svg", "no element has id \"nope\""}},
        BadCase{"mask fit unknown", Render({"--mask-d", "M 0 0 L 1 1", "--mask-fit", "page"}), {"--mask-fit", "page"}},
        BadCase{"json mask fitted", Render({"--mask", "far.json", "--mask-fit", "layer"}), {"far.json", "SVG masks only"}},
        BadCase{"svg transform beyond the limit", Render({"--mask", "scaled.svg"}), {"scaled.svg", "vertex 0"}},
        BadCase{"svg unknown transform", Render({"--mask", "badtransform.svg"}), {"badtransform.svg", "spin"}},
        BadCase{"svg bad path data", Render({"--mask", "baddata.svg"}), {"baddata.svg", "at character 16"}},
        BadCase{"json not json", Render({"--mask", "bad.json"}), {"bad.json", "not valid JSON"}},
        BadCase{"json far vertex", Render({"--mask", "far.json"}), {"far.json", "vertex 1"}},
        BadCase{"mask file missing", Render({"--mask", "gone.svg"}), {"gone.svg", "cannot open"}},
        BadCase{"mask file format", Render({"--mask", "mask.txt"}), {"mask.txt", "unknown mask format"}},
        BadCase{"unknown parameter", Render({"--param", "sparkle=3"}), {"sparkle", "Max Radius"}},
        BadCase{"slider out of range", Render({"--param", "max-radius=6000"}), {"Max Radius", "2 to 5000"}},
        BadCase{"percent out of range", Render({"--param", "time=150"}), {"Time", "0 % to 100 %"}},
        BadCase{"not a number", Render({"--param", "time=nan"}), {"Time", "number"}},
        BadCase{"unknown choice", Render({"--param", "Edge Mode=Neon"}), {"Edge Mode", "Neon", "Brightness", "Color"}},
        BadCase{"range outside animate", Render({"--param", "time=0..100"}), {"Time", "animate"}},
        BadCase{"path as a parameter", Render({"--param", "path=1"}), {"Path", "--mask"}},
        BadCase{"library missing", Render({"--plugin", "nolib.so"}), {"nolib.so"}},
        BadCase{"library is not one", Render({"--plugin", "notimage.png"}), {"notimage.png"}},
        BadCase{"library without entry point", Render({"--plugin", NO_ENTRY_EFFECT}), {"EntryPointFunc"}},
        BadCase{"effect reports an error", Render({"--plugin", FAILING_EFFECT}), {"1234", "Fake failure"}},
        BadCase{"a value reaches a parameter whose id is not its place",
                Render({"--plugin", FAILING_EFFECT, "--param", "gain=3"}), {"1234", "Fake failure"}},
        BadCase{"info of a library without entry point", {"info", "--plugin", NO_ENTRY_EFFECT}, {"EntryPointFunc"}},
        BadCase{"animate to a plain name", {"animate", "in.png", "out.png", "--frames", "3"}, {"out.png", "frame number"}},
        BadCase{"animate with two numbers", {"animate", "in.png", "f%d_%d.png", "--frames", "3"}, {"frame number"}},
        BadCase{"animate no frames", {"animate", "in.png", "f%03d.png", "--frames", "0"}, {"--frames 0"}},
        BadCase{"animate bad fps", {"animate", "in.png", "f%03d.png", "--frames", "2", "--fps", "0"}, {"--fps"}},
        BadCase{"fps of two slashes", {"animate", "in.png", "f%03d.png", "--frames", "2", "--fps", "1/2/3"},
                {"--fps 1/2/3", "expected frames per second"}},
        BadCase{"time out of range", Render({"--at", "1e300"}), {"--at 1e300", "out of range", "0 to 2147483647"}},
        BadCase{"a name twice in a keys file", Render({"--keys", "twice.json"}),
                {"twice.json", "\"Seed\" is given twice in \"params\""}},
        BadCase{"a frame key before a time key at this rate", Render({"--keys", "late.json", "--fps", "24"}),
                {"late.json", "\"Seed\" key 2 (frame 12, 0.5 s at 24 fps): comes before key 1 (time 1)"}},
        BadCase{"animate range out of range", {"animate", "in.png", "f%03d.png", "--frames", "2", "--param", "time=0..101"},
                {"Time", "101"}},
        BadCase{"animate a popup", {"animate", "in.png", "f%03d.png", "--frames", "2", "--param", "mode=1..3"},
                {"Mode", "only sliders"}},
        BadCase{"animate failing effect", {"animate", "in.png", "f%03d.png", "--frames", "5", "--plugin", FAILING_EFFECT},
                {"1234", "Fake failure"}},
        BadCase{"animate failing effect to video", {"animate", "in.png", "clip.gif", "--frames", "5", "--plugin", FAILING_EFFECT},
                {"1234"}},
        BadCase{"compression the format lacks", Render({"--compression", "piz"}), {"--compression piz", "out.png", "zip:N"}},
        BadCase{"compression for video", {"animate", "in.png", "clip.gif", "--frames", "2", "--compression", "zip:1"},
                {"--compression zip:1", "clip.gif"}},
        BadCase{"animate video into a missing folder", {"animate", "in.png", "nodir/clip.gif", "--frames", "2"},
                {"nodir", "does not exist"}}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return "case" + std::to_string(info.index); });

// Permissions do not stop root, so as root the tool runs as nobody.
TEST(BadInputAsUser, UnreadableInputAndUnwritableFolder) {
    std::string wrapper;
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "root without setpriv";
        wrapper = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    ScratchDir dir;
    MakeFixtures(dir);
    fs::permissions(dir.Path(), fs::perms::all);  // let the other user in
    fs::permissions(dir / "in.png", fs::perms::none);
    RunResult r = RunTool(dir, {"render", "in.png", "out.png"}, wrapper);
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("in.png: cannot read"), std::string::npos) << r.err;
    fs::permissions(dir / "in.png", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    r = RunTool(dir, {"render", "in.png", "locked/out.png"}, wrapper);
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("locked/out.png: cannot write in the output folder"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "locked"));
}

}  // namespace

namespace {

// Names only, no stat: files come and go while the tool runs.
bool HasTempFile(const std::string& folder) {
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) return false;
    bool found = false;
    while (const dirent* e = readdir(d)) found = found || std::strstr(e->d_name, ".tmp") != nullptr;
    closedir(d);
    return found;
}

// An interrupted animation removes every frame it has written.
TEST(Interrupt, LeavesNoFramesBehind) {
    ScratchDir dir;
    MakeFixtures(dir);
    const std::string cmd = "cd " + Quote(dir.Path()) + " && exec " + Quote(RINGSTRIDE_EXE) +
                            " animate in.png f_%05d.png --frames 200000 --mask-d 'M 0 12 H 32' --param time=1..99"
                            " > /dev/null 2> " + Quote(dir.Path() + ".err");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until frames are being written, then stop it.
    bool writing = false;
    for (int i = 0; i < 300 && !writing; ++i) {
        usleep(20000);
        writing = HasTempFile(dir.Path());
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(writing);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    const std::string err = ReadText(dir.Path() + ".err");
    std::remove((dir.Path() + ".err").c_str());
    EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
    EXPECT_EQ(dir.Files(), FIXTURES);
}

}  // namespace
