#include "web/shot_document.h"

#include <nlohmann/json.hpp>

#include "runner/shot/apply_settings.h"
#include "runner/shot/json_mask.h"
#include "runner/shot/keys_file.h"

namespace runner::web {

Status ResetToDefaults(Session* session) {
    const std::vector<ParamDefinition>& params = session->Params();
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        Status ok;
        switch (def.type) {
        case PF_Param_COLOR: ok = session->SetColor(def.index, def.default_color); break;
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_POPUP:
        case PF_Param_CHECKBOX: ok = session->SetValue(def.index, def.default_value); break;
        default: continue;  // the mask (below), and types a document cannot set
        }
        if (!ok) return ok;
    }
    return ApplyMask(session, std::nullopt, MASK_ID);
}

Result<Timing> ApplyDocument(const std::string& text, const std::string& name, const std::string& at,
                             Session* session) {
    Result<Fraction> seconds = ParseSeconds(at, "time");
    if (!seconds) return seconds.error();
    Result<Timing> timing = TimingAt(*seconds);
    if (!timing) return timing.error();
    Result<nlohmann::json> doc = ParseJsonText(text, name);
    if (!doc) return doc.error();
    Result<ShotKeys> keys = ParseKeys(*doc, name, session->Params());
    if (!keys) return keys.error();
    if (Status ok = ResetToDefaults(session); !ok) return ok.error();
    const PF_ParamIndex mask_param = MaskParamIndex(session->Params());
    if (!keys->mask.empty()) {
        if (mask_param < 0) return Error{name + ": the effect has no mask path parameter"};
        if (Status ok = session->SetValue(mask_param, MASK_ID); !ok) return ok.error();
    }
    if (Status ok = ApplyKeys(*keys, MASK_ID, session); !ok) return ok.error();
    session->SetTime(timing->TimeOf(0), timing->time_step, timing->time_scale);
    return timing;
}

}  // namespace runner::web
