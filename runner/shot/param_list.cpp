#include "runner/shot/param_list.h"

namespace runner {
namespace {

const ParamDefinition* MaskParamNamed(const std::string& assignment, const std::vector<ParamDefinition>& params) {
    const std::string name = NormalizeLabel(assignment.substr(0, assignment.find('=')));
    for (size_t i = 1; i < params.size(); ++i) {
        if (params[i].type == PF_Param_PATH && NormalizeLabel(params[i].label) == name) return &params[i];
    }
    return nullptr;
}

}  // namespace

Result<std::vector<ParamSetting>> ParseParamList(const std::string& text, const std::vector<ParamDefinition>& params,
                                                 const std::string& where) {
    std::vector<ParamSetting> settings;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(";\n\r", start);
        if (end == std::string::npos) end = text.size();
        const std::string assignment = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (assignment.empty()) continue;

        const std::string here = where + ": " + assignment;
        if (const ParamDefinition* mask = MaskParamNamed(assignment, params)) {
            return Error{here + ": \"" + mask->label + "\" is the mask path, which has a parameter of its own"};
        }
        Result<ParamSetting> setting = ParseParam(assignment, params, false, here);
        if (!setting) return setting.error();
        for (auto it = settings.begin(); it != settings.end(); ++it) {
            if (it->index == setting->index) {
                settings.erase(it);
                break;
            }
        }
        settings.push_back(*setting);
    }
    return settings;
}

}  // namespace runner
