// The Kdenlive description from a parameter table holding one parameter
// of each kind: well-formed, one <parameter> per frei0r parameter under its
// frei0r name, and numbers that give back the filter's own values.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <map>

#include "frei0r/kdenlive_panel.h"

namespace {

using namespace runner::frei0r;
using runner::ParamDefinition;

ParamDefinition Def(PF_ParamIndex index, const char* label, PF_ParamType type, double lo = 0, double hi = 0,
                    double dflt = 0) {
    ParamDefinition d;
    d.index = index;
    d.label = label;
    d.type = type;
    d.valid_min = d.slider_min = lo;
    d.valid_max = d.slider_max = hi;
    d.default_value = dflt;
    return d;
}

std::vector<ParamDefinition> Defs() {
    std::vector<ParamDefinition> defs(1);  // the input layer
    defs.push_back(Def(1, "Path", PF_Param_PATH));
    defs.push_back(Def(2, "Time", PF_Param_FIX_SLIDER, 0, 100, 50));
    defs.back().display_flags = PF_ValueDisplayFlag_PERCENT;
    defs.back().precision = 1;
    defs.push_back(Def(3, "Max Radius", PF_Param_SLIDER, 2, 500, 50));
    defs.back().valid_max = 5000;
    defs.push_back(Def(4, "Mode", PF_Param_POPUP, 0, 0, 2));
    defs.back().choices = {"Continuous", "Discrete, coarse", "Discrete 2"};
    defs.push_back(Def(5, "Invert", PF_Param_CHECKBOX, 0, 0, 1));
    defs.push_back(Def(6, "Edge Color", PF_Param_COLOR));
    defs.back().default_color = PF_Pixel{255, 255, 128, 0};
    return defs;
}

struct Want {
    const char* name;
    const char* type;
    const char* shown;
    const char* default_text;
};

TEST(KdenlivePanel, OneParameterOfEachKind) {
    const std::vector<ParamDefinition> defs = Defs();
    Catalog catalog;
    catalog.title = "FolvekRingStride";
    catalog.author = "A & B <studio>";
    catalog.defs = defs;
    catalog.params = HostParams(defs);
    const runner::Result<std::string> xml = KdenliveEffectXml(catalog);
    ASSERT_TRUE(xml) << xml.error().message;
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(xml->c_str()), tinyxml2::XML_SUCCESS) << *xml;
    const tinyxml2::XMLElement* effect = doc.FirstChildElement("effect");
    ASSERT_NE(effect, nullptr);
    EXPECT_STREQ(effect->Attribute("tag"), "frei0r.ringstride");
    EXPECT_STREQ(effect->Attribute("id"), "frei0r.ringstride");
    EXPECT_STREQ(effect->FirstChildElement("author")->GetText(), "A & B <studio>");

    std::map<std::string, const tinyxml2::XMLElement*> by_name;
    for (auto* e = effect->FirstChildElement("parameter"); e; e = e->NextSiblingElement("parameter")) {
        by_name[e->Attribute("name")] = e;
    }
    ASSERT_EQ(by_name.size(), catalog.params.size());
    const Want wants[] = {{"Path", "keywords", "Path", ""},
                          {"Time", "animated", "Time", "0.5"},
                          {"Max Radius", "animated", "Max Radius above 2", "0.0963855421686747"},
                          {"Mode", "list", "Mode", "0.5"},
                          {"Invert", "bool", "Invert", "1"},
                          {"Edge Color", "color", "Edge Color", "0xff8000ff"},
                          {"Values", "keywords", "Values", ""}};
    for (const Want& w : wants) {
        const tinyxml2::XMLElement* e = by_name[w.name];
        ASSERT_NE(e, nullptr) << w.name;
        EXPECT_STREQ(e->Attribute("type"), w.type) << w.name;
        EXPECT_STREQ(e->FirstChildElement("name")->GetText(), w.shown) << w.name;
        EXPECT_STREQ(e->Attribute("default"), w.default_text) << w.name;
    }

    // Shown = frei0r value x factor: percent as the effect's percent, the
    // radius as its amount above 2, each shown whole number a whole radius.
    EXPECT_EQ(by_name["Time"]->DoubleAttribute("factor"), 100.0);
    EXPECT_STREQ(by_name["Time"]->Attribute("suffix"), "%");
    EXPECT_EQ(by_name["Max Radius"]->DoubleAttribute("factor"), 498.0);
    EXPECT_EQ(by_name["Max Radius"]->IntAttribute("decimals", -1), 0);
    EXPECT_DOUBLE_EQ(SliderFromHost(defs[3], 48.0 / by_name["Max Radius"]->DoubleAttribute("factor")), 50.0);
    EXPECT_NE(std::string(by_name["Max Radius"]->FirstChildElement("comment")->GetText()).find("2 to 5000"),
              std::string::npos);

    // Each list entry selects its own choice; a comma in a name would split it.
    EXPECT_STREQ(by_name["Mode"]->FirstChildElement("paramlistdisplay")->GetText(),
                 "Continuous,Discrete; coarse,Discrete 2");
    const std::string list = by_name["Mode"]->Attribute("paramlist");
    size_t start = 0;
    for (double choice = 1; choice <= 3; ++choice) {
        const size_t end = list.find(';', start);
        EXPECT_EQ(PopupFromHost(defs[4], std::stod(list.substr(start, end - start))), choice) << list;
        start = end + 1;
    }
}

TEST(KdenlivePanel, AnEffectThatDidNotOpenGivesNoDescription) {
    Catalog catalog;
    catalog.failure = "/x/FolvekRingStride.so: cannot open";
    const runner::Result<std::string> xml = KdenliveEffectXml(catalog);
    ASSERT_FALSE(xml);
    EXPECT_EQ(xml.error().message, catalog.failure);
}

}  // namespace
