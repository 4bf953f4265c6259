// The plug-in in the real tools, found through FREI0R_PATH: ffmpeg's
// frei0r filter, melt (MLT) and gst-launch-1.0 (GStreamer) render a clip
// written by the test, and each frame they write decodes to the samples
// `ringstride render` writes for the same input frame and values. The PNG
// encoders differ in compression, so decoded samples are compared.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

#include "frei0r_host.h"
#include "melt_run.h"
#include "scenes.h"
#include "tool_support.h"

namespace {

using namespace frei0r_test;

constexpr int CLIP_FRAMES = 25;

enum class Tool { FFMPEG, MELT, GSTREAMER };

const char* ToolName(Tool t) { return t == Tool::FFMPEG ? "ffmpeg" : t == Tool::MELT ? "melt" : "gst-launch-1.0"; }

struct Spec {
    std::string name;
    int type;
    std::string default_text;  // in the scenes' neutral form
};

std::string Number(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// The parameters and their defaults, asked of the plug-in as GStreamer asks.
std::vector<Spec> Specs(const PluginLibrary& lib) {
    std::vector<Spec> out;
    f0r_instance_t instance = lib.construct(W, H);
    const std::vector<HostParamInfo> params = lib.Params();
    for (size_t i = 0; i < params.size(); ++i) {
        Spec s{params[i].name, params[i].type, ""};
        const int index = static_cast<int>(i);
        if (s.type == F0R_PARAM_STRING) {
            char* text = nullptr;
            lib.get_param_value(instance, &text, index);
            s.default_text = text ? text : "";
        } else if (s.type == F0R_PARAM_COLOR) {
            f0r_param_color_t c{};
            lib.get_param_value(instance, &c, index);
            s.default_text = Number(c.r) + "/" + Number(c.g) + "/" + Number(c.b);
        } else {
            double d = 0;
            lib.get_param_value(instance, &d, index);
            s.default_text = Number(d);
        }
        out.push_back(s);
    }
    lib.destruct(instance);
    return out;
}

std::string HexColour(const std::string& rgb) {
    float c[3] = {0, 0, 0};
    std::sscanf(rgb.c_str(), "%f/%f/%f", &c[0], &c[1], &c[2]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", static_cast<int>(std::lround(c[0] * 255)),
                  static_cast<int>(std::lround(c[1] * 255)), static_cast<int>(std::lround(c[2] * 255)));
    return buf;
}

std::string GstName(const std::string& name) {
    std::string out;
    for (char c : name) out += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    return out;
}

class ToolRuns : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<ScratchDir>();
        for (int k = 1; k <= CLIP_FRAMES; ++k) cli_test::WritePicture(*dir_ / FrameName("clip", k), ClipFrame(k));
        cli_test::WriteText(*dir_ / "p64x48.txt",
                            "description=64x48\nframe_rate_num=25\nframe_rate_den=1\nwidth=64\nheight=48\n"
                            "progressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=4\n"
                            "display_aspect_den=3\ncolorspace=709\n");
        PluginLibrary lib(std::string(FREI0R_DIR) + "/ringstride.so");
        if (lib.Ok()) specs_ = Specs(lib);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // Skips when the tool cannot be run here; the reason is shown.
    static std::string Unavailable(Tool tool) {
#ifdef RINGSTRIDE_SANITIZED
        return "the real tools cannot load a plug-in built with sanitizers";
#endif
        if (!HaveProgram(ToolName(tool))) return std::string(ToolName(tool)) + " is not installed (scripts/setup.sh)";
        if (tool == Tool::GSTREAMER &&
            RunCommand(*dir_, Env(tool), "gst-inspect-1.0 frei0r").code != 0) {
            return "GStreamer's frei0r plugin (gstreamer1.0-plugins-bad) is not installed";
        }
        return "";
    }

    static std::string Env(Tool tool) {
        if (tool == Tool::GSTREAMER) return "GST_REGISTRY=" + Quote(*dir_ / "registry.bin");
        if (tool == Tool::MELT) return "SDL_VIDEODRIVER=dummy";
        return "";
    }

    using Values = std::vector<std::pair<std::string, std::string>>;

    // The value `values` gives the parameter (the last of its name), else its default.
    static std::string ValueOf(const Values& values, const Spec& s, bool* given) {
        *given = false;
        std::string v = s.default_text;
        for (const auto& [name, text] : values) {
            if (name == s.name) {
                v = text;
                *given = true;
            }
        }
        return v;
    }

    // ffmpeg's frei0r filter with every value, in order.
    static std::string FfmpegFilter(const Values& values) {
        std::string list;
        for (const Spec& s : specs_) {
            bool given = false;
            std::string v = ValueOf(values, s, &given);
            if (s.type == F0R_PARAM_BOOL) v = std::strtod(v.c_str(), nullptr) >= 0.5 ? "y" : "n";
            list += (list.empty() ? "" : "|") + v;
        }
        return "frei0r=ringstride:'" + list + "'";
    }

    // Frames 1..frames of the clip through the plug-in with `values`
    // (neutral form, by name); the tool writes STEM_k.png.
    static RunResult Run(Tool tool, const Values& values, const std::string& stem, int frames,
                         const std::string& env = "") {
        auto value_of = [&](const Spec& s, bool* given) { return ValueOf(values, s, given); };
        // Frames of an earlier run under the same name would hide a run that wrote none.
        for (int k = 1; k <= frames; ++k) std::remove((*dir_ / FrameName(stem, k)).c_str());
        std::string cmd;
        if (tool == Tool::FFMPEG) {
            cmd = "ffmpeg -nostdin -v error -y -i clip_%d.png -frames:v " + std::to_string(frames) + " -vf " +
                  Quote(FfmpegFilter(values)) + " -pix_fmt rgba " + Quote(stem + "_%d.png");
        } else if (tool == Tool::MELT) {
            cmd = "melt -silent -profile p64x48.txt avformat:clip_%d.png out=" + std::to_string(frames - 1) +
                  " -filter frei0r.ringstride";
            for (const Spec& s : specs_) {
                bool given = false;
                std::string v = value_of(s, &given);
                if (!given) continue;
                if (s.type == F0R_PARAM_COLOR) v = HexColour(v);
                // MLT reads a string holding '=' as keyframes unless it is all in double quotes,
                // and melt's command line takes one pair of quotes away.
                if (s.type == F0R_PARAM_STRING && v.find('=') != std::string::npos) v = "\"\"" + v + "\"\"";
                cmd += " " + Quote(s.name + "=" + v);
            }
            cmd += " -consumer " + Quote("avformat:" + stem + "_%d.png") + " vcodec=png pix_fmt=rgba";
        } else {
            cmd = "gst-launch-1.0 -q multifilesrc location=clip_%d.png index=1 stop-index=" + std::to_string(frames) +
                  " caps=image/png,framerate=25/1 ! pngdec ! videoconvert ! frei0r-filter-ringstride";
            for (const Spec& s : specs_) {
                bool given = false;
                const std::string v = value_of(s, &given);
                if (!given) continue;
                const std::string prop = GstName(s.name);
                if (s.type == F0R_PARAM_COLOR) {
                    float c[3] = {0, 0, 0};
                    std::sscanf(v.c_str(), "%f/%f/%f", &c[0], &c[1], &c[2]);
                    for (int k = 0; k < 3; ++k) cmd += " " + prop + "-" + "rgb"[k] + "=" + Number(c[k]);
                } else if (s.type == F0R_PARAM_BOOL) {
                    cmd += " " + prop + "=" + (std::strtod(v.c_str(), nullptr) >= 0.5 ? "true" : "false");
                } else {
                    cmd += " " + Quote(prop + "=\"" + v + "\"");
                }
            }
            cmd += " ! videoconvert ! pngenc ! multifilesink " + Quote("location=" + stem + "_%d.png") + " index=1";
        }
        if (tool == Tool::MELT) return RunMelt(*dir_, Env(tool) + " " + env, cmd, FrameName(stem, 1));
        return RunCommand(*dir_, Env(tool) + " " + env, cmd);
    }

    // ringstride render of frame k of `clip` with the scene's values, once.
    static std::string Reference(const Scene& s, int k, const std::string& clip = "clip") {
        const std::string name = "ref_" + clip + "_" + s.name + "_" + std::to_string(k) + ".png";
        if (!std::ifstream(*dir_ / name)) {
            const std::string failed = RenderReference(*dir_, FrameName(clip, k), name, s.path_data, s.params);
            EXPECT_EQ(failed, "");
        }
        return *dir_ / name;
    }

    static std::unique_ptr<ScratchDir> dir_;
    static std::vector<Spec> specs_;
};

std::unique_ptr<ScratchDir> ToolRuns::dir_;
std::vector<Spec> ToolRuns::specs_;

struct RenderCase {
    Tool tool;
    Scene scene;
};

void PrintTo(const RenderCase& c, std::ostream* os) { *os << ToolName(c.tool) << " " << c.scene.name; }

class ToolRenders : public ToolRuns, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(ToolRenders, FramesMatchRingstrideRender) {
    const RenderCase& c = GetParam();
    if (const std::string why = Unavailable(c.tool); !why.empty()) GTEST_SKIP() << why;
    ASSERT_FALSE(specs_.empty());
    const std::string stem = std::string(ToolName(c.tool)) + "_" + c.scene.name;
    const RunResult r = Run(c.tool, c.scene.host, stem, 3);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PluginLines(r.err, ""), 0) << r.err;
    for (int k = 1; k <= 3; ++k) {
        const std::string want = Reference(c.scene, k);
        EXPECT_EQ(ComparePictures(*dir_ / FrameName(stem, k), want), "");
        EXPECT_NE(ComparePictures(*dir_ / FrameName("clip", k), want), "") << "the scene draws nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolRenders,
                         ::testing::Values(RenderCase{Tool::FFMPEG, SliderScene()},
                                           RenderCase{Tool::FFMPEG, ValuesScene()},
                                           RenderCase{Tool::MELT, SliderScene()},
                                           RenderCase{Tool::MELT, ValuesScene()},
                                           RenderCase{Tool::GSTREAMER, SliderScene()},
                                           RenderCase{Tool::GSTREAMER, ValuesScene()}));

TEST_F(ToolRuns, MeltKeyframesReachTheEffectFrameByFrame) {
    if (const std::string why = Unavailable(Tool::MELT); !why.empty()) GTEST_SKIP() << why;
    Scene scene = SliderScene();
    for (auto& [name, value] : scene.host) {
        if (name == "Time") value = "0=0;24=1";
    }
    const RunResult r = Run(Tool::MELT, scene.host, "melt_keys", CLIP_FRAMES);
    ASSERT_EQ(r.code, 0) << r.err;
    // Position p is file p + 1; Time reaches p / 24.
    for (const auto& [position, percent] : {std::pair<int, const char*>{6, "25"}, {18, "75"}}) {
        Scene at = SliderScene();
        at.name = position == 6 ? "keys_6" : "keys_18";
        for (std::string& p : at.params) {
            if (p.rfind("time=", 0) == 0) p = std::string("time=") + percent;
        }
        EXPECT_EQ(ComparePictures(*dir_ / FrameName("melt_keys", position + 1), Reference(at, position + 1)), "");
    }
}

struct BadCase {
    Tool tool;
    const char* name;
    const char* value;
    const char* phrase;  // in the one line the plug-in writes
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << ToolName(c.tool) << " " << c.name << "=" << c.value; }

class ToolBadValues : public ToolRuns, public ::testing::WithParamInterface<BadCase> {};

TEST_P(ToolBadValues, PassFramesThroughWithOneLine) {
    const BadCase& c = GetParam();
    if (const std::string why = Unavailable(c.tool); !why.empty()) GTEST_SKIP() << why;
    Values values = SliderScene().host;
    values.emplace_back(c.name, c.value);  // the last of a name counts
    const std::string stem = std::string("bad_") + ToolName(c.tool);
    const RunResult r = Run(c.tool, values, stem, 3);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PluginLines(r.err, c.phrase), 1) << r.err;
    EXPECT_EQ(PluginLines(r.err, ""), 1) << r.err;
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(ComparePictures(*dir_ / FrameName(stem, k), *dir_ / FrameName("clip", k)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryTool, ToolBadValues,
    ::testing::Values(BadCase{Tool::FFMPEG, "Path", "M 4 24 L x 24", "Path: path data: at character 10"},
                      BadCase{Tool::MELT, "Path", "M 4 24 L x 24", "Path: path data: at character 10"},
                      BadCase{Tool::GSTREAMER, "Path", "M 4 24 L x 24", "Path: path data: at character 10"},
                      BadCase{Tool::FFMPEG, "Values", "radius=3", "Values: radius=3: no parameter \"radius\""},
                      BadCase{Tool::MELT, "Values", "max radius=5001", "5001 is out of range"}));

TEST_F(ToolRuns, MissingEffectLibraryIsNamed) {
    if (const std::string why = Unavailable(Tool::FFMPEG); !why.empty()) GTEST_SKIP() << why;
    const RunResult r = Run(Tool::FFMPEG, SliderScene().host, "missing", 1,
                            "RINGSTRIDE_EFFECT_LIBRARY=/nonexistent/FolvekRingStride.so");
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(PluginLines(r.err, "/nonexistent/FolvekRingStride.so"), 1) << r.err;
    EXPECT_FALSE(std::ifstream(*dir_ / FrameName("missing", 1)));
}

// ffmpeg 5.1's frei0r filter hands the plug-in rows at ffmpeg's own stride,
// padded to 64 bytes, so a frame whose width is not a multiple of 16 comes
// out sheared. Padded to such a width before the filter and cropped after
// it (README.md), the frames match ringstride render sample for sample,
// circles cut by the right edge included, as long as the path keeps out of
// the added columns (circles start only where the path is in the frame).
TEST_F(ToolRuns, FfmpegPaddedToSixteenMatchesAtOddWidths) {
    if (const std::string why = Unavailable(Tool::FFMPEG); !why.empty()) GTEST_SKIP() << why;
    ASSERT_FALSE(specs_.empty());
    for (const auto& [width, height] : {std::pair<int, int>{157, 93}, {100, 61}}) {
        const std::string w = std::to_string(width), h = std::to_string(height);
        const std::string clip = "clip" + w + "x" + h, stem = "padded" + w + "x" + h;
        for (int k = 1; k <= 2; ++k) cli_test::WritePicture(*dir_ / FrameName(clip, k), ClipFrame(k, width, height));
        Scene scene = SliderScene();
        scene.name = "edge";
        scene.path_data = "M 20 " + std::to_string(height - 10) + " C 60 10 80 80 " + std::to_string(width - 1) + " 30";
        for (auto& [name, value] : scene.host) {
            if (name == "Path") value = scene.path_data;
        }
        const std::string filter =
            "pad=ceil(iw/16)*16:ih," + FfmpegFilter(scene.host) + ",crop=" + w + ":" + h + ":0:0";
        const RunResult r = RunCommand(*dir_, "", "ffmpeg -nostdin -v error -y -i " + clip + "_%d.png -vf " +
                                                      Quote(filter) + " -pix_fmt rgba " + stem + "_%d.png");
        ASSERT_EQ(r.code, 0) << r.err;
        for (int k = 1; k <= 2; ++k) {
            const std::string want = Reference(scene, k, clip);
            EXPECT_EQ(ComparePictures(*dir_ / FrameName(stem, k), want), "") << clip;
            Picture drawn, input;
            ASSERT_TRUE(cli_test::ReadPicture(want, &drawn));
            ASSERT_TRUE(cli_test::ReadPicture(*dir_ / FrameName(clip, k), &input));
            int changed = 0;  // in the last column
            for (int y = 0; y < height; ++y) changed += drawn.At(width - 1, y, 0) != input.At(width - 1, y, 0);
            EXPECT_GT(changed, 0) << clip << ": no circle reaches the right edge";
        }
    }
}

}  // namespace
