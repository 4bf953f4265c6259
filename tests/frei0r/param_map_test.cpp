// Host numbers onto the effect's values, and host time onto ticks, at the
// edges a host can reach (the whole table is checked through the plug-in).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "frei0r/instance.h"
#include "frei0r/param_map.h"

namespace {

using namespace runner::frei0r;
using runner::ParamDefinition;

ParamDefinition Def(int32_t id, const char* label, PF_ParamType type, double lo = 0, double hi = 0) {
    ParamDefinition d;
    d.id = id;
    d.label = label;
    d.type = type;
    d.valid_min = d.slider_min = lo;
    d.valid_max = d.slider_max = hi;
    return d;
}

TEST(Frei0rParams, HostNumbersMapOntoTheEffectsValues) {
    ParamDefinition radius = Def(1, "Max Radius", PF_Param_SLIDER, 2, 500);
    ParamDefinition popup = Def(2, "Mode", PF_Param_POPUP);
    popup.choices = {"A", "B", "C"};
    const std::pair<double, double> sliders[] = {{0, 2}, {0.5, 251}, {1, 500}};
    for (const auto& [x, v] : sliders) EXPECT_DOUBLE_EQ(SliderFromHost(radius, x), v) << x;
    const std::pair<double, double> popups[] = {{0, 1}, {0.3333, 1}, {1.0 / 3, 2}, {0.5, 2}, {0.6667, 3}, {1, 3}};
    for (const auto& [x, v] : popups) EXPECT_EQ(PopupFromHost(popup, x), v) << x;
    EXPECT_EQ(CheckboxFromHost(0.4999), 0.0);
    EXPECT_EQ(CheckboxFromHost(0.5), 1.0);
    const PF_Pixel c = ColorFromHost({0.5f, 2.0f, std::nanf("")});
    EXPECT_EQ(c.alpha, 255);
    EXPECT_EQ(c.red, 128);
    EXPECT_EQ(c.green, 255);
    EXPECT_EQ(c.blue, 0);
}

TEST(Frei0rParams, EffectParametersAreAddressedByPlaceNotId) {
    std::vector<ParamDefinition> defs(1);
    defs.push_back(Def(7, "Gain", PF_Param_SLIDER, 0, 10));
    defs.back().index = 1;
    const std::vector<HostParam> params = HostParams(defs);
    ASSERT_FALSE(params.empty());
    EXPECT_EQ(params.front().effect_index, 1);
}

TEST(Frei0rParams, HostTimeBecomesMillisecondTicksHeldWithinInt32) {
    const std::pair<double, int32_t> cases[] = {{0, 0},           {0.0404, 40},           {0.0405, 41},
                                                {-0.04, -40},     {3 * 3600.0, 10800000}, {1e12, INT32_MAX},
                                                {-1e12, INT32_MIN}, {std::nan(""), 0}};
    for (const auto& [seconds, ticks] : cases) EXPECT_EQ(TicksOf(seconds), ticks) << seconds;
}

}  // namespace
