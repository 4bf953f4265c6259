// Hostile hosts and hostile values, through EntryPointFunc of the built
// library: every case names what it hands the effect and the code it must
// answer, and checks that nothing was written where it should not be and
// that nothing was left held.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/param_ids.h"
#include "runner/core/session.h"
#include "robustness_support.h"

namespace {

using robustness::Effect;
using runner::Faults;
using runner::MaskPath;
using runner::Session;
using runner::World;

constexpr PF_Err ERR_GEOMETRY = 255;
constexpr int32_t W = 32;
constexpr int32_t H = 24;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// What the output must look like afterwards.
enum class Output {
    UNTOUCHED,  // every byte still the host's canary
    STARTING,   // transparent black ("On Original" is off), no circle
    DRAWN,      // anything, but the row padding intact
};

struct Outcome {
    PF_Err err = PF_Err_NONE;
    std::string message;
    World output;
};

struct EffectCase {
    const char* name;
    std::function<void(Session&)> arrange;  // after set-up with mask 1 chosen
    PF_Err expected;
    const char* message;  // a text return_msg must hold, or null
    Output output;
    // How the case is run; a whole frame through RenderFrame when empty.
    std::function<Outcome(Session&)> act = nullptr;
};

MaskPath Line(double x0, double y0, double x1, double y1) {
    MaskPath m;
    m.vertices.resize(2);
    m.vertices[0].x = x0;
    m.vertices[0].y = y0;
    m.vertices[1].x = x1;
    m.vertices[1].y = y1;
    return m;
}

MaskPath ManySegments(int32_t count, int32_t width, int32_t height) {
    MaskPath m;
    for (int32_t i = 0; i <= count; ++i) {
        runner::MaskVertex v;
        v.x = static_cast<double>((i * 7) % (width + 4)) - 2.0;
        v.y = static_cast<double>((i * 13) % (height + 4)) - 2.0;
        m.vertices.push_back(v);
    }
    return m;
}

void Mask(Session& s, const MaskPath& m) { ASSERT_TRUE(s.SetMask(1, m)); }

std::function<void(Session&)> Value(PF_ParamIndex index, double v) {
    return [=](Session& s) { ASSERT_TRUE(s.SetValue(index, v)); };
}

std::function<void(Session&)> Raw(PF_ParamIndex index, PF_Fixed v) {
    return [=](Session& s) { ASSERT_TRUE(s.SetFixedRaw(index, v)); };
}

std::function<void(Session&)> WithFaults(std::function<void(Faults&)> set) {
    return [=](Session& s) {
        Faults f;
        set(f);
        s.SetFaults(f);
    };
}

// Every call from here on sees `edit` applied to its in_data.
std::function<void(Session&)> Hook(void (*edit)(PF_InData*)) {
    return [=](Session& s) { s.SetCallHook([=](PF_InData* in, PF_OutData*) { edit(in); }); };
}

// ---- the effect called with records of our own making ----------------------

Outcome Direct(Session& s, PF_Cmd cmd, bool null_in, bool null_out) {
    // The records the session would build, minus the ones this case drops:
    // the effect is called straight, as a careless host would.
    PF_EntryPointFunc entry = Effect()->EntryPoint();
    PF_OutData out{};
    PF_InData in{};
    Outcome o;
    o.err = entry(cmd, null_in ? nullptr : &in, null_out ? nullptr : &out, nullptr, nullptr, nullptr);
    (void)s;
    return o;
}

// Worlds handed out by the smart render callbacks below.
PF_EffectWorld g_input_def;
PF_EffectWorld g_output_def;

PF_Err CheckoutLayerPixels(PF_ProgPtr, int32_t, PF_EffectWorld** pixels) {
    *pixels = &g_input_def;
    return PF_Err_NONE;
}

PF_Err CheckoutOutput(PF_ProgPtr, PF_EffectWorld** output) {
    *output = &g_output_def;
    return PF_Err_NONE;
}

// A smart render whose input and output records are copies of real worlds
// with one field changed; the output world's bytes are what is checked.
std::function<Outcome(Session&)> RenderWithWorlds(std::function<void(PF_EffectWorld*, PF_EffectWorld*)> edit) {
    return [=](Session& s) {
        Outcome o;
        runner::PreRenderResult pre = s.SmartPreRender();
        EXPECT_EQ(pre.command.err, PF_Err_NONE);
        World out = World::Create(s.Input().Format(), s.Input().Width(), s.Input().Height(), 16).value();
        g_input_def = *s.Input().Def();
        g_output_def = *out.Def();
        edit(&g_input_def, &g_output_def);
        PF_SmartRenderInput input{};
        input.pre_render_data = pre.output.pre_render_data;
        PF_SmartRenderCallbacks callbacks{CheckoutLayerPixels, CheckoutOutput};
        PF_SmartRenderExtra extra{&input, &callbacks};
        runner::CommandResult r = s.Call(PF_Cmd_SMART_RENDER, &extra);
        s.DeletePreRenderData(pre.output);
        o.err = r.err;
        o.message = r.return_msg;
        o.output = std::move(out);
        return o;
    };
}

Outcome SmartRenderWith(Session& s, void* extra) {
    Outcome o;
    runner::CommandResult r = s.Call(PF_Cmd_SMART_RENDER, extra);
    o.err = r.err;
    o.message = r.return_msg;
    return o;
}

std::function<Outcome(Session&)> Command(PF_Cmd cmd, bool null_in, bool null_out) {
    return [=](Session& s) { return Direct(s, cmd, null_in, null_out); };
}

const std::vector<EffectCase>& Cases() {
    static const std::vector<EffectCase> cases = {
        // Records the host failed to send.
        {"null in_data, about", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_ABOUT, true, false)},
        {"null in_data, global set-up", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_GLOBAL_SETUP, true, false)},
        {"null in_data, parameter set-up", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_PARAMS_SETUP, true, false)},
        {"null in_data, sequence set-down", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_SEQUENCE_SETDOWN, true, false)},
        {"null in_data, smart render", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_SMART_RENDER, true, false)},
        {"null out_data, interface update", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_UPDATE_PARAMS_UI, false, true)},
        {"null out_data, smart pre-render", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED, Command(PF_Cmd_SMART_PRE_RENDER, false, true)},
        {"unknown command code 9999 with no records", nullptr, PF_Err_NONE, nullptr, Output::UNTOUCHED, Command(9999, true, true)},
        {"negative command code with no records", nullptr, PF_Err_NONE, nullptr, Output::UNTOUCHED, Command(-1, true, true)},
        {"smart render without its extra record", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) { return SmartRenderWith(s, nullptr); }},
        {"smart render extra without input or callbacks", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) { PF_SmartRenderExtra extra{nullptr, nullptr}; return SmartRenderWith(s, &extra); }},
        {"smart render with null pre-render data", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) {
             PF_SmartRenderInput input{};
             PF_SmartRenderCallbacks callbacks{CheckoutLayerPixels, CheckoutOutput};
             PF_SmartRenderExtra extra{&input, &callbacks};
             return SmartRenderWith(s, &extra);
         }},
        {"smart render callbacks null", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) {
             runner::PreRenderResult pre = s.SmartPreRender();
             PF_SmartRenderInput input{};
             input.pre_render_data = pre.output.pre_render_data;
             PF_SmartRenderCallbacks callbacks{nullptr, nullptr};
             PF_SmartRenderExtra extra{&input, &callbacks};
             Outcome o = SmartRenderWith(s, &extra);
             s.DeletePreRenderData(pre.output);
             return o;
         }},
        {"smart pre-render checkout_layer null", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) {
             PF_PreRenderInput input{};
             input.output_request.rect = PF_LRect{0, 0, W, H};
             PF_PreRenderOutput output{};
             PF_PreRenderCallbacks callbacks{nullptr};
             PF_PreRenderExtra extra{&input, &output, &callbacks};
             Outcome o;
             o.err = s.Call(PF_Cmd_SMART_PRE_RENDER, &extra).err;
             s.DeletePreRenderData(output);
             return o;
         }},
        {"smart pre-render without its extra record", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) { Outcome o; o.err = s.Call(PF_Cmd_SMART_PRE_RENDER, nullptr).err; return o; }},

        // Records whose callbacks are missing.
        {"utils null, smart render", Hook([](PF_InData* in) { in->utils = nullptr; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"utils->ansi.sqrt null, smart render", Hook([](PF_InData* in) { in->utils->ansi.sqrt = nullptr; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"utils->host_new_handle null, smart render", Hook([](PF_InData* in) { in->utils->host_new_handle = nullptr; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"inter.checkout_param null, smart pre-render", Hook([](PF_InData* in) { in->inter.checkout_param = nullptr; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"inter.progress null, smart render", Hook([](PF_InData* in) { in->inter.progress = nullptr; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::STARTING},
        {"basic suite without its functions", Hook([](PF_InData* in) { static SPBasicSuite empty{nullptr, nullptr}; in->pica_basicP = &empty; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"inter.add_param null, parameter set-up", nullptr, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED,
         [](Session& s) {
             s.SetCallHook([](PF_InData* in, PF_OutData*) { in->inter.add_param = nullptr; });
             Outcome o;
             o.err = s.ParamsSetup().err;
             return o;
         }},

        // Worlds whose geometry does not fit.
        {"output one row taller than the input", WithFaults([](Faults& f) { f.output_height_delta = 1; }), ERR_GEOMETRY, nullptr, Output::UNTOUCHED},
        {"output with no rows", WithFaults([](Faults& f) { f.output_height_delta = -H; }), ERR_GEOMETRY, nullptr, Output::UNTOUCHED},
        {"16-bit output rows padded by 3 bytes (not whole pixels)",
         [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB64, W, H)); s.SetOutputRowPadding(3); },
         ERR_GEOMETRY, nullptr, Output::UNTOUCHED},
        {"float output rows padded by 20 bytes (not whole pixels)",
         [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB128, W, H)); s.SetOutputRowPadding(20); },
         ERR_GEOMETRY, nullptr, Output::UNTOUCHED},
        {"output rowbytes negative", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld*, PF_EffectWorld* out) { out->rowbytes = -out->rowbytes; })},
        {"input rowbytes negative", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld* in, PF_EffectWorld*) { in->rowbytes = -4; })},
        {"output rows shorter than the input's width", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld*, PF_EffectWorld* out) { out->rowbytes = 4 * (W - 1); })},
        {"input width negative", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld* in, PF_EffectWorld*) { in->width = -5; })},
        {"input height INT32_MIN", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld* in, PF_EffectWorld*) { in->height = INT32_MIN; })},
        {"frame of 40000 x 30000 (grid beyond 4 GB), nothing else touched", nullptr, PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!", Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld* in, PF_EffectWorld* out) {
             // The records claim far more than their small buffers hold: any
             // write by the effect would land outside them.
             in->width = out->width = 40000;
             in->height = out->height = 30000;
             in->rowbytes = out->rowbytes = 40000 * 4;
         })},
        {"output pixels missing (data null)", nullptr, ERR_GEOMETRY, nullptr, Output::UNTOUCHED,
         RenderWithWorlds([](PF_EffectWorld*, PF_EffectWorld* out) { out->data = nullptr; })},

        // Formats and host refusals.
        {"pixel format the effect does not know", WithFaults([](Faults& f) { f.unknown_pixel_format = true; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"pixel format query fails", WithFaults([](Faults& f) { f.fail_pixel_format = true; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"input pixels cannot be checked out", WithFaults([](Faults& f) { f.fail_layer_pixels = true; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"output cannot be checked out", WithFaults([](Faults& f) { f.fail_output_checkout = true; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"no basic suite", WithFaults([](Faults& f) { f.null_basic_suite = true; }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::UNTOUCHED},
        {"World Suite refused", WithFaults([](Faults& f) { f.refused_suites.push_back({"PF World Suite", 2}); }), PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite.", Output::UNTOUCHED},
        {"Mask Suite refused", WithFaults([](Faults& f) { f.refused_suites.push_back({"AEGP Mask Suite", 1}); }), PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite.", Output::STARTING},
        {"Path Data Suite refused", WithFaults([](Faults& f) { f.refused_suites.push_back({"PF Path Data Suite", 1}); }), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::STARTING},
        {"occupancy grid cannot be allocated", WithFaults([](Faults& f) { f.fail_handle_allocation = 2; }), PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!", Output::STARTING},
        {"pre-render handle cannot be allocated", WithFaults([](Faults& f) { f.fail_handle_allocation = 1; }), PF_Err_OUT_OF_MEMORY, nullptr, Output::UNTOUCHED},
        {"path check-out fails", WithFaults([](Faults& f) { f.fail_path_operation = runner::PATH_OP_CHECKOUT; }), runner::INJECTED_ERROR, nullptr, Output::STARTING},
        {"path evaluation fails at the 3rd point", WithFaults([](Faults& f) { f.fail_path_operation = runner::PATH_OP_EVAL; f.fail_path_call = 3; }), runner::INJECTED_ERROR, nullptr, Output::STARTING},
        {"copy for On Original fails", [](Session& s) { EXPECT_TRUE(s.SetValue(PARAM_ON_ORIGINAL, 1)); Faults f; f.fail_copy = true; s.SetFaults(f); }, runner::INJECTED_ERROR, nullptr, Output::UNTOUCHED},
        {"user interrupts at the first progress call", WithFaults([](Faults& f) { f.progress_interrupt_at = 1; }), 1002, nullptr, Output::DRAWN},

        // Frames at the edges of the possible.
        {"1x1 frame, Max Radius 5000", [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB32, 1, 1)); Mask(s, Line(-0.5, 0.5, 2, 0.5)); EXPECT_TRUE(s.SetValue(PARAM_MAX_RADIUS, 5000)); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"3x200 frame narrower than any circle, Max Radius 5000", [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB128, 3, 200, 16)); Mask(s, Line(1.5, -5, 1.5, 205)); EXPECT_TRUE(s.SetValue(PARAM_MAX_RADIUS, 5000)); EXPECT_TRUE(s.SetValue(PARAM_MIN_RADIUS, 100)); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"Max Radius 5000 and thickness 100, full resolution", [](Session& s) { EXPECT_TRUE(s.SetValue(PARAM_MAX_RADIUS, 5000)); EXPECT_TRUE(s.SetValue(PARAM_EDGE_THICKNESS, 100)); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"Max Radius 5000 at 1/4 resolution", [](Session& s) { EXPECT_TRUE(s.SetValue(PARAM_MAX_RADIUS, 5000)); s.SetDownsample({1, 4}, {1, 4}); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"frame 0 pixels wide (rows of padding only), path point at x = -0.5", [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB32, 0, 5, 16)); Mask(s, Line(-0.5, 0.5, -0.5, 4.5)); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"frame 0 rows high, path point at y = -0.5", [](Session& s) { s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB128, 6, 0)); Mask(s, Line(-0.5, -0.5, 5.5, -0.5)); }, PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::DRAWN},
        {"downsample with a zero denominator", [](Session& s) { s.SetDownsample({1, 0}, {0, 0}); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"times at the ends of the 32-bit range", [](Session& s) { s.SetTime(INT32_MIN, INT32_MIN, 0); }, PF_Err_NONE, nullptr, Output::DRAWN},

        // Parameter values outside every valid range.
        {"Max Radius INT32_MAX", Value(PARAM_MAX_RADIUS, 2147483647.0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Max Radius INT32_MIN", Value(PARAM_MAX_RADIUS, -2147483648.0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Max Radius 0", Value(PARAM_MAX_RADIUS, 0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Min Radius raw INT32_MIN (negative radii)", Raw(PARAM_MIN_RADIUS, INT32_MIN), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Min Radius raw INT32_MAX", Raw(PARAM_MIN_RADIUS, INT32_MAX), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Edge Thickness INT32_MAX", Value(PARAM_EDGE_THICKNESS, 2147483647.0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Edge Thickness -1000", Value(PARAM_EDGE_THICKNESS, -1000), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Time raw INT32_MAX (beyond 100 %)", Raw(PARAM_TIME, INT32_MAX), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Time raw INT32_MIN (below 0 %)", Raw(PARAM_TIME, INT32_MIN), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Mode 99 (no such choice)", Value(PARAM_MODE, 99), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Direction 0 (no such choice)", Value(PARAM_DIRECTION, 0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Edge Mode -7 (no such choice)", Value(PARAM_EDGE_MODE, -7), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Edge Brightness 1e30", Value(PARAM_EDGE_BRIGHTNESS, 1e30), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Edge Brightness -1e30", Value(PARAM_EDGE_BRIGHTNESS, -1e30), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Seed INT32_MIN", Value(PARAM_SEED, -2147483648.0), PF_Err_NONE, nullptr, Output::DRAWN},
        {"Path id of a mask the layer does not have", Value(PARAM_PATH, 77), PF_Err_BAD_CALLBACK_PARAM, nullptr, Output::STARTING},

        // Mask paths no layer should have.
        {"NaN vertex", [](Session& s) { Mask(s, Line(NaN, 5, 20, 5)); }, PF_Err_NONE, nullptr, Output::STARTING},
        {"infinite vertex", [](Session& s) { Mask(s, Line(0, 5, INF, 5)); }, PF_Err_NONE, nullptr, Output::STARTING},
        {"NaN tangent", [](Session& s) { MaskPath m = Line(0, 5, 20, 5); m.vertices[0].out_x = NaN; Mask(s, m); }, PF_Err_NONE, nullptr, Output::STARTING},
        {"coordinates of 1e300", [](Session& s) { Mask(s, Line(-1e300, 5, 1e300, 5)); }, PF_Err_NONE, nullptr, Output::STARTING},
        {"every segment of zero length", [](Session& s) { MaskPath m = Line(5, 5, 5, 5); m.closed = true; Mask(s, m); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"a lone vertex", [](Session& s) { MaskPath m = Line(5, 5, 5, 5); m.vertices.resize(1); Mask(s, m); }, PF_Err_NONE, nullptr, Output::STARTING},
        {"3000 segments inside the frame", [](Session& s) { Mask(s, ManySegments(3000, W, H)); }, PF_Err_NONE, nullptr, Output::DRAWN},
        {"mask wholly outside the frame, a million pixels away", [](Session& s) { Mask(s, Line(1e6, 1e6, 1e6 + 3000, 1e6)); }, PF_Err_NONE, nullptr, Output::STARTING},
    };
    return cases;
}

class EffectRobustness : public ::testing::TestWithParam<size_t> {};

TEST_P(EffectRobustness, EndsWithItsCodeAndWritesNothingItShouldNot) {
    const EffectCase& c = Cases()[GetParam()];
    SCOPED_TRACE(c.name);
    ASSERT_NE(Effect(), nullptr);
    Session s(Effect()->EntryPoint(), Effect());
    s.SetInput(robustness::FlatInput(PF_PixelFormat_ARGB32, W, H, 12));
    ASSERT_EQ(s.SetUp().err, PF_Err_NONE);
    ASSERT_TRUE(s.SetMask(1, Line(0.0, 10.5, W, 10.5)));
    ASSERT_TRUE(s.SetValue(PARAM_PATH, 1));
    if (c.arrange) c.arrange(s);
    const size_t handles_before = s.LiveHandleCount();

    Outcome o;
    if (c.act) {
        o = c.act(s);
    } else {
        runner::RenderResult r = s.RenderFrame();
        EXPECT_FALSE(r.pre_render.escaped_exception || r.render.escaped_exception);
        o.err = r.err;
        o.message = r.return_msg;
        o.output = std::move(r.output);
    }

    EXPECT_EQ(o.err, c.expected);
    if (c.message != nullptr) {
        EXPECT_EQ(o.message, c.message);
    }
    if (!o.output.Empty()) {
        EXPECT_TRUE(o.output.PaddingIntact());
        if (c.output == Output::UNTOUCHED) {
            EXPECT_TRUE(o.output.ImageBytesAll(runner::PADDING_CANARY));
        }
        if (c.output == Output::STARTING) {
            EXPECT_TRUE(o.output.ImageBytesAll(0));
        }
    }
    // Nothing held once the frame is over: no suite, no path, no handle
    // beyond the instance's own records.
    EXPECT_EQ(s.OutstandingSuites(), 0);
    EXPECT_EQ(s.OutstandingPathCheckouts(), 0);
    EXPECT_EQ(s.OutstandingPathPreparations(), 0);
    EXPECT_LE(s.LiveHandleCount(), handles_before);
    s.ClearFaults();
    s.SetCallHook(nullptr);
    EXPECT_EQ(s.SequenceSetdown().err, PF_Err_NONE);
}

std::string CaseName(const ::testing::TestParamInfo<size_t>& info) {
    std::string out = "c" + std::to_string(info.param) + "_";
    for (const char* p = Cases()[info.param].name; *p != '\0'; ++p) {
        const char ch = *p;
        out += (std::isalnum(static_cast<unsigned char>(ch)) != 0) ? ch : '_';
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Table, EffectRobustness, ::testing::Range<size_t>(0, Cases().size()), CaseName);

}  // namespace
