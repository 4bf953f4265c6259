// One instance of an effect, driven by our host through EntryPointFunc only.
//
// A Session holds what a host keeps for an applied effect: the parameter
// definitions the effect registered and their current (possibly animated)
// values, the layer's input image and mask paths, resolution and time, the
// global and sequence handles, and every host resource the effect holds.
// Each command runs on the calling thread; sessions on different threads
// are independent of each other. A session is not itself thread-safe.
//
// Typical use:
//   runner::Session s(&EntryPointFunc);                   // or over a loaded library
//   s.SetInput(runner::World::Create(PF_PixelFormat_ARGB32, 64, 48).value());
//   s.SetUp();                                            // global, params, sequence, UI
//   s.SetValue(PARAM_TIME, 50.0);                         // user units: 50 %
//   s.SetMask(1, mask); s.SetValue(PARAM_PATH, 1);
//   runner::RenderResult r = s.RenderFrame();             // r.err, r.output
#ifndef FOLVEK_RUNNER_CORE_SESSION_H
#define FOLVEK_RUNNER_CORE_SESSION_H

#include <stdint.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "runner/core/error.h"
#include "runner/core/faults.h"
#include "runner/core/handles.h"
#include "runner/core/keyframes.h"
#include "runner/core/mask_path.h"
#include "runner/core/world.h"

namespace runner {

// A parameter as the effect registered it through add_param. Index 0 of
// Session::Params() is the input layer, which the host supplies itself.
struct ParamDefinition {
    PF_ParamDef raw{};          // the record exactly as add_param received it
    PF_ParamType type = PF_Param_LAYER;
    std::string label;
    PF_ParamIndex index = 0;  // its place in Session::Params(), by which the host addresses it
    int32_t id = 0;           // the effect's own name for it, which need not be its place
    // Sliders: in the definition's own units (fixed sliders as value/65536).
    double valid_min = 0.0, valid_max = 0.0;
    double slider_min = 0.0, slider_max = 0.0;
    double default_value = 0.0;  // sliders, popups, checkboxes, paths
    int16_t precision = 0;
    int16_t display_flags = 0;
    int32_t fs_flags = 0;
    float curve_tolerance = 0.0f;
    int16_t num_choices = 0;
    std::string choice_text;            // popups: "A|B|C"
    std::vector<std::string> choices;   // popups: {"A", "B", "C"}
    std::string checkbox_text;          // checkboxes: the text beside the box
    PF_Pixel default_color{};           // colours

    // Shown and typed as a percentage (Time 50 %): in the same units, with a % sign.
    bool IsPercent() const { return (display_flags & PF_ValueDisplayFlag_PERCENT) != 0; }
};

// One PF_UpdateParamUI call.
struct UiUpdate {
    PF_ParamIndex index = 0;
    PF_ParamType type = 0;
    PF_ParamUIFlags ui_flags = 0;
    std::string name;
};

// One AcquireSuite or ReleaseSuite call, in call order.
struct SuiteEvent {
    bool acquire = true;
    std::string name;
    int32_t version = 0;
    bool ok = true;  // false: refused, unknown, or a release never acquired
};

struct ProgressCall {
    int32_t done = 0;
    int32_t total = 0;
};

// What one EntryPointFunc call gave back.
struct CommandResult {
    PF_Err err = PF_Err_NONE;
    std::string return_msg;  // out_data->return_msg, never read beyond its field
    int32_t out_flags = 0;
    int32_t out_flags2 = 0;
    uint32_t my_version = 0;
    int32_t num_params = 0;
    bool escaped_exception = false;  // the effect let a C++ exception out (we caught it)
};

// "error 512 (Memory Error!)", or "error 4" when the effect left no message.
std::string DescribeEffectError(PF_Err err, const std::string& return_msg);

struct PreRenderResult {
    CommandResult command;
    PF_PreRenderOutput output{};  // rects, flags, pre_render_data, deletion function
};

struct RenderResult {
    PF_Err err = PF_Err_NONE;     // pre-render's error, else smart render's
    std::string return_msg;       // of the last command that ran
    int32_t out_flags = 0;        // of the last command that ran
    CommandResult pre_render;
    CommandResult render;         // default (0) when smart render did not run
    bool render_ran = false;
    PF_LRect result_rect{};       // as pre-render reported them
    PF_LRect max_result_rect{};
    bool pre_render_data_deleted = false;  // the effect's deletion function was called
    World output;                 // the output world as the effect left it
};

// A frame that went wrong, as one line: "render of frame 3 failed with
// error 512 (Memory Error!)" (`frame_label` " of frame 3", or empty),
// "pre-render failed with ...", an exception the effect let escape, or no
// output image; success for a sound frame.
Status CheckFrame(const RenderResult& r, const std::string& frame_label);

class Session {
public:
    // Over an effect's entry point. `keep_loaded` holds whatever keeps the
    // code behind it loaded (a library opened from a file) for as long as
    // the session lives; nothing for an effect linked into the program.
    explicit Session(PF_EntryPointFunc entry_point, std::shared_ptr<const void> keep_loaded = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- commands, each one EntryPointFunc call ----------------------------
    CommandResult GlobalSetup();
    CommandResult ParamsSetup();
    CommandResult SequenceSetup();
    CommandResult SequenceResetup();
    CommandResult SequenceSetdown();
    CommandResult UpdateParamsUi();
    // With the current parameter array. Our interface has no record that
    // carries the changed index to the effect, so `index` is only kept for
    // LastChangedParam().
    CommandResult UserChangedParam(PF_ParamIndex index = 0);
    CommandResult About();                            // the text is in return_msg
    CommandResult CompletelyGeneral(const char* text);
    // Global set-up, parameter set-up, sequence set-up and an interface
    // update, stopping at the first error, whose result it returns.
    CommandResult SetUp();

    // Pre-render with the whole layer at the current resolution as the
    // request (or `request`), starting from `initial` output rectangles.
    PreRenderResult SmartPreRender(const PF_RenderRequest* request = nullptr,
                                   const PF_PreRenderOutput* initial = nullptr);
    // Smart render with the given pre-render data into a fresh output world
    // (every byte PADDING_CANARY), left in Output(). With `reuse_output`
    // the previous output world is kept when its size and format still fit,
    // so that benchmarks time the effect and not our allocation.
    CommandResult SmartRender(void* pre_render_data, bool reuse_output = false);
    // Calls the deletion function a pre-render registered, if any.
    bool DeletePreRenderData(const PF_PreRenderOutput& output);
    // One frame, the only way front-ends render: pre-render, smart render
    // (unless pre-render failed or let an exception escape), then the
    // release of the pre-render data, whether or not it was rendered. The
    // output world is taken into the result; hand it back with
    // RecycleOutput for the next frame to draw into.
    RenderResult RenderFrame();

    // Any command code, with the current parameter array and `extra`.
    CommandResult Call(PF_Cmd cmd, void* extra = nullptr);
    // Any command code with arguments of the caller's choosing.
    CommandResult CallWith(PF_Cmd cmd, PF_ParamDef** params, PF_LayerDef* output, void* extra);

    // Runs just before every EntryPointFunc call, for tests that want to
    // change what the effect is handed (in_data fields, out_data).
    void SetCallHook(std::function<void(PF_InData*, PF_OutData*)> hook);

    // ---- parameters ---------------------------------------------------------
    // Index 0 is the input layer; 1.. the definitions in registration order.
    const std::vector<ParamDefinition>& Params() const;
    int32_t ParamCount() const;
    // Values in the definition's user units: fixed sliders 50.0 for 50 %
    // (stored as 50 * 65536), checkboxes 0/1, popups 1.., paths the path id.
    // A value is one key; keys (times in seconds of the shot, strictly
    // increasing) give the value at any time as keyframes.h describes, stored
    // as the host stores the parameter's type. Every refusal says why and
    // names the parameter: an unknown index, the wrong type, a value that is
    // not finite, times out of order.
    Status SetValue(PF_ParamIndex index, double value);
    Status SetFixedRaw(PF_ParamIndex index, PF_Fixed raw);
    Status SetColor(PF_ParamIndex index, const PF_Pixel& color);
    Status SetKeys(PF_ParamIndex index, std::vector<ScalarKey> keys);
    Status SetColorKeys(PF_ParamIndex index, std::vector<ColorKey> keys);
    double ValueAt(PF_ParamIndex index, int32_t time) const;
    double Value(PF_ParamIndex index) const;  // at the current time
    // The definition with its value at `time`, as checkout_param answers it.
    PF_ParamDef DefAt(PF_ParamIndex index, int32_t time) const;
    PF_State CurrentState() const;

    // ---- the layer ------------------------------------------------------------
    void SetInput(World input);
    const World& Input() const;
    World& MutableInput();
    // Masks by path id (0 is "none" and cannot be set): one shape, or keys
    // whose neighbours agree in vertex count and closedness.
    Status SetMask(PF_PathID id, const MaskPath& path);
    Status SetMaskKeys(PF_PathID id, std::vector<MaskKey> keys);
    void RemoveMask(PF_PathID id);
    // The mask at `time` in full-resolution layer pixels.
    bool MaskAt(PF_PathID id, int32_t time, MaskPath* out) const;

    void SetDownsample(PF_RationalScale x, PF_RationalScale y);
    void SetTime(int32_t current_time, int32_t time_step, uint32_t time_scale);
    void SetOutputRowPadding(int32_t bytes);
    // in_data->width/height (full resolution). Unset, they are the input's
    // size divided by the downsample factors.
    void SetLayerSize(int32_t width, int32_t height);

    const World& Output() const;
    World TakeOutput();
    // Hands a finished output world back (one is kept): the next smart render
    // draws into it, as the effect left it, when its size and format still
    // fit, instead of making a fresh one. Its padding canaries were filled
    // when it was made and are never filled again, so PaddingIntact() still
    // tells whether any frame wrote past the image.
    void RecycleOutput(World world);

    // ---- faults ---------------------------------------------------------------
    // Installs `faults` and restarts every fault counter.
    void SetFaults(const Faults& faults);
    void ClearFaults();
    const Faults& CurrentFaults() const;

    // ---- what the effect did ----------------------------------------------------
    const HandleTable& Handles() const;
    size_t LiveHandleCount() const;
    PF_Handle GlobalData() const;
    PF_Handle SequenceData() const;
    void SetSequenceData(PF_Handle handle);  // as if the host had kept this one
    void* LockedBlock(PF_Handle handle) const;  // the block, without changing the lock count

    // What the effect did is counted always; the event logs (every suite
    // call, progress call and interface update in order) are kept only
    // after RecordEvents(true), so that a session rendering for days stays
    // the same size. Tests turn them on.
    void RecordEvents(bool on);

    const std::vector<SuiteEvent>& SuiteLog() const;  // recorded events only
    int32_t OutstandingSuites(const std::string& name, int32_t version) const;
    int32_t OutstandingSuites() const;  // all names and versions
    // Calls made through a suite the effect did not hold at the time; each
    // was refused. The count, and ("PF Handle Suite host_dispose_handle")
    // the recorded ones.
    int32_t UnheldSuiteCallCount() const;
    const std::vector<std::string>& UnheldSuiteCalls() const;

    int32_t ParamCheckouts() const;
    int32_t ParamCheckins() const;
    int32_t AddParamCalls() const;
    int32_t PathCheckouts() const;
    int32_t PathCheckins() const;
    int32_t OutstandingPathCheckouts() const;
    int32_t PathPreparations() const;
    int32_t OutstandingPathPreparations() const;
    int32_t ProgressCalls() const;
    const std::vector<ProgressCall>& ProgressLog() const;  // recorded events only
    int32_t CopyCalls() const;
    int32_t FillCalls() const;
    const std::vector<int32_t>& LayerCheckoutIds() const;  // pre-render checkout_layer ids
    const PF_RenderRequest& LastLayerRequest() const;

    const std::vector<UiUpdate>& UiUpdates() const;  // recorded events only
    // The interface state the effect last asked for a parameter; null when none.
    const UiUpdate* LatestUiUpdate(PF_ParamIndex index) const;

    AEGP_PluginID RegisteredPluginId() const;   // 0 until AEGP_RegisterWithAEGP
    const std::string& RegisteredPluginName() const;

    PF_Cmd LastCommand() const;
    PF_ParamIndex LastChangedParam() const;
    const PF_InData& LastInData() const;
    const PF_OutData& LastOutData() const;
    // The effect wrote into the parameter array it was handed.
    bool LastParamArrayModified() const;

    // Forgets the logs and counts above (not the handles or the state).
    void ClearLogs();

    struct State;  // the host's side of the session, shared with its callbacks

private:
    std::unique_ptr<State> state_;
};

}  // namespace runner

#endif
