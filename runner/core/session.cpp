// A session's commands: each builds the records a host hands over, makes
// one EntryPointFunc call with this session active on the thread, and keeps
// what the effect handed back.
#include "runner/core/session.h"

#include <algorithm>
#include <string.h>

#include "runner/core/session_state.h"

namespace runner {

namespace {

constexpr int32_t ALL_CHANNELS = 0xF;

std::string ReturnMessage(const PF_OutData& out) {
    return std::string(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
}

ParamDefinition InputLayerDefinition() {
    ParamDefinition p;
    p.type = PF_Param_LAYER;
    p.raw.param_type = PF_Param_LAYER;
    return p;
}

}  // namespace

Status CheckFrame(const RenderResult& r, const std::string& frame_label) {
    const CommandResult& last = r.render_ran ? r.render : r.pre_render;
    const std::string stage = r.render_ran ? "render" : "pre-render";
    if (last.err != PF_Err_NONE) {
        return Error{stage + frame_label + " failed with " + DescribeEffectError(last.err, last.return_msg)};
    }
    if (r.output.Empty()) return Error{"the effect produced no output image"};
    return Success();
}

std::string DescribeEffectError(PF_Err err, const std::string& return_msg) {
    std::string s = "error " + std::to_string(err);
    if (!return_msg.empty()) s += " (" + return_msg + ")";
    return s;
}

Session::Session(PF_EntryPointFunc entry_point, std::shared_ptr<const void> keep_loaded) : state_(new State) {
    state_->keep_loaded = std::move(keep_loaded);
    state_->entry = entry_point;
    state_->params.push_back(InputLayerDefinition());
    state_->values.emplace_back();
}

Session::~Session() = default;

CommandResult Session::CallWith(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output,
                                void* extra) {
    State& s = *state_;
    CommandResult result;

    PF_InData in;
    memset(&in, 0, sizeof in);
    in.inter = INTERACT_CALLBACKS;
    s.utils = UTIL_CALLBACKS;
    s.basic = BASIC_SUITE;
    in.utils = &s.utils;
    in.effect_ref = &s;
    in.current_time = s.current_time;
    in.time_step = s.time_step;
    in.time_scale = s.time_scale;
    in.width = s.LayerWidth();
    in.height = s.LayerHeight();
    in.downsample_x = s.downsample_x;
    in.downsample_y = s.downsample_y;
    in.global_data = s.global_data;
    in.sequence_data = s.sequence_data;
    in.pica_basicP = s.faults.null_basic_suite ? nullptr : &s.basic;

    // What the effect creates at set-up starts out empty, so that a failed
    // set-up never leaves us holding a handle it has already disposed of.
    const bool makes_sequence = cmd == PF_Cmd_SEQUENCE_SETUP || cmd == PF_Cmd_SEQUENCE_RESETUP;
    PF_OutData out;
    memset(&out, 0, sizeof out);
    out.global_data = cmd == PF_Cmd_GLOBAL_SETUP ? nullptr : s.global_data;
    out.sequence_data = makes_sequence ? nullptr : s.sequence_data;

    if (s.hook) s.hook(&in, &out);

    if (s.entry == nullptr) {
        result.err = PF_Err_BAD_CALLBACK_PARAM;
        return result;
    }
    s.current_cmd = cmd;
    {
        ActiveSession active(&s);
        try {
            result.err = s.entry(cmd, &in, &out, params, output, extra);
        } catch (...) {
            // Nothing should come out of a C entry point; if it does, it stops here.
            result.escaped_exception = true;
            result.err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    s.current_cmd = -1;

    if (cmd == PF_Cmd_GLOBAL_SETUP || out.global_data != nullptr) s.global_data = out.global_data;
    if (cmd == PF_Cmd_SEQUENCE_SETDOWN) {
        s.sequence_data = nullptr;  // disposed of by the effect
    } else {
        s.sequence_data = out.sequence_data;
    }

    result.return_msg = ReturnMessage(out);
    result.out_flags = out.out_flags;
    result.out_flags2 = out.out_flags2;
    result.my_version = out.my_version;
    result.num_params = out.num_params;
    s.last_cmd = cmd;
    s.last_in_data = in;
    s.last_out_data = out;
    return result;
}

CommandResult Session::Call(PF_Cmd cmd, void* extra) {
    State& s = *state_;
    // The parameter array: fresh copies of our definitions at the current
    // time, so whatever the effect writes into it never reaches our own.
    std::vector<PF_ParamDef> defs(s.params.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        defs[i] = s.DefAt(static_cast<PF_ParamIndex>(i), s.current_time);
    }
    // Byte copy, so padding compares equal unless the effect wrote into it.
    std::vector<uint8_t> before(defs.size() * sizeof(PF_ParamDef));
    if (!defs.empty()) memcpy(before.data(), defs.data(), before.size());
    // The array is as long as the effect declared it, so an effect that
    // registered fewer definitions finds null entries, never the end of
    // our buffer.
    const size_t declared = s.declared_params > 0 ? static_cast<size_t>(s.declared_params) : 0;
    std::vector<PF_ParamDef*> pointers(std::max(defs.size(), declared), nullptr);
    for (size_t i = 0; i < defs.size(); ++i) pointers[i] = &defs[i];
    // An instance whose parameter set-up never succeeded has no parameter
    // array to show in an interface update.
    const bool needs_params = cmd == PF_Cmd_UPDATE_PARAMS_UI || cmd == PF_Cmd_USER_CHANGED_PARAM;
    PF_ParamDef** array = needs_params && declared == 0 ? nullptr : pointers.data();
    PF_LayerDef output;
    memset(&output, 0, sizeof output);

    CommandResult result = CallWith(cmd, array, &output, extra);
    s.last_params_modified =
        !defs.empty() && memcmp(defs.data(), before.data(), before.size()) != 0;
    return result;
}

void Session::SetCallHook(std::function<void(PF_InData*, PF_OutData*)> hook) {
    state_->hook = std::move(hook);
}

CommandResult Session::GlobalSetup() { return Call(PF_Cmd_GLOBAL_SETUP); }

CommandResult Session::ParamsSetup() {
    // A new set-up replaces whatever was registered before.
    state_->params.resize(1);
    state_->declared_params = 0;
    state_->values.resize(1);
    ++state_->change_counter;
    CommandResult result = Call(PF_Cmd_PARAMS_SETUP);
    if (result.err == PF_Err_NONE) state_->declared_params = result.num_params;
    return result;
}

CommandResult Session::SequenceSetup() { return Call(PF_Cmd_SEQUENCE_SETUP); }
CommandResult Session::SequenceResetup() { return Call(PF_Cmd_SEQUENCE_RESETUP); }
CommandResult Session::SequenceSetdown() { return Call(PF_Cmd_SEQUENCE_SETDOWN); }
CommandResult Session::UpdateParamsUi() { return Call(PF_Cmd_UPDATE_PARAMS_UI); }

CommandResult Session::UserChangedParam(PF_ParamIndex index) {
    state_->last_changed_param = index;
    return Call(PF_Cmd_USER_CHANGED_PARAM);
}

CommandResult Session::About() { return Call(PF_Cmd_ABOUT); }

CommandResult Session::CompletelyGeneral(const char* text) {
    return Call(PF_Cmd_COMPLETELY_GENERAL, const_cast<char*>(text));
}

CommandResult Session::SetUp() {
    CommandResult r = GlobalSetup();
    if (r.err != PF_Err_NONE) return r;
    r = ParamsSetup();
    if (r.err != PF_Err_NONE) return r;
    r = SequenceSetup();
    if (r.err != PF_Err_NONE) return r;
    return UpdateParamsUi();
}

PreRenderResult Session::SmartPreRender(const PF_RenderRequest* request,
                                        const PF_PreRenderOutput* initial) {
    State& s = *state_;
    PF_PreRenderInput input;
    memset(&input, 0, sizeof input);
    if (request != nullptr) {
        input.output_request = *request;
    } else {
        input.output_request.rect = PF_LRect{0, 0, s.input.Width(), s.input.Height()};
        input.output_request.channel_mask = ALL_CHANNELS;
    }
    PreRenderResult result;
    memset(&result.output, 0, sizeof result.output);
    if (initial != nullptr) result.output = *initial;
    PF_PreRenderCallbacks callbacks = PRE_RENDER_CALLBACKS;
    PF_PreRenderExtra extra{&input, &result.output, &callbacks};
    s.layer_checkout_ids.clear();
    result.command = Call(PF_Cmd_SMART_PRE_RENDER, &extra);
    return result;
}

CommandResult Session::SmartRender(void* pre_render_data, bool reuse_output) {
    State& s = *state_;
    const PF_PixelFormat format =
        s.input.Format() == PF_PixelFormat_INVALID ? PF_PixelFormat_ARGB32 : s.input.Format();
    int32_t height = s.input.Height() + s.faults.output_height_delta;
    if (height < 0) height = 0;
    const int64_t rowbytes = int64_t{s.input.Width()} * BytesPerPixel(format) + s.output_row_padding;
    auto fits = [&](const World& w) {
        return !w.Empty() && w.Format() == format && w.Width() == s.input.Width() && w.Height() == height &&
               w.RowBytes() == rowbytes;
    };
    if (!(reuse_output && fits(s.output))) {
        if (fits(s.recycled_output)) {
            // Its canaries were filled once when it was made; they are not
            // filled again, so a write past the image in any frame stays seen.
            s.output = std::move(s.recycled_output);
            s.recycled_output = World();
        } else {
            Result<World> output =
                World::Create(format, s.input.Width(), height, s.output_row_padding, PADDING_CANARY);
            if (!output) {
                CommandResult failed;
                failed.err = PF_Err_OUT_OF_MEMORY;
                return failed;
            }
            s.output = std::move(*output);
        }
    }

    PF_SmartRenderInput input;
    memset(&input, 0, sizeof input);
    input.output_request.rect = PF_LRect{0, 0, s.input.Width(), s.input.Height()};
    input.output_request.channel_mask = ALL_CHANNELS;
    input.pre_render_data = pre_render_data;
    PF_SmartRenderCallbacks callbacks = SMART_RENDER_CALLBACKS;
    PF_SmartRenderExtra extra{&input, &callbacks};
    return Call(PF_Cmd_SMART_RENDER, &extra);
}

bool Session::DeletePreRenderData(const PF_PreRenderOutput& output) {
    if (output.delete_pre_render_data_func == nullptr || output.pre_render_data == nullptr) {
        return false;
    }
    // The deletion function may call back into us (to dispose of a handle).
    ActiveSession active(state_.get());
    try {
        output.delete_pre_render_data_func(output.pre_render_data);
    } catch (...) {
        // Nothing may escape from the effect's code into ours.
    }
    return true;
}

RenderResult Session::RenderFrame() {
    RenderResult result;
    PreRenderResult pre = SmartPreRender();
    result.pre_render = pre.command;
    result.result_rect = pre.output.result_rect;
    result.max_result_rect = pre.output.max_result_rect;
    result.err = pre.command.err;
    result.return_msg = pre.command.return_msg;
    result.out_flags = pre.command.out_flags;
    // Nothing is rendered after a failed pre-render, nor after one that let
    // an exception out (its record is in an unknown state; CallWith gave it
    // an error).
    if (pre.command.err == PF_Err_NONE) {
        result.render = SmartRender(pre.output.pre_render_data);
        result.render_ran = true;
        result.err = result.render.err;
        result.return_msg = result.render.return_msg;
        result.out_flags = result.render.out_flags;
        result.output = TakeOutput();
    }
    // Pre-render data is the host's to release once the frame is done,
    // whether or not it was rendered.
    result.pre_render_data_deleted = DeletePreRenderData(pre.output);
    return result;
}

const World& Session::Output() const { return state_->output; }

void Session::RecycleOutput(World world) { state_->recycled_output = std::move(world); }

World Session::TakeOutput() {
    World taken = std::move(state_->output);
    state_->output = World();
    return taken;
}

}  // namespace runner
