#include "runner/shot/apply_settings.h"


namespace runner {

PF_ParamIndex MaskParamIndex(const std::vector<ParamDefinition>& params) {
    for (size_t i = 1; i < params.size(); ++i) {
        if (params[i].type == PF_Param_PATH) return params[i].index;
    }
    return -1;
}

Status ApplySettings(Session* session, const std::vector<ParamSetting>& settings, double first, double last) {
    for (const ParamSetting& s : settings) {
        Status ok = s.is_color                      ? session->SetColor(s.index, s.color)
                    : (s.animated && last > first) ? session->SetKeys(s.index, {ScalarKey{first, s.from, KEY_LINEAR},
                                                                                ScalarKey{last, s.to, KEY_LINEAR}})
                                                   : session->SetValue(s.index, s.from);
        if (!ok) return ok;
    }
    return Success();
}

Status ApplyMask(Session* session, const std::optional<MaskPath>& mask, PF_PathID id) {
    const PF_ParamIndex index = MaskParamIndex(session->Params());
    if (index < 0) {
        if (mask) return Error{"the effect has no mask path parameter"};
        return Success();
    }
    if (!mask) {
        session->RemoveMask(id);
        return session->SetValue(index, 0);
    }
    if (Status ok = session->SetMask(id, *mask); !ok) return ok;
    return session->SetValue(index, id);
}

}  // namespace runner
