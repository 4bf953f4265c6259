// The plug-in through its exported frei0r functions, in this process: what
// it tells a host, instances on two threads at once, bad values, time.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include "frei0r_host.h"
#include "scenes.h"
#include "tool_support.h"

namespace {

using namespace frei0r_test;

std::vector<uint32_t> Rgba(const Picture& p) {
    std::vector<uint32_t> out(p.samples.size() / 4);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out.data());
    for (size_t i = 0; i < p.samples.size(); ++i) bytes[i] = static_cast<uint8_t>(p.samples[i]);
    return out;
}

class PluginAbi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lib_ = std::make_unique<PluginLibrary>(std::string(FREI0R_DIR) + "/ringstride.so");
        dir_ = std::make_unique<ScratchDir>();
        for (int k = 1; k <= 2; ++k) cli_test::WritePicture(*dir_ / FrameName("clip", k), ClipFrame(k));
    }
    static void TearDownTestSuite() {
        lib_.reset();
        dir_.reset();
    }
    void SetUp() override { ASSERT_TRUE(lib_->Ok()) << lib_->Error(); }

    // The reference frame for a scene and clip frame, rendered once.
    static std::vector<uint32_t> Reference(const Scene& s, int k) {
        const std::string out = *dir_ / (std::string(s.name) + "_ref_" + std::to_string(k) + ".png");
        Picture p;
        if (!cli_test::ReadPicture(out, &p)) {
            EXPECT_EQ(RenderReference(*dir_, FrameName("clip", k), out, s.path_data, s.params), "");
            EXPECT_TRUE(cli_test::ReadPicture(out, &p));
        }
        return Rgba(p);
    }

    static f0r_instance_t Construct(const Scene& s) {
        f0r_instance_t instance = lib_->construct(W, H);
        for (const auto& [name, value] : s.host) EXPECT_TRUE(SetHostValue(*lib_, instance, name, value)) << name;
        return instance;
    }

    std::vector<uint32_t> Update(f0r_instance_t instance, double time, int k) {
        const std::vector<uint32_t> in = Rgba(ClipFrame(k));
        std::vector<uint32_t> out(in.size(), 0xDEADBEEF);
        lib_->update(instance, time, in.data(), out.data());
        return out;
    }

    static std::unique_ptr<PluginLibrary> lib_;
    static std::unique_ptr<ScratchDir> dir_;
};

std::unique_ptr<PluginLibrary> PluginAbi::lib_;
std::unique_ptr<ScratchDir> PluginAbi::dir_;

TEST_F(PluginAbi, DescribesAFilterWithTheEffectsParameters) {
    ASSERT_EQ(lib_->init(), 1);
    f0r_plugin_info_t info{};
    lib_->get_plugin_info(&info);
    EXPECT_STREQ(info.name, "ringstride");
    EXPECT_STREQ(info.author, "Tessovrin");
    EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
    EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
    EXPECT_EQ(info.major_version * 10 + info.minor_version, 10);
    EXPECT_NE(std::string(info.explanation).find("Imagination!"), std::string::npos) << info.explanation;

    struct Expect {
        const char* name;
        int type;
        double default_number;  // doubles and booleans
    };
    const Expect want[] = {{"Path", F0R_PARAM_STRING, 0},          {"Mode", F0R_PARAM_DOUBLE, 1.0 / 6},
                           {"Direction", F0R_PARAM_DOUBLE, 0.25},   {"Time", F0R_PARAM_DOUBLE, 0.5},
                           {"Max Radius", F0R_PARAM_DOUBLE, 48.0 / 498}, {"Min Radius", F0R_PARAM_DOUBLE, 0.1},
                           {"Edge Thickness", F0R_PARAM_DOUBLE, 0}, {"Edge Mode", F0R_PARAM_DOUBLE, 0.25},
                           {"Edge Brightness", F0R_PARAM_DOUBLE, 0.5}, {"Edge Color", F0R_PARAM_COLOR, 0},
                           {"Invert", F0R_PARAM_BOOL, 0},            {"Seed", F0R_PARAM_DOUBLE, 0},
                           {"On Original", F0R_PARAM_BOOL, 0},       {"Values", F0R_PARAM_STRING, 0}};
    const std::vector<HostParamInfo> params = lib_->Params();
    ASSERT_EQ(params.size(), std::size(want));
    f0r_instance_t instance = lib_->construct(W, H);
    ASSERT_NE(instance, nullptr);
    for (size_t i = 0; i < params.size(); ++i) {
        EXPECT_EQ(params[i].name, want[i].name);
        EXPECT_EQ(params[i].type, want[i].type) << want[i].name;
        EXPECT_FALSE(params[i].explanation.empty()) << want[i].name;
        if (want[i].type == F0R_PARAM_DOUBLE || want[i].type == F0R_PARAM_BOOL) {
            double d = -1;
            lib_->get_param_value(instance, &d, static_cast<int>(i));
            EXPECT_DOUBLE_EQ(d, want[i].default_number) << want[i].name;
        }
    }
    lib_->destruct(instance);
    lib_->deinit();
}

TEST_F(PluginAbi, TwoInstancesOnTwoThreadsRenderTheirOwnScenes) {
    const Scene scenes[] = {SliderScene(), ValuesScene()};
    std::vector<uint32_t> want[2][2];
    for (int s = 0; s < 2; ++s) {
        for (int k = 1; k <= 2; ++k) want[s][k - 1] = Reference(scenes[s], k);
    }
    int mismatches[2] = {0, 0};
    auto work = [&](int s) {
        f0r_instance_t instance = Construct(scenes[s]);
        for (int n = 0; n < 40; ++n) {
            const int k = 1 + n % 2;
            if (Update(instance, n / 25.0, k) != want[s][k - 1]) ++mismatches[s];
        }
        lib_->destruct(instance);
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(mismatches[0], 0);
    EXPECT_EQ(mismatches[1], 0);
    EXPECT_NE(want[0][0], Rgba(ClipFrame(1)));  // the scenes draw
    EXPECT_NE(want[1][0], Rgba(ClipFrame(1)));
}

TEST_F(PluginAbi, BadValuesPassFramesThroughUntilMended) {
    struct Bad {
        const char* name;
        const char* value;  // a string, or a double as text ("nan")
        const char* mended;
    };
    const Bad cases[] = {{"Path", "M 4 24 L x 24", "M 4 24 C 20 4 44 44 60 24"},
                         {"Path", "M 1e9 0 L 2 2", "M 4 24 C 20 4 44 44 60 24"},
                         {"Path", "<svg><path d=\"M 0 0 L 1\"/></svg>", "M 4 24 C 20 4 44 44 60 24"},
                         {"Values", "radius=3", ""},
                         {"Values", "max radius=99999", ""},
                         {"Values", "path=M 0 0 L 9 9", ""},
                         {"Max Radius", "nan", "0.02"}};
    const Scene scene = SliderScene();
    const std::vector<uint32_t> want = Reference(scene, 1);
    for (const Bad& c : cases) {
        f0r_instance_t instance = Construct(scene);
        ASSERT_TRUE(SetHostValue(*lib_, instance, c.name, c.value));
        EXPECT_EQ(Update(instance, 0, 1), Rgba(ClipFrame(1))) << c.name << "=" << c.value;
        EXPECT_EQ(Update(instance, 0.04, 1), Rgba(ClipFrame(1))) << c.name << "=" << c.value;
        ASSERT_TRUE(SetHostValue(*lib_, instance, c.name, c.mended));
        EXPECT_EQ(Update(instance, 0.08, 1), want) << c.name << "=" << c.value << " mended";
        lib_->destruct(instance);
    }
}

TEST_F(PluginAbi, PathRemovedAndGivenAgainReachesTheNextFrame) {
    const Scene scene = SliderScene();
    f0r_instance_t instance = Construct(scene);
    EXPECT_EQ(Update(instance, 0, 1), Reference(scene, 1));
    ASSERT_TRUE(SetHostValue(*lib_, instance, "Path", ""));
    EXPECT_EQ(Update(instance, 0.04, 1), Reference(Scene{"slider_unmasked", {}, "", scene.params}, 1));
    ASSERT_TRUE(SetHostValue(*lib_, instance, "Path", scene.path_data));
    EXPECT_EQ(Update(instance, 0.08, 1), Reference(scene, 1));
    lib_->destruct(instance);
}

TEST_F(PluginAbi, PathTakesAnSvgDocumentSizedByTheFrame) {
    Scene scene = SliderScene();
    const std::vector<uint32_t> want = Reference(scene, 1);
    // 100 % of the 64 x 48 frame over a viewBox half its size: the scene's curve at half scale.
    for (auto& [name, value] : scene.host) {
        if (name == "Path") {
            value = "\n <svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100%\" height=\"100%\" viewBox=\"0 0 32 24\">"
                    "<path d=\"M 2 12 C 10 2 22 22 30 12\"/></svg>";
        }
    }
    f0r_instance_t instance = Construct(scene);
    EXPECT_EQ(Update(instance, 0, 1), want);
    lib_->destruct(instance);
}

TEST_F(PluginAbi, ValuesWinOverSlidersAndLeaveThemWhenRemoved) {
    const Scene scene = ValuesScene();
    f0r_instance_t instance = Construct(scene);
    EXPECT_EQ(Update(instance, 0, 1), Reference(scene, 1));
    const char* none = "";
    lib_->set_param_value(instance, &none, 13);  // Values
    // Max Radius 0.9 is 2 + 0.9 * 498 = 450.2, stored as 450; the rest are defaults again.
    EXPECT_EQ(Update(instance, 0.04, 1), Reference(Scene{"slider_only", {}, scene.path_data, {"max radius=450"}}, 1));
    char* text = nullptr;
    lib_->get_param_value(instance, &text, 13);
    EXPECT_STREQ(text, "");
    lib_->destruct(instance);
}

TEST_F(PluginAbi, AnyHostTimeRendersTheFrame) {
    const Scene scene = SliderScene();
    const std::vector<uint32_t> want = Reference(scene, 1);
    f0r_instance_t instance = Construct(scene);
    for (double t : {0.0, 0.04, 3 * 3600.0, 3 * 3600.0 * 1000, 1e300, -5.0, std::nan(""),
                     std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(Update(instance, t, 1), want) << "time " << t;
    }
    lib_->destruct(instance);
}

}  // namespace
