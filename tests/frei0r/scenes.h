// The scenes every host renders: values as a frei0r host holds them
// (doubles and booleans in [0, 1], colours as r/g/b, strings), and the
// same scene as `ringstride render` takes it.
#ifndef FOLVEK_TESTS_FREI0R_SCENES_H
#define FOLVEK_TESTS_FREI0R_SCENES_H

#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "frei0r_host.h"

namespace frei0r_test {

struct Scene {
    const char* name;
    // frei0r parameter name and value: "0.5" for doubles, "1"/"0" for
    // booleans, "r/g/b" for colours, the text itself for strings.
    std::vector<std::pair<std::string, std::string>> host;
    std::string path_data;            // the same mask for ringstride render
    std::vector<std::string> params;  // and the same values, by label
};

inline void PrintTo(const Scene& s, std::ostream* os) { *os << s.name; }

// Every kind of host value: sliders (whole-number, 1/65536 and float
// ones), popups, checkboxes and a colour.
inline Scene SliderScene() {
    return {"sliders",
            {{"Path", "M 4 24 C 20 4 44 44 60 24"}, {"Mode", "0.5"}, {"Time", "0.7"}, {"Max Radius", "0.02"},
             {"Min Radius", "0.5"}, {"Edge Thickness", "0.2"}, {"Edge Mode", "1"}, {"Edge Color", "1/0.5/0"},
             {"Seed", "0.5"}, {"On Original", "1"}},
            "M 4 24 C 20 4 44 44 60 24",
            {"mode=discrete 1", "time=70", "max radius=12", "min radius=50", "edge thickness=3", "edge mode=color",
             "edge color=#FF8000", "seed=50", "on original=on"}};
}

// Values beyond the sliders, winning over the Max Radius slider; no
// starting picture, so alpha comes from the effect alone.
inline Scene ValuesScene() {
    return {"values",
            {{"Path", "M 2 40 L 62 8"},
             {"Max Radius", "0.9"},
             {"Values", "max radius=9; min radius=30; seed=40000; edge thickness=2; edge brightness=3.5"}},
            "M 2 40 L 62 8",
            {"max radius=9", "min radius=30", "seed=40000", "edge thickness=2", "edge brightness=3.5"}};
}

// Sets one value on an instance through the plug-in's own function.
inline bool SetHostValue(const PluginLibrary& lib, f0r_instance_t instance, const std::string& name,
                         const std::string& value) {
    const std::vector<HostParamInfo> params = lib.Params();
    for (size_t i = 0; i < params.size(); ++i) {
        if (params[i].name != name) continue;
        const int index = static_cast<int>(i);
        if (params[i].type == F0R_PARAM_STRING) {
            const char* text = value.c_str();
            lib.set_param_value(instance, &text, index);
        } else if (params[i].type == F0R_PARAM_COLOR) {
            f0r_param_color_t c{};
            if (std::sscanf(value.c_str(), "%f/%f/%f", &c.r, &c.g, &c.b) != 3) return false;
            lib.set_param_value(instance, &c, index);
        } else {
            double d = std::strtod(value.c_str(), nullptr);
            lib.set_param_value(instance, &d, index);
        }
        return true;
    }
    return false;
}

}  // namespace frei0r_test

#endif
