// Parameter definitions like the ones the effect registers, for tests of
// the text and keyframe parsers without loading the effect. Their ids (the
// effect's names for them) are not their places in the list, which is what
// the host addresses them by.
#ifndef FOLVEK_TESTS_CLI_DEFINITIONS_H
#define FOLVEK_TESTS_CLI_DEFINITIONS_H

#include <vector>

#include "runner/core/session.h"

namespace cli_test {

using runner::ParamDefinition;

inline ParamDefinition Def(int32_t id, const char* label, PF_ParamType type, double lo = 0, double hi = 0) {
    ParamDefinition d;
    d.id = id;
    d.label = label;
    d.type = type;
    d.valid_min = lo;
    d.valid_max = hi;
    return d;
}

inline std::vector<ParamDefinition> Definitions() {
    std::vector<ParamDefinition> defs(1);  // index 0: the input layer
    defs.push_back(Def(1, "Path", PF_Param_PATH));
    ParamDefinition mode = Def(2, "Mode", PF_Param_POPUP);
    mode.choices = {"Continuous", "Discrete 1", "Discrete 2"};
    defs.push_back(mode);
    ParamDefinition time = Def(3, "Time", PF_Param_FIX_SLIDER, 0, 100);
    time.display_flags = PF_ValueDisplayFlag_PERCENT;
    defs.push_back(time);
    defs.push_back(Def(4, "Max Radius", PF_Param_SLIDER, 2, 5000));
    defs.push_back(Def(5, "Edge Brightness", PF_Param_FLOAT_SLIDER, 0, 10));
    defs.push_back(Def(6, "Edge Color", PF_Param_COLOR));
    defs.push_back(Def(7, "On Original", PF_Param_CHECKBOX));
    defs.push_back(Def(8, "Seed", PF_Param_SLIDER, 0, 50000));
    for (size_t i = 0; i < defs.size(); ++i) {
        defs[i].index = static_cast<PF_ParamIndex>(i);
        defs[i].id = static_cast<int32_t>(100 + 7 * i);
    }
    return defs;
}

}  // namespace cli_test

#endif
