// in_data->inter: parameter registration, checkout and check-in, progress.
#include <string.h>

#include "runner/core/session_state.h"

namespace runner {

namespace {

constexpr double FIXED_ONE = 65536.0;
// Texts the effect points us at are read up to this length: enough for any
// label or choice list, and a stray pointer cannot make us read forever.
constexpr size_t MAX_FOREIGN_TEXT = 4096;

std::string ForeignText(const char* text) {
    if (text == nullptr) return std::string();
    return std::string(text, strnlen(text, MAX_FOREIGN_TEXT));
}

std::vector<std::string> SplitChoices(const std::string& text) {
    std::vector<std::string> choices;
    size_t start = 0;
    for (size_t bar = text.find('|'); bar != std::string::npos; bar = text.find('|', start)) {
        choices.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    choices.push_back(text.substr(start));
    return choices;
}

// The host's record of one definition, and the initial value it carries.
ParamDefinition Describe(const PF_ParamDef& def, ValueTrack* value) {
    ParamDefinition p;
    p.raw = def;
    p.type = def.param_type;
    p.label = std::string(def.name, strnlen(def.name, sizeof def.name));
    p.id = def.uu.id;
    const PF_ParamDefUnion& u = def.u;
    switch (def.param_type) {
        case PF_Param_SLIDER:
            p.valid_min = u.sd.valid_min;
            p.valid_max = u.sd.valid_max;
            p.slider_min = u.sd.slider_min;
            p.slider_max = u.sd.slider_max;
            p.default_value = u.sd.dephault;
            value->keys = {ScalarKey{0.0, static_cast<double>(u.sd.value), KEY_LINEAR}};
            break;
        case PF_Param_FIX_SLIDER:
            p.valid_min = u.fd.valid_min / FIXED_ONE;
            p.valid_max = u.fd.valid_max / FIXED_ONE;
            p.slider_min = u.fd.slider_min / FIXED_ONE;
            p.slider_max = u.fd.slider_max / FIXED_ONE;
            p.default_value = u.fd.dephault / FIXED_ONE;
            p.precision = u.fd.precision;
            p.display_flags = u.fd.display_flags;
            value->keys = {ScalarKey{0.0, u.fd.value / FIXED_ONE, KEY_LINEAR}};
            break;
        case PF_Param_FLOAT_SLIDER:
            p.valid_min = u.fs_d.valid_min;
            p.valid_max = u.fs_d.valid_max;
            p.slider_min = u.fs_d.slider_min;
            p.slider_max = u.fs_d.slider_max;
            p.default_value = u.fs_d.dephault;
            p.precision = u.fs_d.precision;
            p.display_flags = u.fs_d.display_flags;
            p.fs_flags = u.fs_d.fs_flags;
            p.curve_tolerance = u.fs_d.curve_tolerance;
            value->keys = {ScalarKey{0.0, u.fs_d.value, KEY_LINEAR}};
            break;
        case PF_Param_CHECKBOX:
            p.default_value = u.bd.dephault;
            p.checkbox_text = ForeignText(u.bd.nameptr);
            value->keys = {ScalarKey{0.0, static_cast<double>(u.bd.value), KEY_LINEAR}};
            break;
        case PF_Param_POPUP:
            p.default_value = u.pd.dephault;
            p.num_choices = u.pd.num_choices;
            p.choice_text = ForeignText(u.pd.namesptr);
            p.choices = SplitChoices(p.choice_text);
            value->keys = {ScalarKey{0.0, static_cast<double>(u.pd.value), KEY_LINEAR}};
            break;
        case PF_Param_PATH:
            p.default_value = u.path_d.dephault;
            value->keys = {ScalarKey{0.0, static_cast<double>(u.path_d.path_id), KEY_LINEAR}};
            break;
        case PF_Param_COLOR:
            p.default_color = u.cd.dephault;
            value->color_keys = {ColorKey{0.0, u.cd.value, KEY_LINEAR}};
            break;
        default: break;
    }
    return p;
}

PF_Err AddParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        ++s->add_param_calls;
        if (Session::State::Hit(&s->fault_counts.add_params, s->faults.fail_add_param)) {
            return s->faults.error;
        }
        // Definitions are accepted only while the effect sets them up, and
        // only appended (-1, or the next index).
        const PF_ParamIndex next = static_cast<PF_ParamIndex>(s->params.size());
        if (def == nullptr || s->current_cmd != PF_Cmd_PARAMS_SETUP ||
            (index != -1 && index != next)) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        ValueTrack value;
        ParamDefinition p = Describe(*def, &value);
        p.index = next;
        s->params.push_back(std::move(p));
        s->values.push_back(value);
        ++s->change_counter;
        return PF_Err_NONE;
    });
}

PF_Err CheckoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, int32_t what_time,
                     int32_t /*time_step*/, uint32_t time_scale, PF_ParamDef* param) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (Session::State::Hit(&s->fault_counts.param_checkouts, s->faults.fail_param_checkout)) {
            return s->faults.error;
        }
        if (index < 0 || static_cast<size_t>(index) >= s->params.size()) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *param = s->DefAt(index, s->ToSessionTime(what_time, time_scale));
        ++s->param_checkouts;
        return PF_Err_NONE;
    });
}

PF_Err CheckinParam(PF_ProgPtr effect_ref, PF_ParamDef* param) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        // More check-ins than checkouts: one of them was never checked out.
        if (s->param_checkins >= s->param_checkouts) return PF_Err_BAD_CALLBACK_PARAM;
        ++s->param_checkins;
        return PF_Err_NONE;
    });
}

PF_Err Progress(PF_ProgPtr effect_ref, int32_t done, int32_t total) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        ++s->progress_calls;
        if (s->record_events) s->progress_log.push_back(ProgressCall{done, total});
        if (Session::State::Hit(&s->fault_counts.progress_calls, s->faults.progress_interrupt_at)) {
            return s->faults.progress_error;
        }
        return PF_Err_NONE;
    });
}

}  // namespace

const PF_InteractCallbacks INTERACT_CALLBACKS = {CheckoutParam, CheckinParam, AddParam, Progress};

}  // namespace runner
