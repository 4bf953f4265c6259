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
