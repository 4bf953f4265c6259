// The ringstride tool on bad files and bad arguments: each case names what
// it hands the tool, the exit status and the words of its one-line message,
// and checks that the scratch folder holds exactly what it held before (no
// output, no partial or temporary file, an existing output left as it was).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <string>
#include <vector>

#include "robustness_support.h"

namespace {

using robustness::Scratch;
using robustness::WriteFile;

// A 32 x 24 binary PPM: a format every OpenImageIO build reads, written
// without any image library.
std::string Ppm(int width, int height) {
    std::string s = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int i = 0; i < width * height; ++i) s += std::string{'\x50', '\x90', '\x20'};
    return s;
}

// <use> references ten deep, each of ten more: ten million shapes to look
// at, in a few kilobytes.
std::string UseBomb() {
    std::string s = "<svg xmlns='http://www.w3.org/2000/svg'><defs><g id='a0'><path/></g>";
    for (int k = 1; k <= 7; ++k) {
        s += "<g id='a" + std::to_string(k) + "'>";
        for (int i = 0; i < 10; ++i) s += "<use href='#a" + std::to_string(k - 1) + "'/>";
        s += "</g>";
    }
    return s + "</defs><use href='#a7'/></svg>";
}

struct ToolCase {
    const char* name;
    std::vector<std::string> args;            // "@" stands for the scratch folder
    std::vector<std::pair<std::string, std::string>> files;  // written before the run
    int expected_code;
    const char* message;  // words standard error must hold
};

const std::string PLUGIN = "--plugin=" RINGSTRIDE_EFFECT_PATH;
const std::string IN = "in.ppm";

const std::vector<ToolCase>& Cases() {
    static const std::vector<ToolCase> cases = {
        {"input file missing", {"render", "missing.png", "out.png", PLUGIN}, {}, 1, "missing.png: no such file"},
        {"input is a folder", {"render", "sub", "out.png", PLUGIN}, {{"sub/keep.txt", "x"}}, 1, "is a folder, not an image"},
        {"input is text named .png", {"render", "text.png", "out.png", PLUGIN}, {{"text.png", "hello\n"}}, 1, "not an image this tool can read"},
        {"input file empty", {"render", "empty.png", "out.png", PLUGIN}, {{"empty.png", ""}}, 1, "not an image this tool can read"},
        {"input image data cut short", {"render", "short.ppm", "out.png", PLUGIN}, {{"short.ppm", Ppm(32, 24).substr(0, 200)}}, 1, "cannot read its pixels"},
        {"input header claims 100000 x 100000 pixels", {"render", "vast.ppm", "out.png", PLUGIN}, {{"vast.ppm", "P6\n100000 100000\n255\n" + std::string(64, '\0')}}, 1, "more than the effect can address"},
        {"PNG claiming 30000 x 30000 pixels in 120 bytes", {"render", "huge.png", "out.png", PLUGIN}, {{"huge.png", robustness::PngClaiming(30000, 30000)}}, 1, "damaged PNG file"},
        {"PNG chunk claiming 1.9 GB", {"render", "liar.png", "out.png", PLUGIN}, {{"liar.png", robustness::PngClaiming(4, 4).substr(0, 33) + robustness::Be32(1952543336u) + "tEXt" + std::string(40, 'x')}}, 1, "damaged PNG file"},
        {"output extension .bmp", {"render", IN, "out.bmp", PLUGIN}, {}, 1, "unsupported output format \".bmp\""},
        {"output without extension", {"render", IN, "out", PLUGIN}, {}, 1, "unsupported output format"},
        {"output folder missing", {"render", IN, "nowhere/out.png", PLUGIN}, {}, 1, "does not exist"},
        {"output folder is a file", {"render", IN, "in.ppm/out.png", PLUGIN}, {}, 1, "does not exist"},
        {"output folder not writable (/proc)", {"render", IN, "/proc/out.png", PLUGIN}, {}, 1, "cannot write in the output folder"},
        {"path data cut short", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 10 10 L"}, {}, 1, "path data: at character 10"},
        {"path data with a letter for a number", {"render", IN, "out.png", PLUGIN, "--mask-d", "M nan 0 L 5 5"}, {}, 1, "expected a number for 'M'"},
        {"absurd coordinate 1e9", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 1e9 0 L 0 0"}, {}, 1, "out of range"},
        {"infinite coordinate 1e400", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 0 0 L 1e400 0"}, {}, 1, "out of range"},
        {"mask file missing", {"render", IN, "out.png", PLUGIN, "--mask", "none.json"}, {}, 1, "cannot open the mask file"},
        {"mask JSON not JSON", {"render", IN, "out.png", PLUGIN, "--mask", "bad.json"}, {{"bad.json", "{\"vertices\": [[1,"}}, 1, "not valid JSON"},
        {"mask JSON vertex not a pair", {"render", IN, "out.png", PLUGIN, "--mask", "m.json"}, {{"m.json", "{\"vertices\": [[1,2],[3]]}"}}, 1, "is not a pair of numbers"},
        {"mask JSON coordinate 1e300", {"render", IN, "out.png", PLUGIN, "--mask", "m.json"}, {{"m.json", "{\"vertices\": [[1e300,2],[3,4]]}"}}, 1, "not a finite coordinate"},
        {"mask SVG without a path", {"render", IN, "out.png", PLUGIN, "--mask", "m.svg"}, {{"m.svg", "<svg><rect/></svg>"}}, 1, "has no <path> element"},
        {"mask SVG not XML", {"render", IN, "out.png", PLUGIN, "--mask", "m.svg"}, {{"m.svg", "<svg><path d='M0 0'"}}, 1, "not a readable SVG document"},
        {"mask SVG of ten million <use> copies", {"render", IN, "out.png", PLUGIN, "--mask", "m.svg"}, {{"m.svg", UseBomb()}}, 1, "more than 1000000 elements to look at"},
        {"mask SVG whose <use> draws itself", {"render", IN, "out.png", PLUGIN, "--mask", "m.svg"}, {{"m.svg", "<svg><g id='g'><use href='#g'/></g></svg>"}}, 1, "a cycle"},
        {"mask SVGZ cut short", {"render", IN, "out.png", PLUGIN, "--mask", "m.svgz"}, {{"m.svgz", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xb3\x29", 12)}}, 1, "not a readable gzip-compressed SVG"},
        {"mask of unknown extension", {"render", IN, "out.png", PLUGIN, "--mask", "m.txt"}, {{"m.txt", "M 0 0"}}, 1, "unknown mask format"},
        {"mask index beyond the subpaths", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 0 0 L 5 5", "--mask-index", "4"}, {}, 1, "--mask-index 4 does not exist"},
        {"both --mask and --mask-d", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 0 0 L 5 5", "--mask", "m.json"}, {}, 108, "excludes"},
        {"parameter that does not exist", {"render", IN, "out.png", PLUGIN, "--param", "bogus=3"}, {}, 1, "no parameter \"bogus\""},
        {"parameter outside its range", {"render", IN, "out.png", PLUGIN, "--param", "max-radius=99999"}, {}, 1, "out of range for \"Max Radius\""},
        {"parameter value not a number", {"render", IN, "out.png", PLUGIN, "--param", "seed=abc"}, {}, 1, "expects a number"},
        {"parameter without a value", {"render", IN, "out.png", PLUGIN, "--param", "seed"}, {}, 1, "expected NAME=VALUE"},
        {"plugin file missing", {"render", IN, "out.png", "--plugin", "none.so"}, {}, 1, "none.so: no such file"},
        {"plugin not a library", {"render", IN, "out.png", "--plugin", "fake.so"}, {{"fake.so", "not a library\n"}}, 1, "not a readable ELF file"},
        {"depth 12", {"render", IN, "out.png", PLUGIN, "--depth", "12"}, {}, 105, "not in {8,16,32}"},
        {"downsample 0", {"render", IN, "out.png", PLUGIN, "--downsample", "0"}, {}, 105, "not in range 1 to 256"},
        {"no subcommand", {}, {}, 106, "A subcommand is required"},
        {"animate with 0 frames", {"animate", IN, "f_%04d.png", PLUGIN, "--frames", "0"}, {}, 1, "must be 1 to 1000000"},
        {"animate to a single image name", {"animate", IN, "f.png", PLUGIN, "--frames", "2"}, {}, 1, "a pattern with one frame number"},
        {"animated parameter outside its range", {"animate", IN, "f_%04d.png", PLUGIN, "--frames", "2", "--param", "time=0..500"}, {}, 1, "out of range for \"Time\""},
        {"existing output kept when the mask is bad", {"render", IN, "out.png", PLUGIN, "--mask-d", "M 0 0 L"}, {{"out.png", "previous render"}}, 1, "path data"},
    };
    return cases;
}

class ToolRobustness : public ::testing::TestWithParam<size_t> {};

TEST_P(ToolRobustness, RefusesWithOneLineAndLeavesTheFolderAsItWas) {
    const ToolCase& c = Cases()[GetParam()];
    SCOPED_TRACE(c.name);
    Scratch dir;
    WriteFile(dir / IN, Ppm(32, 24));
    for (const auto& [name, bytes] : c.files) {
        robustness::fs::create_directories(robustness::fs::path(dir / name).parent_path());
        WriteFile(dir / name, bytes);
    }
    const auto before = dir.Contents();

    const robustness::ToolRun run = robustness::RunTool(RINGSTRIDE_EXE, c.args, dir.Path());

    EXPECT_EQ(run.code, c.expected_code) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("AddressSanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
    // Our errors are one line starting with the tool's name (an image
    // library may have printed its own complaint before it).
    if (run.code == 1) {
        EXPECT_EQ(run.err.find("ringstride: "), run.err.rfind("ringstride: ")) << run.err;
        EXPECT_NE(run.err.find("ringstride: "), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n', run.err.find("ringstride: ")), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(dir.Contents(), before);
}

std::string CaseName(const ::testing::TestParamInfo<size_t>& info) {
    std::string out = "t" + std::to_string(info.param) + "_";
    for (const char* p = Cases()[info.param].name; *p != '\0'; ++p) {
        out += std::isalnum(static_cast<unsigned char>(*p)) != 0 ? *p : '_';
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Table, ToolRobustness, ::testing::Range<size_t>(0, Cases().size()), CaseName);

// 257 MiB of blanks compress to 256 kB; the tool stops inflating at 256 MiB.
TEST(ToolRobustnessMasks, ACompressedMaskInflatingPastTheLimitIsRefused) {
    Scratch dir;
    WriteFile(dir / IN, Ppm(32, 24));
    std::string packed(1 << 20, '\0');
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    const std::string blanks(1 << 20, ' ');
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    for (int mib = 0; mib < 257; ++mib) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(blanks.data()));
        z.avail_in = static_cast<uInt>(blanks.size());
        ASSERT_EQ(deflate(&z, mib == 256 ? Z_FINISH : Z_NO_FLUSH), mib == 256 ? Z_STREAM_END : Z_OK);
    }
    packed.resize(z.total_out);
    deflateEnd(&z);
    WriteFile(dir / "big.svgz", packed);
    const robustness::ToolRun run =
        robustness::RunTool(RINGSTRIDE_EXE, {"render", IN, "out.png", PLUGIN, "--mask", "big.svgz"}, dir.Path());
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("big.svgz: the SVG document is larger than 256 MiB"), std::string::npos) << run.err;
    EXPECT_EQ(dir.Contents().count("out.png"), 0u);
}

// A render that succeeds next to the failing ones: the table's inputs are
// good apart from the one thing each case breaks.
TEST(ToolRobustnessBaseline, TheTableInputRendersWhenNothingIsBroken) {
    Scratch dir;
    WriteFile(dir / IN, Ppm(32, 24));
    const robustness::ToolRun run =
        robustness::RunTool(RINGSTRIDE_EXE, {"render", IN, "out.png", PLUGIN, "--mask-d", "M 0 12 L 32 12"}, dir.Path());
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(dir.Contents().count("out.png"), 1u);
}

// The longest mask the tool accepts: 4000 straight segments of 10^7 pixels,
// 4 * 10^10 units of arc length. The effect ends its walk at its bound, so
// the render finishes and writes its picture.
TEST(ToolRobustnessBaseline, AMaskTooLongToWalkStillRenders) {
    Scratch dir;
    WriteFile(dir / IN, Ppm(32, 24));
    std::string d = "M 0 0";
    for (int i = 0; i < 2000; ++i) d += " L 1e7 0 L 0 1";
    const robustness::ToolRun run = robustness::RunTool(RINGSTRIDE_EXE, {"render", IN, "out.png", PLUGIN, "--mask-d", d}, dir.Path());
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(dir.Contents().count("out.png"), 1u);
}

}  // namespace
