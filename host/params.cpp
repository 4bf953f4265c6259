// The thirteen parameters the effect registers below the input layer.
#include <cstring>

#include "host/commands.h"
#include "host/param_ids.h"

namespace {

constexpr PF_Fixed FixedFromInt(int32_t v) { return static_cast<PF_Fixed>(v * 65536); }

struct ParamBuilder {
    PF_InData* in_data;

    PF_ParamDef Begin(PF_ParamType type, int32_t index, const char* label) const {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        def.param_type = type;
        def.uu.id = index;
        in_data->utils->ansi.strcpy(def.name, label);
        return def;
    }

    PF_Err Add(PF_ParamDef* def) const { return in_data->inter.add_param(in_data->effect_ref, -1, def); }

    PF_Err Path(int32_t index, const char* label) const {
        PF_ParamDef def = Begin(PF_Param_PATH, index, label);
        def.u.path_d.dephault = 0;
        return Add(&def);
    }

    PF_Err Popup(int32_t index, const char* label, int16_t choices, int16_t dflt,
                 const char* names) const {
        PF_ParamDef def = Begin(PF_Param_POPUP, index, label);
        def.u.pd.num_choices = choices;
        def.u.pd.dephault = dflt;
        def.u.pd.value = dflt;
        def.u.pd.namesptr = names;
        return Add(&def);
    }

    PF_Err Slider(int32_t index, const char* label, int32_t valid_min, int32_t valid_max,
                  int32_t slider_min, int32_t slider_max, int32_t dflt) const {
        PF_ParamDef def = Begin(PF_Param_SLIDER, index, label);
        def.u.sd.valid_min = valid_min;
        def.u.sd.slider_min = slider_min;
        def.u.sd.valid_max = valid_max;
        def.u.sd.slider_max = slider_max;
        def.u.sd.dephault = dflt;
        def.u.sd.value = dflt;
        return Add(&def);
    }

    // A 0..100 slider shown as a percentage with one decimal place.
    PF_Err Percent(int32_t index, const char* label, int32_t dflt) const {
        PF_ParamDef def = Begin(PF_Param_FIX_SLIDER, index, label);
        def.u.fd.valid_min = FixedFromInt(0);
        def.u.fd.slider_min = FixedFromInt(0);
        def.u.fd.valid_max = FixedFromInt(100);
        def.u.fd.slider_max = FixedFromInt(100);
        def.u.fd.dephault = FixedFromInt(dflt);
        def.u.fd.value = def.u.fd.dephault;
        def.u.fd.precision = 1;
        def.u.fd.display_flags = PF_ValueDisplayFlag_PERCENT;
        return Add(&def);
    }

    PF_Err FloatSlider(int32_t index, const char* label) const {
        PF_ParamDef def = Begin(PF_Param_FLOAT_SLIDER, index, label);
        def.u.fs_d.valid_min = 0.0f;
        def.u.fs_d.slider_min = 0.0f;
        def.u.fs_d.valid_max = 10.0f;
        def.u.fs_d.slider_max = 2.0f;
        def.u.fs_d.value = 1.0;
        def.u.fs_d.dephault = 1.0;
        def.u.fs_d.precision = 2;
        def.u.fs_d.display_flags = 0;
        def.u.fs_d.fs_flags = 0;
        def.u.fs_d.curve_tolerance = 0.05f;
        def.u.fs_d.use_exponent = 0;
        return Add(&def);
    }

    PF_Err Color(int32_t index, const char* label, PF_Pixel color) const {
        PF_ParamDef def = Begin(PF_Param_COLOR, index, label);
        def.u.cd.value = color;
        def.u.cd.dephault = color;
        return Add(&def);
    }

    PF_Err Checkbox(int32_t index, const char* label) const {
        PF_ParamDef def = Begin(PF_Param_CHECKBOX, index, label);
        def.u.bd.nameptr = "";
        def.u.bd.value = 0;
        def.u.bd.dephault = 0;
        return Add(&def);
    }
};

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
    const ParamBuilder b{in_data};
    const PF_Pixel white{255, 255, 255, 255};
    PF_Err err = PF_Err_NONE;
    // Registration stops at the first refusal; the host keeps what it took.
    if (!err) err = b.Path(PARAM_PATH, "Path");
    if (!err) err = b.Popup(PARAM_MODE, "Mode", 3, MODE_CONTINUOUS, "Continuous|Discrete 1|Discrete 2");
    if (!err) err = b.Popup(PARAM_DIRECTION, "Direction", 2, DIRECTION_PATH, "Path|Normal");
    if (!err) err = b.Percent(PARAM_TIME, "Time", 50);
    if (!err) err = b.Slider(PARAM_MAX_RADIUS, "Max Radius", 2, 5000, 2, 500, 50);
    if (!err) err = b.Percent(PARAM_MIN_RADIUS, "Min Radius", 10);
    if (!err) err = b.Slider(PARAM_EDGE_THICKNESS, "Edge Thickness", 1, 100, 1, 10, 1);
    if (!err) err = b.Popup(PARAM_EDGE_MODE, "Edge Mode", 2, EDGE_MODE_BRIGHTNESS, "Brightness|Color");
    if (!err) err = b.FloatSlider(PARAM_EDGE_BRIGHTNESS, "Edge Brightness");
    if (!err) err = b.Color(PARAM_EDGE_COLOR, "Edge Color", white);
    if (!err) err = b.Checkbox(PARAM_INVERT, "Invert");
    if (!err) err = b.Slider(PARAM_SEED, "Seed", 0, 50000, 0, 100, 0);
    if (!err) err = b.Checkbox(PARAM_ON_ORIGINAL, "On Original");
    if (!err) out_data->num_params = PARAM_COUNT;
    return err;
}
