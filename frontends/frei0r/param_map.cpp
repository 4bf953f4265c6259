#include "frei0r/param_map.h"

#include <cmath>
#include <cstdio>

#include "runner/shot/param_text.h"

namespace runner::frei0r {
namespace {

std::string Short(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

double SliderDefault(const ParamDefinition& def) {
    const double span = def.slider_max - def.slider_min;
    if (!(span > 0.0)) return 0.0;
    const double x = (def.default_value - def.slider_min) / span;
    return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
}

std::string SliderText(const ParamDefinition& def) {
    const std::string unit = def.IsPercent() ? " %" : "";
    const char* stored = def.type == PF_Param_SLIDER ? ", rounded to a whole number"
                         : def.type == PF_Param_FIX_SLIDER ? ", in steps of 1/65536" : "";
    std::string text = "0 to 1 maps linearly onto " + Short(def.slider_min) + " to " + Short(def.slider_max) + unit +
                       stored + "; default " + Short(SliderDefault(def)) + " (" + Short(def.default_value) + unit +
                       ").";
    if (def.valid_min < def.slider_min || def.valid_max > def.slider_max) {
        text += " Values reaches " + DescribeAllowed(def) + ".";
    }
    return text;
}

std::string PopupText(const ParamDefinition& def) {
    const size_t n = def.choices.size();
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += (i ? ", " : "") + Short(static_cast<double>(i) / static_cast<double>(n)) + " to " +
                Short(static_cast<double>(i + 1) / static_cast<double>(n)) + ": " + def.choices[i];
    }
    const size_t d = static_cast<size_t>(def.default_value);
    if (d >= 1 && d <= n) text += " (default " + def.choices[d - 1] + ")";
    return text + ".";
}

std::string ColorText(const ParamDefinition& def) {
    return "Red, green and blue in 0 to 1, each rounded to 8 bits (default " + FormatHexColour(def.default_color) +
           ").";
}

std::string ValuesText(const std::vector<ParamDefinition>& defs) {
    std::string ranges;
    for (size_t i = 1; i < defs.size(); ++i) {
        const ParamDefinition& def = defs[i];
        const bool numeric =
            def.type == PF_Param_SLIDER || def.type == PF_Param_FIX_SLIDER || def.type == PF_Param_FLOAT_SLIDER;
        if (numeric && (def.valid_min < def.slider_min || def.valid_max > def.slider_max)) {
            ranges += (ranges.empty() ? "" : ", ") + def.label + " " + DescribeAllowed(def);
        }
    }
    return "label=value pairs separated by ';', in the effect's own units as ringstride --param takes them "
           "(e.g. 'max radius=1200; seed=40000; edge mode=color; edge color=#FF8000'); they win over the "
           "parameters above for the labels they name" +
           (ranges.empty() ? std::string(".") : " and reach the whole ranges (" + ranges + ").") +
           " A bad pair leaves frames unchanged and one line on standard error.";
}

}  // namespace

std::vector<HostParam> HostParams(const std::vector<ParamDefinition>& defs) {
    std::vector<HostParam> out;
    for (size_t i = 1; i < defs.size(); ++i) {
        const ParamDefinition& def = defs[i];
        HostParam p;
        p.name = def.label;
        p.effect_index = def.index;
        switch (def.type) {
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER:
            p.kind = ValueKind::SLIDER;
            p.type = F0R_PARAM_DOUBLE;
            p.default_number = SliderDefault(def);
            p.explanation = SliderText(def);
            break;
        case PF_Param_POPUP:
            if (def.choices.empty()) continue;
            p.kind = ValueKind::POPUP;
            p.type = F0R_PARAM_DOUBLE;
            // The middle of the default choice's share.
            p.default_number = (def.default_value - 0.5) / static_cast<double>(def.choices.size());
            p.explanation = PopupText(def);
            break;
        case PF_Param_CHECKBOX:
            p.kind = ValueKind::CHECKBOX;
            p.type = F0R_PARAM_BOOL;
            p.default_number = def.default_value != 0.0 ? 1.0 : 0.0;
            p.explanation = std::string("On at 0.5 and above (default ") + (def.default_value != 0.0 ? "on" : "off") +
                            ").";
            break;
        case PF_Param_COLOR:
            p.kind = ValueKind::COLOR;
            p.type = F0R_PARAM_COLOR;
            p.default_color = {def.default_color.red / 255.0f, def.default_color.green / 255.0f,
                               def.default_color.blue / 255.0f};
            p.explanation = ColorText(def);
            break;
        case PF_Param_PATH:
            p.kind = ValueKind::PATH;
            p.type = F0R_PARAM_STRING;
            p.explanation =
                "The mask: SVG path data in frame pixels from the top left, as ringstride --mask-d reads it "
                "(M L H V C S Q T A Z, absolute or relative, e.g. 'M 10 40 C 30 0 60 0 80 40'); the first "
                "subpath is used; empty for none. Text starting with '<' is an SVG document instead, whose first "
                "path or shape is used. Bad data leaves frames unchanged and one line on standard error.";
            break;
        default:
            continue;
        }
        out.push_back(p);
    }
    HostParam values;
    values.name = VALUES_NAME;
    values.kind = ValueKind::VALUES;
    values.type = F0R_PARAM_STRING;
    values.explanation = ValuesText(defs);
    out.push_back(values);
    return out;
}

double SliderFromHost(const ParamDefinition& def, double x) {
    return def.slider_min + x * (def.slider_max - def.slider_min);
}

double PopupFromHost(const ParamDefinition& def, double x) {
    const double n = static_cast<double>(def.choices.size());
    const double k = std::floor(x * n);
    return (k < 0.0 ? 0.0 : k > n - 1.0 ? n - 1.0 : k) + 1.0;
}

double CheckboxFromHost(double x) { return x >= 0.5 ? 1.0 : 0.0; }

PF_Pixel ColorFromHost(const f0r_param_color_t& color) {
    auto byte = [](float c) {
        const double v = std::floor(static_cast<double>(c) * 255.0 + 0.5);
        if (!(v > 0.0)) return uint8_t{0};  // NaN as well
        return static_cast<uint8_t>(v > 255.0 ? 255.0 : v);
    };
    return PF_Pixel{255, byte(color.r), byte(color.g), byte(color.b)};
}

}  // namespace runner::frei0r
