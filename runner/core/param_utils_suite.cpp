// "PF Param Utils Suite": interface updates and parameter-state snapshots.
// A PF_State is our change counter plus a hash of every value; each state
// we hand out is remembered with per-parameter fingerprints, so that
// PF_HasParamChanged can answer for one parameter as well as for all.
#include <string.h>

#include "runner/core/session_state.h"
#include "runner/core/suite_tables.h"

namespace runner {

namespace {

// Enough for any effect's update pattern; the oldest states are forgotten
// (and then count as "changed").
constexpr size_t MAX_SNAPSHOTS = 64;

bool SameState(const PF_State& a, const PF_State& b) { return memcmp(&a, &b, sizeof a) == 0; }

PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PARAM_UTILS, "PF_UpdateParamUI")) return PF_Err_BAD_CALLBACK_PARAM;
        if (s->faults.fail_update_param_ui) return s->faults.error;
        if (def == nullptr || index <= 0 || static_cast<size_t>(index) >= s->params.size()) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        UiUpdate u;
        u.index = index;
        u.type = def->param_type;
        u.ui_flags = def->ui_flags;
        u.name = std::string(def->name, strnlen(def->name, sizeof def->name));
        if (s->record_events) s->ui_updates.push_back(u);
        s->ui_state[index] = std::move(u);
        return PF_Err_NONE;
    });
}

PF_Err GetCurrentState(PF_ProgPtr effect_ref, PF_State* state) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || state == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PARAM_UTILS, "PF_GetCurrentState")) return PF_Err_BAD_CALLBACK_PARAM;
        if (s->faults.fail_get_current_state) return s->faults.error;
        StateSnapshot snap;
        snap.state = s->MakeState();
        for (size_t i = 0; i < s->params.size(); ++i) {
            snap.fingerprints.push_back(s->Fingerprint(static_cast<PF_ParamIndex>(i), s->current_time));
        }
        *state = snap.state;
        s->snapshots.push_back(std::move(snap));
        if (s->snapshots.size() > MAX_SNAPSHOTS) s->snapshots.pop_front();
        return PF_Err_NONE;
    });
}

PF_Err HasParamChanged(PF_ProgPtr effect_ref, const PF_State* state, PF_ParamIndex index,
                       PF_Boolean* changed) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || state == nullptr || changed == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PARAM_UTILS, "PF_HasParamChanged")) return PF_Err_BAD_CALLBACK_PARAM;
        if (s->faults.fail_has_param_changed) return s->faults.error;
        if (index >= 0 && static_cast<size_t>(index) >= s->params.size()) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const StateSnapshot* snap = nullptr;
        for (const StateSnapshot& candidate : s->snapshots) {
            if (SameState(candidate.state, *state)) snap = &candidate;
        }
        if (snap == nullptr) {
            *changed = 1;  // a state we never handed out: nothing to compare with
            return PF_Err_NONE;
        }
        bool any = false;
        for (size_t i = 0; i < s->params.size(); ++i) {
            if (index >= 0 && static_cast<size_t>(index) != i) continue;
            const uint64_t now = s->Fingerprint(static_cast<PF_ParamIndex>(i), s->current_time);
            // A parameter registered after the snapshot counts as changed.
            if (i >= snap->fingerprints.size() || snap->fingerprints[i] != now) any = true;
        }
        *changed = any ? 1 : 0;
        return PF_Err_NONE;
    });
}

}  // namespace

const PF_ParamUtilsSuite1 PARAM_UTILS_SUITE = {UpdateParamUI, GetCurrentState, HasParamChanged};

}  // namespace runner
