// Greys out whichever edge-colour parameter the chosen "Edge Mode" does not
// use, and keeps the host's snapshot of the parameter state with the
// instance.
#include "host/commands.h"
#include "host/param_ids.h"
#include "host/records.h"
#include "host/suite_cache.h"

namespace {

// The stored snapshot, or null while the instance still holds its one-byte
// form (or nothing): then there is nothing to compare with.
const PF_State* StoredState(const PF_HandleSuite1* handles, PF_Handle sequence) {
    if (sequence == nullptr || *sequence == nullptr) return nullptr;
    if (handles->host_get_handle_size == nullptr ||
        handles->host_get_handle_size(sequence) < sizeof(PF_State)) {
        return nullptr;
    }
    return static_cast<const PF_State*>(*sequence);
}

void SetEnabled(PF_ParamDef* def, bool enabled) {
    if (enabled) {
        def->ui_flags &= ~PF_PUI_DISABLED;
    } else {
        def->ui_flags |= PF_PUI_DISABLED;
    }
}

}  // namespace

PF_Err UpdateParamsUi(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
    auto* global = in_data->global_data != nullptr ? static_cast<GlobalData*>(*in_data->global_data)
                                                   : nullptr;
    HostSuiteCache cache(in_data->pica_basicP);
    if (params == nullptr || params[PARAM_EDGE_MODE] == nullptr ||
        params[PARAM_EDGE_BRIGHTNESS] == nullptr || params[PARAM_EDGE_COLOR] == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Working copies carry the current values, so an update never resets one.
    PF_ParamDef brightness = *params[PARAM_EDGE_BRIGHTNESS];
    PF_ParamDef color = *params[PARAM_EDGE_COLOR];

    PF_Err err = PF_Err_NONE;
    if (global != nullptr) {
        const PF_ParamUtilsSuite1* param_utils = cache.ParamUtilsSuite();
        const PF_HandleSuite1* handles = cache.HandleSuite();

        PF_Boolean changed = 0;
        const PF_State* stored = StoredState(handles, in_data->sequence_data);
        if (stored == nullptr) {
            changed = 1;  // no snapshot yet: take the first one
        } else {
            err = param_utils->PF_HasParamChanged(in_data->effect_ref, stored,
                                                  PF_ParamIndex_CHECK_ALL_HONORING_EXCLUDE, &changed);
        }

        if (changed || global->initialized == 0) {
            PF_Handle fresh = in_data->utils->host_new_handle(static_cast<uint32_t>(sizeof(PF_State)));
            if (fresh != nullptr) {
                if (!err) err = param_utils->PF_GetCurrentState(in_data->effect_ref,
                                                                static_cast<PF_State*>(*fresh));
                if (!err) {
                    if (in_data->sequence_data != nullptr) handles->host_dispose_handle(in_data->sequence_data);
                    out_data->sequence_data = fresh;
                    in_data->sequence_data = fresh;
                } else {
                    handles->host_dispose_handle(fresh);  // never handed to the host
                }
            }
        }

        const bool brightness_mode = !err && params[PARAM_EDGE_MODE]->u.pd.value == EDGE_MODE_BRIGHTNESS;
        brightness.param_type = PF_Param_FLOAT_SLIDER;
        SetEnabled(&brightness, brightness_mode);
        in_data->utils->ansi.strcpy(brightness.name, "Edge Brightness");
        if (!err) err = param_utils->PF_UpdateParamUI(in_data->effect_ref, PARAM_EDGE_BRIGHTNESS, &brightness);

        color.param_type = PF_Param_COLOR;
        SetEnabled(&color, !brightness_mode);
        in_data->utils->ansi.strcpy(color.name, "Edge Color");
        if (!err) err = param_utils->PF_UpdateParamUI(in_data->effect_ref, PARAM_EDGE_COLOR, &color);

        if (err) {
            in_data->utils->ansi.strcpy(out_data->return_msg, "ERROR");
            out_data->out_flags = PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        } else {
            global->initialized = 1;
        }
    }
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}
