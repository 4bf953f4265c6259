// Several label=value assignments in one text, as plug-in hosts hand them
// over: separators, repeats, and the errors that name the assignment.
#include <gtest/gtest.h>

#include "runner/param_list.h"

namespace {

using runner::ParamDefinition;

std::vector<ParamDefinition> Definitions() {
    std::vector<ParamDefinition> defs(1);
    auto add = [&](int32_t id, const char* label, PF_ParamType type, double lo, double hi) {
        ParamDefinition d;
        d.id = id;
        d.label = label;
        d.type = type;
        d.valid_min = lo;
        d.valid_max = hi;
        defs.push_back(d);
    };
    add(1, "Path", PF_Param_PATH, 0, 0);
    add(2, "Max Radius", PF_Param_SLIDER, 2, 5000);
    add(3, "Seed", PF_Param_SLIDER, 0, 50000);
    return defs;
}

TEST(ParamList, ReadsEveryAssignmentAndKeepsTheLastOfARepeat) {
    struct Case {
        const char* text;
        std::vector<std::pair<int32_t, double>> want;
    };
    const Case cases[] = {{"", {}},
                          {" ; \n ;", {}},
                          {"max radius=1200; seed=40000", {{2, 1200}, {3, 40000}}},
                          {"seed=1\nmax-radius=9;\r\n", {{3, 1}, {2, 9}}},
                          {"seed=1; max radius=9; seed=2", {{2, 9}, {3, 2}}}};
    for (const Case& c : cases) {
        auto r = runner::ParseParamList(c.text, Definitions(), "Values");
        ASSERT_TRUE(r.Ok()) << c.text << ": " << r.Message();
        ASSERT_EQ(r->size(), c.want.size()) << c.text;
        for (size_t i = 0; i < c.want.size(); ++i) {
            EXPECT_EQ((*r)[i].index, c.want[i].first) << c.text;
            EXPECT_EQ((*r)[i].from, c.want[i].second) << c.text;
        }
    }
}

TEST(ParamList, ErrorsNameTheSourceAndTheAssignment) {
    const std::pair<const char*, const char*> cases[] = {
        {"seed=1; radius=3", "Values: radius=3: no parameter \"radius\""},
        {"max radius=5001", "Values: max radius=5001: 5001 is out of range"},
        {"seed=1..9", "Values: seed=1..9: \"Seed\" takes one value here"},
        {"seed", "Values: seed: expected NAME=VALUE"},
        {"path=M 0 0 L 9 9", "Values: path=M 0 0 L 9 9: \"Path\" is the mask path"}};
    for (const auto& [text, phrase] : cases) {
        auto r = runner::ParseParamList(text, Definitions(), "Values");
        ASSERT_FALSE(r.Ok()) << text;
        EXPECT_EQ(r.Message().rfind(phrase, 0), 0u) << r.Message();
    }
}

}  // namespace
