#include <iostream>

#include "cli/commands.h"
#include "runner/loader/effect_open.h"
#include "runner/shot/param_text.h"

namespace runner::cli {
namespace {

std::string DescribeDefault(const ParamDefinition& def) {
    switch (def.type) {
    case PF_Param_COLOR: return FormatHexColour(def.default_color);
    case PF_Param_CHECKBOX: return def.default_value != 0.0 ? "on" : "off";
    case PF_Param_POPUP: {
        const size_t i = static_cast<size_t>(def.default_value);
        if (def.default_value >= 1 && i <= def.choices.size()) return def.choices[i - 1];
        return FormatNumber(def.default_value);
    }
    case PF_Param_PATH: return def.default_value == 0.0 ? "none" : FormatNumber(def.default_value);
    case PF_Param_FIX_SLIDER:
        return FormatNumber(def.default_value) + (def.IsPercent() ? " %" : "");
    default: return FormatNumber(def.default_value);
    }
}

}  // namespace

Status RunInfo(const std::string& plugin) {
    Result<OpenedEffect> opened = OpenEffect(plugin);
    if (!opened) return opened.error();
    Session& session = *opened->session;
    const EffectLibrary* library = opened->library.get();
    std::cout << "library:    " << plugin << "\n";
    if (library != nullptr) {
        const Pipl& pipl = library->PiplInfo();
        std::cout << "name:       " << pipl.name << "\n"
                  << "category:   " << pipl.category << "\n"
                  << "match name: " << pipl.match_name << "\n"
                  << "version:    " << DescribeEffectVersion(pipl.version) << "\n";
    }
    const std::vector<ParamDefinition>& params = session.Params();
    std::cout << "parameters: " << (params.empty() ? 0 : params.size() - 1) << "\n";
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        std::cout << "  " << def.id << ". " << def.label << ": " << DescribeType(def);
        switch (def.type) {
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER: {
            const std::string unit = def.IsPercent() ? " %" : "";
            std::cout << ", range " << DescribeAllowed(def) << ", slider " << FormatNumber(def.slider_min) << unit
                      << " to " << FormatNumber(def.slider_max) << unit;
            if (def.type != PF_Param_SLIDER) std::cout << ", " << def.precision << (def.precision == 1 ? " decimal" : " decimals");
            break;
        }
        case PF_Param_POPUP:
            std::cout << ", choices " << DescribeAllowed(def);
            break;
        default:
            break;
        }
        std::cout << ", default " << DescribeDefault(def) << "\n";
    }
    return Success();
}

}  // namespace runner::cli
