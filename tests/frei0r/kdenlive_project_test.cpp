// The filter in a Kdenlive project. The panel description the build writes
// is read as Kdenlive reads it (the shown value is the frei0r value times
// `factor`, a list entry stands for its `paramlist` value) to turn what a
// user sets in the panel into a .kdenlive project with a keyframed slider,
// a Path and a quoted Values text; melt, and kdenlive_render where it is
// installed, render the project, and each frame decodes to the samples
// `ringstride render` writes for the same input frame with the values in
// the effect's own units.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstdio>
#include <map>
#include <memory>

#include "melt_run.h"
#include "tool_support.h"

namespace {

using namespace frei0r_test;

constexpr int CLIP_FRAMES = 25;  // positions 0..24, one second at 25 fps
// Positions compared, with Time (keyed from 0 % at 0 s to 100 % at 0.96 s) there.
constexpr std::pair<int, const char*> CHECKED[] = {{6, "25"}, {12, "50"}, {18, "75"}};

struct PanelParam {
    std::string name;  // frei0r's, by which the project sets it
    std::string type;
    double factor = 1.0;
    std::vector<std::string> list_values;
    std::vector<std::string> list_names;
};

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == at) out.emplace_back();
        else out.back() += c;
    }
    return out;
}

// The panel's parameters by the name Kdenlive shows; empty when unreadable.
std::map<std::string, PanelParam> ReadPanel(const std::string& file, std::string* tag) {
    std::map<std::string, PanelParam> out;
    tinyxml2::XMLDocument doc;
    if (doc.LoadFile(file.c_str()) != tinyxml2::XML_SUCCESS) return out;
    const tinyxml2::XMLElement* effect = doc.FirstChildElement("effect");
    if (effect == nullptr) return out;
    *tag = effect->Attribute("tag") ? effect->Attribute("tag") : "";
    for (auto* e = effect->FirstChildElement("parameter"); e; e = e->NextSiblingElement("parameter")) {
        PanelParam p;
        p.name = e->Attribute("name") ? e->Attribute("name") : "";
        p.type = e->Attribute("type") ? e->Attribute("type") : "";
        p.factor = e->DoubleAttribute("factor", 1.0);
        if (const char* list = e->Attribute("paramlist")) p.list_values = Split(list, ';');
        auto* names = e->FirstChildElement("paramlistdisplay");
        if (names && names->GetText()) p.list_names = Split(names->GetText(), ',');
        const char* shown = e->FirstChildElement("name") ? e->FirstChildElement("name")->GetText() : nullptr;
        out[shown ? shown : p.name] = p;
    }
    return out;
}

std::string Number(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// What Kdenlive stores for `shown` set in the panel: sliders divided by
// their factor (keyframes "TIME=VALUE;..." each), a list name as its value.
std::string StoredValue(const PanelParam& p, const std::string& shown) {
    if (p.type == "animated") {
        if (shown.find('=') == std::string::npos) return Number(std::stod(shown) / p.factor);
        std::string keys;
        for (const std::string& key : Split(shown, ';')) {
            const size_t eq = key.find('=');
            const double value = std::stod(key.substr(eq + 1));
            keys += (keys.empty() ? "" : ";") + key.substr(0, eq + 1) + Number(value / p.factor);
        }
        return keys;
    }
    if (p.type == "list") {
        for (size_t i = 0; i < p.list_names.size() && i < p.list_values.size(); ++i) {
            if (p.list_names[i] == shown) return p.list_values[i];
        }
        return "no such choice: " + shown;
    }
    return shown;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

std::string Replaced(std::string text, const std::string& mark, const std::string& by) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size())) {
        text.replace(at, mark.size(), by);
    }
    return text;
}

// A project as Kdenlive 22.12 saves one: the clip in the bin and on a
// track, the effect on the clip's timeline entry, times as clock values.
// With `consumer_target` it is a render script, as kdenlive_render takes.
std::string Project(const std::string& service, const std::vector<std::pair<std::string, std::string>>& values,
                    const std::string& consumer_target) {
    constexpr const char* TEMPLATE = R"(<?xml version='1.0' encoding='utf-8'?>
<mlt LC_NUMERIC="C" producer="main_bin" version="7.12.0">
 <profile description="64x48 25 fps" width="64" height="48" progressive="1" sample_aspect_num="1"
          sample_aspect_den="1" display_aspect_num="4" display_aspect_den="3" frame_rate_num="25"
          frame_rate_den="1" colorspace="709"/>
@CONSUMER@ <producer id="producer0" @SPAN@>
  <property name="length">25</property>
  <property name="resource">clip_%d.png</property>
  <property name="mlt_service">avformat</property>
  <property name="kdenlive:id">2</property>
 </producer>
 <playlist id="main_bin">
  <property name="kdenlive:docproperties.version">1.04</property>
  <property name="xml_retain">1</property>
  <entry producer="producer0" @SPAN@/>
 </playlist>
 <playlist id="playlist0">
  <entry producer="producer0" @SPAN@>
   <property name="kdenlive:id">2</property>
   <filter id="filter0">
    <property name="mlt_service">@SERVICE@</property>
    <property name="kdenlive_id">@SERVICE@</property>
@VALUES@    <property name="kdenlive:collapsed">0</property>
   </filter>
  </entry>
 </playlist>
 <tractor id="tractor0" @SPAN@>
  <track producer="playlist0"/>
 </tractor>
</mlt>
)";
    std::string properties;
    for (const auto& [name, value] : values) {
        properties += "    <property name=\"" + name + "\">" + Escaped(value) + "</property>\n";
    }
    const std::string consumer = consumer_target.empty() ? ""
                                 : " <consumer mlt_service=\"avformat\" target=\"" + consumer_target +
                                       "\" vcodec=\"png\" pix_fmt=\"rgba\" real_time=\"-1\"/>\n";
    std::string text = Replaced(TEMPLATE, "@SPAN@", "in=\"00:00:00.000\" out=\"00:00:00.960\"");
    text = Replaced(text, "@SERVICE@", service);
    text = Replaced(text, "@CONSUMER@", consumer);
    return Replaced(text, "@VALUES@", properties);
}

// What the user sets, by the names and in the units the panel shows, and
// the same scene in the effect's units for ringstride render (Time apart).
const std::vector<std::pair<std::string, std::string>> PANEL_SETTINGS = {
    {"Path", "M 4 24 C 20 4 44 44 60 24"},
    {"Mode", "Discrete 1"},
    {"Time", "00:00:00.000=0;00:00:00.960=100"},
    {"Max Radius above 2", "10"},
    {"Min Radius", "50"},
    {"Edge Thickness above 1", "7"},
    {"Edge Mode", "Color"},
    {"Edge Color", "0xff8000ff"},
    {"On Original", "1"},
    {"Values", "\"seed=40000; edge brightness=3.5\""}};
const std::vector<std::string> EFFECT_VALUES = {"mode=discrete 1", "max radius=12",  "min radius=50",
                                                "edge thickness=8", "edge mode=color", "edge color=#FF8000",
                                                "on original=on",   "seed=40000",      "edge brightness=3.5"};
const char* PATH_DATA = "M 4 24 C 20 4 44 44 60 24";

class KdenliveProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<ScratchDir>();
        for (int k = 1; k <= CLIP_FRAMES; ++k) cli_test::WritePicture(*dir_ / FrameName("clip", k), ClipFrame(k));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // The project's filter values from the panel, or why there are none.
    static std::string Values(std::vector<std::pair<std::string, std::string>>* values, std::string* service) {
        const std::map<std::string, PanelParam> panel = ReadPanel(KDENLIVE_PANEL, service);
        if (panel.empty()) return std::string("cannot read ") + KDENLIVE_PANEL;
        for (const auto& [shown, setting] : PANEL_SETTINGS) {
            const auto found = panel.find(shown);
            if (found == panel.end()) return "the panel shows no \"" + shown + "\"";
            values->emplace_back(found->second.name, StoredValue(found->second, setting));
        }
        return "";
    }

    // Frames STEM_1.png... against ringstride render at the checked positions.
    static void ExpectFramesMatch(const std::string& stem) {
        for (const auto& [position, time] : CHECKED) {
            const int k = position + 1;  // the clip's frame files count from 1
            const std::string ref = *dir_ / ("ref_" + std::to_string(k) + ".png");
            if (!std::ifstream(ref)) {
                std::vector<std::string> params = EFFECT_VALUES;
                params.push_back(std::string("time=") + time);
                ASSERT_EQ(RenderReference(*dir_, FrameName("clip", k), ref, PATH_DATA, params), "");
            }
            EXPECT_EQ(ComparePictures(*dir_ / FrameName(stem, k), ref), "") << "position " << position;
            EXPECT_NE(ComparePictures(*dir_ / FrameName("clip", k), ref), "") << "the scene draws nothing";
        }
    }

    static std::unique_ptr<ScratchDir> dir_;
};

std::unique_ptr<ScratchDir> KdenliveProject::dir_;

TEST_F(KdenliveProject, MeltRendersWhatThePanelShows) {
#ifdef RINGSTRIDE_SANITIZED
    GTEST_SKIP() << "melt cannot load a plug-in built with sanitizers";
#endif
    if (!HaveProgram("melt")) GTEST_SKIP() << "melt is not installed (scripts/setup.sh)";
    std::vector<std::pair<std::string, std::string>> values;
    std::string service;
    ASSERT_EQ(Values(&values, &service), "");
    cli_test::WriteText(*dir_ / "project.kdenlive", Project(service, values, ""));
    // melt's own start-up race is kept clear of as in the other melt tests.
    const RunResult r = RunMelt(*dir_, "SDL_VIDEODRIVER=dummy",
                                "melt -silent project.kdenlive -consumer avformat:melt_%d.png vcodec=png pix_fmt=rgba",
                                FrameName("melt", 1));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PluginLines(r.err, ""), 0) << r.err;
    ExpectFramesMatch("melt");
}

TEST_F(KdenliveProject, KdenliveRenderRendersTheRenderScript) {
#ifdef RINGSTRIDE_SANITIZED
    GTEST_SKIP() << "kdenlive_render cannot load a plug-in built with sanitizers";
#endif
    if (!HaveProgram("kdenlive_render")) GTEST_SKIP() << "kdenlive_render is not installed (it comes with kdenlive)";
    if (!HaveProgram("melt")) GTEST_SKIP() << "melt is not installed (scripts/setup.sh)";
    std::vector<std::pair<std::string, std::string>> values;
    std::string service;
    ASSERT_EQ(Values(&values, &service), "");
    cli_test::WriteText(*dir_ / "render.mlt", Project(service, values, "kdenlive_%d.png"));
    // kdenlive_render is a Qt program: no display here, so Qt's offscreen platform.
    // It runs melt, whose start-up race is kept clear of as in the melt tests.
    const RunResult r = RunMelt(*dir_, "QT_QPA_PLATFORM=offscreen SDL_VIDEODRIVER=dummy",
                                "kdenlive_render \"$(command -v melt)\" render.mlt kdenlive_%d.png",
                                FrameName("kdenlive", 1));
    ASSERT_EQ(r.code, 0) << r.err;
    ExpectFramesMatch("kdenlive");
}

}  // namespace
