#include "cli/keyed_values.h"

#include <algorithm>
#include <numeric>

#include "runner/shot/param_text.h"

namespace runner::cli {
namespace {

// A stored value as --param would give it.
std::string ValueText(const ParamDefinition& param, const PF_ParamDef& def) {
    switch (param.type) {
    case PF_Param_SLIDER: return std::to_string(def.u.sd.value);
    case PF_Param_FIX_SLIDER: return ExactNumber(def.u.fd.value / 65536.0);
    case PF_Param_FLOAT_SLIDER: return ExactNumber(def.u.fs_d.value);
    case PF_Param_CHECKBOX: return def.u.bd.value != 0 ? "on" : "off";
    case PF_Param_POPUP: {
        const int32_t choice = def.u.pd.value;
        if (choice >= 1 && static_cast<size_t>(choice) <= param.choices.size()) {
            return param.choices[static_cast<size_t>(choice) - 1];
        }
        return std::to_string(choice);
    }
    case PF_Param_COLOR: return FormatHexColour(def.u.cd.value);
    default: return "?";
    }
}

// time / scale seconds, reduced: "2", "1001/30000".
std::string SecondsText(int64_t time, int64_t scale) {
    const int64_t g = std::gcd(time, scale);
    if (g > 1) {
        time /= g;
        scale /= g;
    }
    return scale == 1 ? std::to_string(time) : std::to_string(time) + "/" + std::to_string(scale);
}

}  // namespace

Result<std::vector<std::string>> KeyedValueLines(const Scene& scene, const Timing& timing, int32_t first,
                                                 int32_t last, Session* session) {
    if (Status ok = ApplyScene(scene, timing, session); !ok) return ok.error();
    // Keyed: every parameter the keys file names, and the FROM..TO ranges.
    std::vector<PF_ParamIndex> keyed;
    for (const ParamTrack& t : scene.keys.params) keyed.push_back(t.index);
    for (const ParamSetting& s : scene.settings) {
        if (s.animated) keyed.push_back(s.index);
    }
    std::sort(keyed.begin(), keyed.end());
    const bool masked = scene.mask.has_value() || !scene.keys.mask.empty();
    const std::vector<ParamDefinition>& params = session->Params();
    std::vector<std::string> lines;
    for (int32_t frame = first; frame <= last; ++frame) {
        const int32_t time = timing.TimeOf(frame);
        std::string line = "frame=" + std::to_string(frame) + "\ttime=" + SecondsText(time, timing.time_scale);
        for (PF_ParamIndex index : keyed) {
            const ParamDefinition& param = params[static_cast<size_t>(index)];
            line += "\t" + param.label + "=" + ValueText(param, session->DefAt(index, time));
        }
        MaskPath mask;
        if (masked && session->MaskAt(MASK_ID, time, &mask)) {
            line += "\tmask vertices=" + std::to_string(mask.vertices.size());
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace runner::cli
