// The handlers behind EntryPointFunc, one per command the effect answers.
#ifndef FOLVEK_COMMANDS_H
#define FOLVEK_COMMANDS_H

#include "host/host_api.h"

PF_Err About(PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* out_data);
PF_Err UpdateParamsUi(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);
PF_Err CompletelyGeneral(PF_InData* in_data, PF_OutData* out_data, const void* extra);
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

// Routes one command to its handler; codes without a handler answer 0.
// Thrown PF_Err values become the result; nothing else escapes.
PF_Err DispatchCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       void* extra);

#endif
