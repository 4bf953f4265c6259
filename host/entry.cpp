// The effect library's only export.
#include "host/commands.h"
#include "host/export.h"

extern "C" FOLVEK_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                               PF_OutData* out_data, PF_ParamDef* params[],
                                               PF_LayerDef* /*output*/, void* extra) {
    return DispatchCommand(cmd, in_data, out_data, params, extra);
}
