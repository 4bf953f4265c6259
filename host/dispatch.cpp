#include <new>

#include "host/commands.h"

namespace {

PF_Err Route(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
             void* extra) {
    switch (cmd) {
        case PF_Cmd_ABOUT: return About(in_data, out_data);
        case PF_Cmd_GLOBAL_SETUP: return GlobalSetup(in_data, out_data);
        case PF_Cmd_PARAMS_SETUP: return ParamsSetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP: return SequenceSetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_SETDOWN: return SequenceSetdown(in_data, out_data);
        case PF_Cmd_USER_CHANGED_PARAM:
        case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParamsUi(in_data, out_data, params);
        case PF_Cmd_COMPLETELY_GENERAL: return CompletelyGeneral(in_data, out_data, extra);
        case PF_Cmd_SMART_PRE_RENDER:
            return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        default: return PF_Err_NONE;
    }
}

// The host callbacks a command calls without further checks. A host whose
// records lack one gets an error instead of a call through a null pointer.
bool CallbacksPresent(PF_Cmd cmd, const PF_InData* in_data) {
    const SPBasicSuite* basic = in_data->pica_basicP;
    if (basic != nullptr && (basic->AcquireSuite == nullptr || basic->ReleaseSuite == nullptr)) return false;
    const PF_UtilCallbacks* utils = in_data->utils;
    switch (cmd) {
        case PF_Cmd_PARAMS_SETUP:
            return utils != nullptr && utils->ansi.strcpy != nullptr && in_data->inter.add_param != nullptr;
        case PF_Cmd_SMART_PRE_RENDER:
            return in_data->inter.checkout_param != nullptr && in_data->inter.checkin_param != nullptr;
        case PF_Cmd_SMART_RENDER:
            return utils != nullptr && utils->copy != nullptr && utils->fill != nullptr &&
                   utils->host_new_handle != nullptr && utils->host_dispose_handle != nullptr &&
                   utils->ansi.hypot != nullptr && utils->ansi.sqrt != nullptr && utils->ansi.strcpy != nullptr;
        case PF_Cmd_USER_CHANGED_PARAM:
        case PF_Cmd_UPDATE_PARAMS_UI:
            return utils != nullptr && utils->host_new_handle != nullptr && utils->ansi.strcpy != nullptr;
        default: return true;
    }
}

}  // namespace

PF_Err DispatchCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       void* extra) {
    // Every handler needs the host's records; a host that sends none gets an
    // error rather than a crash.
    const bool known = cmd == PF_Cmd_ABOUT || cmd == PF_Cmd_GLOBAL_SETUP ||
                       cmd == PF_Cmd_PARAMS_SETUP || cmd == PF_Cmd_SEQUENCE_SETUP ||
                       cmd == PF_Cmd_SEQUENCE_RESETUP || cmd == PF_Cmd_SEQUENCE_SETDOWN ||
                       cmd == PF_Cmd_USER_CHANGED_PARAM || cmd == PF_Cmd_UPDATE_PARAMS_UI ||
                       cmd == PF_Cmd_COMPLETELY_GENERAL || cmd == PF_Cmd_SMART_PRE_RENDER ||
                       cmd == PF_Cmd_SMART_RENDER;
    if (!known) return PF_Err_NONE;
    if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (!CallbacksPresent(cmd, in_data)) return PF_Err_BAD_CALLBACK_PARAM;
    try {
        return Route(cmd, in_data, out_data, params, extra);
    } catch (PF_Err err) {
        return err;
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
