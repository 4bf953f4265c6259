// The session's settings and what tests can see of the effect's doings.
#include "runner/core/session_state.h"

namespace runner {

void Session::SetInput(World input) { state_->input = std::move(input); }
const World& Session::Input() const { return state_->input; }
World& Session::MutableInput() { return state_->input; }

void Session::SetDownsample(PF_RationalScale x, PF_RationalScale y) {
    state_->downsample_x = x;
    state_->downsample_y = y;
}

void Session::SetTime(int32_t current_time, int32_t time_step, uint32_t time_scale) {
    state_->current_time = current_time;
    state_->time_step = time_step;
    state_->time_scale = time_scale;
}

void Session::SetOutputRowPadding(int32_t bytes) { state_->output_row_padding = bytes < 0 ? 0 : bytes; }

void Session::SetLayerSize(int32_t width, int32_t height) {
    state_->layer_width = width;
    state_->layer_height = height;
}

void Session::SetFaults(const Faults& faults) {
    state_->faults = faults;
    state_->fault_counts = FaultCounters{};
}

void Session::ClearFaults() { SetFaults(Faults{}); }
const Faults& Session::CurrentFaults() const { return state_->faults; }

const HandleTable& Session::Handles() const { return state_->handles; }
size_t Session::LiveHandleCount() const { return state_->handles.LiveCount(); }
PF_Handle Session::GlobalData() const { return state_->global_data; }
PF_Handle Session::SequenceData() const { return state_->sequence_data; }
void Session::SetSequenceData(PF_Handle handle) { state_->sequence_data = handle; }

void* Session::LockedBlock(PF_Handle handle) const {
    return state_->handles.IsLive(handle) ? *handle : nullptr;
}

void Session::RecordEvents(bool on) { state_->record_events = on; }

const std::vector<SuiteEvent>& Session::SuiteLog() const { return state_->suite_log; }

int32_t Session::OutstandingSuites(const std::string& name, int32_t version) const {
    auto it = state_->outstanding_suites.find({name, version});
    return it == state_->outstanding_suites.end() ? 0 : it->second;
}

int32_t Session::OutstandingSuites() const {
    int32_t total = 0;
    for (const auto& entry : state_->outstanding_suites) total += entry.second;
    return total;
}

int32_t Session::ParamCheckouts() const { return state_->param_checkouts; }
int32_t Session::ParamCheckins() const { return state_->param_checkins; }
int32_t Session::AddParamCalls() const { return state_->add_param_calls; }
int32_t Session::PathCheckouts() const { return state_->path_checkouts; }
int32_t Session::PathCheckins() const { return state_->path_checkins; }
int32_t Session::OutstandingPathCheckouts() const {
    return static_cast<int32_t>(state_->paths.size());
}
int32_t Session::PathPreparations() const { return state_->path_preparations; }
int32_t Session::OutstandingPathPreparations() const {
    return static_cast<int32_t>(state_->preparations.size());
}
int32_t Session::ProgressCalls() const { return state_->progress_calls; }
const std::vector<ProgressCall>& Session::ProgressLog() const { return state_->progress_log; }
int32_t Session::CopyCalls() const { return state_->copy_calls; }
int32_t Session::FillCalls() const { return state_->fill_calls; }
const std::vector<int32_t>& Session::LayerCheckoutIds() const { return state_->layer_checkout_ids; }
const PF_RenderRequest& Session::LastLayerRequest() const { return state_->last_layer_request; }

const std::vector<UiUpdate>& Session::UiUpdates() const { return state_->ui_updates; }

const UiUpdate* Session::LatestUiUpdate(PF_ParamIndex index) const {
    auto it = state_->ui_state.find(index);
    return it == state_->ui_state.end() ? nullptr : &it->second;
}

AEGP_PluginID Session::RegisteredPluginId() const { return state_->plugin_id; }
const std::string& Session::RegisteredPluginName() const { return state_->plugin_name; }

PF_Cmd Session::LastCommand() const { return state_->last_cmd; }
PF_ParamIndex Session::LastChangedParam() const { return state_->last_changed_param; }
const PF_InData& Session::LastInData() const { return state_->last_in_data; }
const PF_OutData& Session::LastOutData() const { return state_->last_out_data; }
bool Session::LastParamArrayModified() const { return state_->last_params_modified; }

int32_t Session::UnheldSuiteCallCount() const { return state_->unheld_suite_call_count; }
const std::vector<std::string>& Session::UnheldSuiteCalls() const { return state_->unheld_suite_calls; }

void Session::ClearLogs() {
    State& s = *state_;
    s.suite_log.clear();
    s.unheld_suite_calls.clear();
    s.unheld_suite_call_count = 0;
    s.param_checkouts = s.param_checkins = s.add_param_calls = 0;
    s.path_checkouts = s.path_checkins = s.path_preparations = 0;
    s.progress_log.clear();
    s.progress_calls = 0;
    s.copy_calls = s.fill_calls = 0;
    s.ui_updates.clear();
}

}  // namespace runner
