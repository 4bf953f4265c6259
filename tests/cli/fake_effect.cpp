// A stand-in effect library for the tool's failure paths. It carries an
// empty property list, registers one slider under an id that is not its
// place in the parameter list (ids are the effect's names, places the
// host's), and fails every pre-render
// with code 1234 and a message. Built without FAKE_EFFECT_HAS_ENTRY it
// exports no entry point at all.
#include <cstring>

#include "host/host_api.h"

extern "C" {
// Version 1, reserved 0, no properties.
__attribute__((section("PIPL"), used)) const unsigned char FakePipl[12] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

#ifdef FAKE_EFFECT_HAS_ENTRY
namespace {

PF_Err AddGain(PF_InData* in_data) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = PF_Param_SLIDER;
    def.uu.id = 7;
    std::strcpy(def.name, "Gain");
    def.u.sd.valid_min = def.u.sd.slider_min = 0;
    def.u.sd.valid_max = def.u.sd.slider_max = 10;
    def.u.sd.value = def.u.sd.dephault = 5;
    return in_data->inter.add_param(in_data->effect_ref, -1, &def);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                                        PF_OutData* out_data, PF_ParamDef**,
                                                                        PF_LayerDef*, void*) {
    switch (cmd) {
    case PF_Cmd_PARAMS_SETUP: {
        const PF_Err err = AddGain(in_data);
        if (err == PF_Err_NONE) out_data->num_params = 2;
        return err;
    }
    case PF_Cmd_SMART_PRE_RENDER:
        std::strcpy(out_data->return_msg, "Fake failure");
        out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        return 1234;
    default:
        return PF_Err_NONE;
    }
}
#endif
