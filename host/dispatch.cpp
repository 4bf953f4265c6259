#include <new>

#include "host/commands.h"

namespace {

// Every command the effect answers, with its handler; any other code is
// answered with 0 at once.
using Handler = PF_Err (*)(PF_InData*, PF_OutData*, PF_ParamDef**, void*);
struct Route {
    PF_Cmd cmd;
    Handler handler;
};
const Route ROUTES[] = {
    {PF_Cmd_ABOUT, [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return About(in, out); }},
    {PF_Cmd_GLOBAL_SETUP,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return GlobalSetup(in, out); }},
    {PF_Cmd_PARAMS_SETUP,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return ParamsSetup(in, out); }},
    {PF_Cmd_SEQUENCE_SETUP,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return SequenceSetup(in, out); }},
    {PF_Cmd_SEQUENCE_RESETUP,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return SequenceSetup(in, out); }},
    {PF_Cmd_SEQUENCE_SETDOWN,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void*) { return SequenceSetdown(in, out); }},
    {PF_Cmd_USER_CHANGED_PARAM,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef** params, void*) { return UpdateParamsUi(in, out, params); }},
    {PF_Cmd_UPDATE_PARAMS_UI,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef** params, void*) { return UpdateParamsUi(in, out, params); }},
    {PF_Cmd_COMPLETELY_GENERAL,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void* extra) { return CompletelyGeneral(in, out, extra); }},
    {PF_Cmd_SMART_PRE_RENDER,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void* extra) {
         return SmartPreRender(in, out, static_cast<PF_PreRenderExtra*>(extra));
     }},
    {PF_Cmd_SMART_RENDER,
     [](PF_InData* in, PF_OutData* out, PF_ParamDef**, void* extra) {
         return SmartRender(in, out, static_cast<PF_SmartRenderExtra*>(extra));
     }},
};

Handler HandlerOf(PF_Cmd cmd) {
    for (const Route& route : ROUTES) {
        if (route.cmd == cmd) return route.handler;
    }
    return nullptr;
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
    const Handler handler = HandlerOf(cmd);
    if (handler == nullptr) return PF_Err_NONE;
    // Every handler needs the host's records; a host that sends none gets an
    // error rather than a crash.
    if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (!CallbacksPresent(cmd, in_data)) return PF_Err_BAD_CALLBACK_PARAM;
    try {
        return handler(in_data, out_data, params, extra);
    } catch (PF_Err err) {
        return err;
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
