// The effect's parameters as a frei0r host sees them, and the way back:
// sliders, popups and checkboxes become numbers in [0, 1], colours three
// floats, the mask path a string of SVG path data, and one more string,
// "Values", carries label=value pairs in the effect's own units.
#ifndef FOLVEK_FREI0R_PARAM_MAP_H
#define FOLVEK_FREI0R_PARAM_MAP_H

#include <string>
#include <vector>

#include "frei0r/frei0r_api.h"
#include "runner/core/session.h"

namespace runner::frei0r {

enum class ValueKind { SLIDER, POPUP, CHECKBOX, COLOR, PATH, VALUES };

constexpr const char* VALUES_NAME = "Values";

struct HostParam {
    std::string name;         // the effect's label, or "Values"
    std::string explanation;  // the only help a frei0r host shows
    int type = F0R_PARAM_DOUBLE;
    ValueKind kind = ValueKind::SLIDER;
    PF_ParamIndex effect_index = 0;  // the effect's parameter; 0 for Values
    double default_number = 0.0;     // doubles and booleans, in [0, 1]
    f0r_param_color_t default_color{0.0f, 0.0f, 0.0f};
};

// One host parameter per effect parameter a frei0r host can set (the
// input layer and any type without a frei0r form are left out), in the
// effect's order, then Values.
std::vector<HostParam> HostParams(const std::vector<ParamDefinition>& defs);

// A host number, already within [0, 1], in the effect's user units: the
// slider range linearly (the session rounds it as it stores it), the popup
// choice 1..n whose equal share of [0, 1] holds it, the checkbox 0 or 1.
double SliderFromHost(const ParamDefinition& def, double x);
double PopupFromHost(const ParamDefinition& def, double x);
double CheckboxFromHost(double x);
// Each channel within [0, 1] to 8 bits, rounded; opaque.
PF_Pixel ColorFromHost(const f0r_param_color_t& color);

}  // namespace runner::frei0r

#endif
