// About, global and sequence set-up and set-down, and the completely-general
// command.
#include "host/commands.h"
#include "host/records.h"
#include "host/suite_cache.h"
#include "host/suite_reporting.h"
#include "resources/pipl.h"

namespace {

constexpr const char* ABOUT_TAGLINE = "Imagination!";
constexpr const char* REGISTRY_NAME = "Error!";

}  // namespace

PF_Err About(PF_InData* in_data, PF_OutData* out_data) {
    HostSuiteCache cache(in_data->pica_basicP);
    cache.AnsiSuite()->sprintf(out_data->return_msg, "%s, v%d.%d\r%s", EFFECT_NAME, EFFECT_MAJOR_VERSION, EFFECT_MINOR_VERSION,
                               ABOUT_TAGLINE);
    return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
    HostSuiteCache cache(in_data->pica_basicP);
    out_data->my_version = EFFECT_VERSION;
    out_data->out_flags |= EFFECT_OUT_FLAGS;
    out_data->out_flags2 |= EFFECT_OUT_FLAGS2;

    const PF_HandleSuite1* handles = cache.HandleSuite();
    PF_Handle handle = handles->host_new_handle(static_cast<uint32_t>(sizeof(GlobalData)));
    if (handle == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    PF_Err err = PF_Err_NONE;
    bool handed_over = false;
    auto* global = static_cast<GlobalData*>(handles->host_lock_handle(handle));
    if (global != nullptr) {
        global->initialized = 1;
        err = cache.UtilitySuite()->AEGP_RegisterWithAEGP(nullptr, REGISTRY_NAME, &global->plugin_id);
        if (err == PF_Err_NONE) {
            out_data->global_data = handle;
            handed_over = true;
        }
    }
    handles->host_unlock_handle(handle);
    // A handle the host never receives would be lost for good.
    if (!handed_over) handles->host_dispose_handle(handle);
    return err;
}

PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* /*out_data*/) {
    if (in_data->sequence_data == nullptr) return PF_Err_NONE;
    HostSuiteCache cache(in_data->pica_basicP);
    cache.HandleSuite()->host_dispose_handle(in_data->sequence_data);
    return PF_Err_NONE;
}

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data) {
    HostSuiteCache cache(in_data->pica_basicP);
    SequenceSetdown(in_data, out_data);
    in_data->sequence_data = nullptr;  // disposed: never to be read again

    const PF_HandleSuite1* handles = cache.HandleSuite();
    PF_Handle handle = handles->host_new_handle(static_cast<uint32_t>(sizeof(SequenceByte)));
    if (handle == nullptr) return PF_Err_OUT_OF_MEMORY;
    auto* block = static_cast<SequenceByte*>(handles->host_lock_handle(handle));
    if (block == nullptr) {
        handles->host_dispose_handle(handle);
        return PF_Err_NONE;
    }
    *block = 0;
    out_data->sequence_data = handle;
    handles->host_unlock_handle(handle);
    return PF_Err_NONE;
}

PF_Err CompletelyGeneral(PF_InData* in_data, PF_OutData* out_data, const void* extra) {
    HostSuiteCache cache(in_data->pica_basicP);
    const BoundedText text = BoundMessage(static_cast<const char*>(extra));
    cache.AnsiSuite()->sprintf(out_data->return_msg, "%s", text.text);
    return PF_Err_NONE;
}
