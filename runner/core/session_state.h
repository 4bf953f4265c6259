// The host's side of a session, shared by the session's commands and the
// callbacks and suites it serves. Internal to the runner library.
#ifndef FOLVEK_RUNNER_CORE_SESSION_STATE_H
#define FOLVEK_RUNNER_CORE_SESSION_STATE_H

#include <stdint.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "runner/core/faults.h"
#include "runner/core/handles.h"
#include "runner/core/keyframes.h"
#include "runner/core/mask_path.h"
#include "runner/core/segment_walks.h"
#include "runner/core/session.h"
#include "runner/core/world.h"

namespace runner {

// A parameter's value over time: keys, one for a value that never changes
// (see keyframes.h). Colours have colour keys, everything else scalar keys;
// the input layer has neither.
struct ValueTrack {
    std::vector<ScalarKey> keys;
    std::vector<ColorKey> color_keys;
};

// A mask's shape over time: keys, one for a mask that stays.
struct MaskTrack {
    std::vector<MaskKey> keys;
};

// A path the effect has checked out: the mask at the asked time, already
// at the current resolution.
struct CheckedOutPath {
    PF_PathID id = 0;
    MaskPath path;
};

struct PathPreparation {
    const CheckedOutPath* path = nullptr;
    int32_t segment = 0;
    std::unique_ptr<SegmentWalk> walk;
};

struct StateSnapshot {
    PF_State state{};
    std::vector<uint64_t> fingerprints;  // one per parameter
};

// Counters of the calls that faults can pick ("fail the n-th ...").
struct FaultCounters {
    int32_t handle_allocations = 0;
    int32_t locks = 0;
    int32_t add_params = 0;
    int32_t param_checkouts = 0;
    int32_t progress_calls = 0;
    int32_t path_calls[PATH_OP_CLEANUP + 1] = {};
};

// The tables handed to the effect; the functions find their session
// through ActiveState().
extern const PF_InteractCallbacks INTERACT_CALLBACKS;
extern const PF_UtilCallbacks UTIL_CALLBACKS;
extern const SPBasicSuite BASIC_SUITE;
extern const PF_PreRenderCallbacks PRE_RENDER_CALLBACKS;
extern const PF_SmartRenderCallbacks SMART_RENDER_CALLBACKS;

// The suites we serve, in the basic suite's table order.
enum ServedSuite : int32_t {
    SERVED_ANSI,
    SERVED_HANDLE,
    SERVED_UTILITY,
    SERVED_PARAM_UTILS,
    SERVED_PATH_QUERY,
    SERVED_PATH_DATA,
    SERVED_WORLD,
    SERVED_MASK,
    SERVED_SUITE_COUNT
};

struct Session::State {
    std::shared_ptr<const void> keep_loaded;
    PF_EntryPointFunc entry = nullptr;

    // ---- what the host keeps for the instance ----
    HandleTable handles;
    PF_Handle global_data = nullptr;
    PF_Handle sequence_data = nullptr;
    std::vector<ParamDefinition> params;
    std::vector<ValueTrack> values;
    uint32_t change_counter = 0;
    std::deque<StateSnapshot> snapshots;
    std::map<PF_PathID, MaskTrack> masks;
    World input;
    World output;
    World recycled_output;  // handed back by the caller for the next smart render
    PF_RationalScale downsample_x{1, 1};
    PF_RationalScale downsample_y{1, 1};
    int32_t current_time = 0;
    int32_t time_step = 1;
    uint32_t time_scale = 30;
    int32_t output_row_padding = 0;
    int32_t layer_width = -1;   // -1: derived from the input
    int32_t layer_height = -1;

    // Our own copies of the tables handed out as non-const pointers, so an
    // effect that writes into one harms only its own session.
    PF_UtilCallbacks utils = UTIL_CALLBACKS;
    SPBasicSuite basic = BASIC_SUITE;

    // ---- during a call ----
    PF_Cmd current_cmd = -1;
    std::function<void(PF_InData*, PF_OutData*)> hook;

    // ---- faults ----
    Faults faults;
    FaultCounters fault_counts;

    // ---- what the effect did: counts and state always, logs when asked ----
    bool record_events = false;
    std::vector<SuiteEvent> suite_log;
    std::map<std::pair<std::string, int32_t>, int32_t> outstanding_suites;
    int32_t held_suites[SERVED_SUITE_COUNT] = {};  // acquisitions not yet released
    int32_t unheld_suite_call_count = 0;
    std::vector<std::string> unheld_suite_calls;  // "PF Handle Suite host_dispose_handle"
    int32_t param_checkouts = 0;
    int32_t param_checkins = 0;
    int32_t add_param_calls = 0;
    std::deque<std::unique_ptr<CheckedOutPath>> paths;
    // By the pointer handed to the effect: found in constant time however
    // many segments an effect holds prepared at once.
    std::unordered_map<const PathPreparation*, std::unique_ptr<PathPreparation>> preparations;
    KeptWalks kept_walks;  // segments walked in recent frames, for a mask that stays
    int32_t path_checkouts = 0;
    int32_t path_checkins = 0;
    int32_t path_preparations = 0;
    int32_t progress_calls = 0;
    std::vector<ProgressCall> progress_log;
    int32_t copy_calls = 0;
    int32_t fill_calls = 0;
    std::vector<int32_t> layer_checkout_ids;
    PF_RenderRequest last_layer_request{};
    std::vector<UiUpdate> ui_updates;
    std::map<PF_ParamIndex, UiUpdate> ui_state;  // the latest update of each parameter
    AEGP_PluginID plugin_id = 0;
    std::string plugin_name;
    int32_t plugins_registered = 0;
    PF_Cmd last_cmd = -1;
    PF_ParamIndex last_changed_param = 0;
    // num_params as the last successful parameter set-up declared it; 0 before.
    int32_t declared_params = 0;
    PF_InData last_in_data{};
    PF_OutData last_out_data{};
    bool last_params_modified = false;

    // Helpers shared by the callbacks (param_values.cpp, session.cpp).
    int32_t LayerWidth() const;
    int32_t LayerHeight() const;
    int32_t ToSessionTime(int32_t what_time, uint32_t scale) const;
    double Seconds(int32_t time) const { return time_scale == 0 ? 0.0 : time / static_cast<double>(time_scale); }
    PF_ParamDef DefAt(PF_ParamIndex index, int32_t time) const;
    uint64_t Fingerprint(PF_ParamIndex index, int32_t time) const;
    PF_State MakeState() const;
    bool MaskAt(PF_PathID id, int32_t time, MaskPath* out) const;
    // The World behind a record the effect hands back, or null for a
    // record we did not hand out.
    World* KnownWorld(const PF_EffectWorld* def);
    // True when the n-th call (counted in *counter) is the one to fail.
    static bool Hit(int32_t* counter, int32_t fail_at) {
        ++*counter;
        return fail_at > 0 && *counter == fail_at;
    }
};

// The session whose command is running on this thread, null outside one.
Session::State* ActiveState();

// Makes `state` the active session of this thread for its lifetime.
class ActiveSession {
public:
    explicit ActiveSession(Session::State* state);
    ~ActiveSession();
    ActiveSession(const ActiveSession&) = delete;
    ActiveSession& operator=(const ActiveSession&) = delete;

private:
    Session::State* previous_;
};

// The active session if `effect_ref` is its reference, else null: a
// callback made with a stale or foreign reference is refused.
Session::State* StateFor(PF_ProgPtr effect_ref);

// Runs `body`, turning any C++ exception into an error code so that none
// crosses into the effect.
template <typename Body>
PF_Err Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

// A suite's functions serve only while the effect holds the suite: a call
// through a table it has released (or never acquired) is logged and refused,
// as a host that unloads released suites would.
bool SuiteHeld(Session::State* s, ServedSuite suite, const char* function);

}  // namespace runner

#endif
