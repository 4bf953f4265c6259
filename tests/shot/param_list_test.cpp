// Several label=value assignments in one text, as plug-in hosts hand them
// over: separators, repeats, and the errors that name the assignment.
#include <gtest/gtest.h>

#include "definitions.h"
#include "runner/shot/param_list.h"

namespace {

using cli_test::Definitions;

TEST(ParamList, ReadsEveryAssignmentAndKeepsTheLastOfARepeat) {
    struct Case {
        const char* text;
        std::vector<std::pair<int32_t, double>> want;
    };
    const Case cases[] = {{"", {}},
                          {" ; \n ;", {}},
                          {"max radius=1200; seed=40000", {{4, 1200}, {8, 40000}}},
                          {"seed=1\nmax-radius=9;\r\n", {{8, 1}, {4, 9}}},
                          {"seed=1; max radius=9; seed=2", {{4, 9}, {8, 2}}}};
    for (const Case& c : cases) {
        auto r = runner::ParseParamList(c.text, Definitions(), "Values");
        ASSERT_TRUE(r.has_value()) << c.text << ": " << r.error().message;
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
        ASSERT_FALSE(r.has_value()) << text;
        EXPECT_EQ(r.error().message.rfind(phrase, 0), 0u) << r.error().message;
    }
}

}  // namespace
