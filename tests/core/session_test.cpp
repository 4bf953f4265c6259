// The session against a stand-in effect linked into this test: what the
// host serves through the callbacks and suites, and what it records.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <stdexcept>
#include <thread>

#include "runner/core/session.h"

namespace {

// The stand-in effect: each test says what it does with a command.
using Behaviour = std::function<PF_Err(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, void*)>;
thread_local Behaviour g_behaviour;
thread_local PF_UtilCallbacks* g_utils = nullptr;

PF_Err FakeEntry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                 PF_LayerDef* /*output*/, void* extra) {
    return g_behaviour ? g_behaviour(cmd, in, out, params, extra) : PF_Err_NONE;
}

template <typename Suite>
const Suite* Acquire(PF_InData* in, const char* name, int32_t version) {
    const void* suite = nullptr;
    return in->pica_basicP->AcquireSuite(name, version, &suite) == 0
               ? static_cast<const Suite*>(suite)
               : nullptr;
}

PF_ParamDef Slider(const char* name, int32_t lo, int32_t hi, int32_t dflt) {
    PF_ParamDef def;
    memset(&def, 0, sizeof def);
    def.param_type = PF_Param_SLIDER;
    strcpy(def.name, name);
    def.u.sd.valid_min = def.u.sd.slider_min = lo;
    def.u.sd.valid_max = def.u.sd.slider_max = hi;
    def.u.sd.value = def.u.sd.dephault = dflt;
    return def;
}

// Registers a slider, a popup and a path parameter.
PF_Err RegisterThree(PF_InData* in) {
    PF_ParamDef a = Slider("Size", 0, 100, 10);
    PF_ParamDef b;
    memset(&b, 0, sizeof b);
    b.param_type = PF_Param_POPUP;
    strcpy(b.name, "Mode");
    b.u.pd.num_choices = 2;
    b.u.pd.value = b.u.pd.dephault = 1;
    b.u.pd.namesptr = "One|Two";
    PF_ParamDef c;
    memset(&c, 0, sizeof c);
    c.param_type = PF_Param_PATH;
    strcpy(c.name, "Path");
    PF_Err err = in->inter.add_param(in->effect_ref, -1, &a);
    if (err == 0) err = in->inter.add_param(in->effect_ref, -1, &b);
    if (err == 0) err = in->inter.add_param(in->effect_ref, -1, &c);
    return err;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_behaviour = [](PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, void*) -> PF_Err {
            return cmd == PF_Cmd_PARAMS_SETUP ? RegisterThree(in) : PF_Err_NONE;
        };
        session.SetInput(runner::World::Create(PF_PixelFormat_ARGB64, 8, 6, 16).value());
        session.RecordEvents(true);
        ASSERT_EQ(session.ParamsSetup().err, PF_Err_NONE);
    }
    void TearDown() override { g_behaviour = nullptr; }

    // Runs `body` as the effect's handling of one command.
    PF_Err During(PF_Cmd cmd, std::function<PF_Err(PF_InData*, PF_OutData*, void*)> body,
                  void* extra = nullptr) {
        g_behaviour = [body](PF_Cmd, PF_InData* in, PF_OutData* out, PF_ParamDef**, void* x) -> PF_Err {
            return body(in, out, x);
        };
        return session.Call(cmd, extra).err;
    }

    runner::Session session{FakeEntry};
};

}  // namespace

TEST_F(SessionTest, RecordsDefinitionsInRegistrationOrder) {
    ASSERT_EQ(session.ParamCount(), 4);
    const auto& p = session.Params();
    EXPECT_EQ(p[0].type, PF_Param_LAYER);
    EXPECT_EQ(p[1].label, "Size");
    EXPECT_EQ(p[1].valid_max, 100.0);
    EXPECT_EQ(p[1].default_value, 10.0);
    EXPECT_EQ(p[2].choices, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(p[3].type, PF_Param_PATH);
    EXPECT_EQ(session.Value(1), 10.0);
    // Outside parameter set-up nothing can be added.
    EXPECT_EQ(During(PF_Cmd_SEQUENCE_SETUP,
                     [](PF_InData* in, PF_OutData*, void*) -> PF_Err {
                         PF_ParamDef d = Slider("Late", 0, 1, 0);
                         return in->inter.add_param(in->effect_ref, -1, &d);
                     }),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(session.ParamCount(), 4);
}

TEST_F(SessionTest, FailingTheNthAddParamStopsRegistration) {
    runner::Faults faults;
    faults.fail_add_param = 2;
    session.SetFaults(faults);
    EXPECT_EQ(session.ParamsSetup().err, runner::INJECTED_ERROR);
    EXPECT_EQ(session.ParamCount(), 2);
}

TEST_F(SessionTest, CheckoutAnswersTheAnimatedValueAtTheAskedTime) {
    session.SetTime(0, 10, 100);
    ASSERT_TRUE(session.SetKeys(1, {{0.0, 0.0, runner::KEY_LINEAR}, {1.0, 100.0, runner::KEY_LINEAR}}));
    struct Ask {
        int32_t time;
        uint32_t scale;
        int32_t expected;
    };
    const Ask asks[] = {{0, 100, 0}, {50, 100, 50}, {25, 100, 25}, {100, 100, 100},
                        {500, 100, 100}, {-5, 100, 0}, {5, 10, 50}};
    for (const Ask& a : asks) {
        PF_ParamDef def;
        EXPECT_EQ(During(PF_Cmd_SMART_PRE_RENDER,
                         [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
                             PF_Err err = in->inter.checkout_param(in->effect_ref, 1, a.time, 10,
                                                                   a.scale, &def);
                             if (err == 0) err = in->inter.checkin_param(in->effect_ref, &def);
                             return err;
                         }),
                  PF_Err_NONE);
        EXPECT_EQ(def.u.sd.value, a.expected) << a.time << "/" << a.scale;
    }
    EXPECT_EQ(session.ParamCheckouts(), session.ParamCheckins());
    // The popup's text is the host's own copy, valid after the effect's is gone.
    PF_ParamDef popup;
    During(PF_Cmd_SMART_PRE_RENDER, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        return in->inter.checkout_param(in->effect_ref, 2, 0, 10, 100, &popup);
    });
    EXPECT_STREQ(popup.u.pd.namesptr, "One|Two");
    EXPECT_EQ(session.ParamCheckouts() - session.ParamCheckins(), 1);
}

TEST_F(SessionTest, CheckoutRefusesBadIndicesAndInjectedFaults) {
    runner::Faults faults;
    faults.fail_param_checkout = 2;
    session.SetFaults(faults);
    std::vector<PF_Err> results;
    During(PF_Cmd_SMART_PRE_RENDER, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        PF_ParamDef def;
        for (PF_ParamIndex i : {1, 1, 1, 4, -1}) {
            results.push_back(in->inter.checkout_param(in->effect_ref, i, 0, 1, 30, &def));
        }
        results.push_back(in->inter.checkout_param(in->effect_ref, 1, 0, 1, 30, nullptr));
        results.push_back(in->inter.checkout_param(nullptr, 1, 0, 1, 30, &def));
        return PF_Err_NONE;
    });
    const std::vector<PF_Err> expected = {0, runner::INJECTED_ERROR, 0, PF_Err_BAD_CALLBACK_PARAM,
                                          PF_Err_BAD_CALLBACK_PARAM, PF_Err_BAD_CALLBACK_PARAM,
                                          PF_Err_BAD_CALLBACK_PARAM};
    EXPECT_EQ(results, expected);
}

TEST_F(SessionTest, SuitesAreLoggedCountedAndRefusable) {
    runner::Faults faults;
    faults.refused_suites.push_back({"PF World Suite", 2});
    session.SetFaults(faults);
    std::vector<bool> got;
    During(PF_Cmd_ABOUT, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        got.push_back(Acquire<PF_HandleSuite1>(in, "PF Handle Suite", 1) != nullptr);
        got.push_back(Acquire<PF_HandleSuite1>(in, "PF Handle Suite", 1) != nullptr);
        got.push_back(Acquire<void>(in, "PF Handle Suite", 2) != nullptr);
        got.push_back(Acquire<void>(in, "PF World Suite", 2) != nullptr);
        got.push_back(Acquire<void>(in, "AEGP Mask Suite", 1) != nullptr);
        got.push_back(in->pica_basicP->ReleaseSuite("PF Handle Suite", 1) == 0);
        got.push_back(in->pica_basicP->ReleaseSuite("AEGP Utility Suite", 7) == 0);
        return PF_Err_NONE;
    });
    EXPECT_EQ(got, (std::vector<bool>{true, true, false, false, true, true, false}));
    EXPECT_EQ(session.OutstandingSuites("PF Handle Suite", 1), 1);
    EXPECT_EQ(session.OutstandingSuites("AEGP Mask Suite", 1), 1);
    EXPECT_EQ(session.OutstandingSuites(), 2);
    ASSERT_EQ(session.SuiteLog().size(), 7u);
    EXPECT_EQ(session.SuiteLog()[3].name, "PF World Suite");
    EXPECT_FALSE(session.SuiteLog()[3].ok);
    EXPECT_FALSE(session.SuiteLog()[6].acquire);

    faults = runner::Faults{};
    faults.null_basic_suite = true;
    session.SetFaults(faults);
    During(PF_Cmd_ABOUT, [](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        EXPECT_EQ(in->pica_basicP, nullptr);
        return PF_Err_NONE;
    });
}

TEST_F(SessionTest, HandleFaultsHitTheNthCallOnly) {
    runner::Faults faults;
    faults.fail_handle_allocation = 2;
    faults.fail_lock = 2;
    session.SetFaults(faults);
    std::vector<bool> allocated, locked;
    During(PF_Cmd_GLOBAL_SETUP, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        const auto* hs = Acquire<PF_HandleSuite1>(in, "PF Handle Suite", 1);
        for (int i = 0; i < 3; ++i) {
            PF_Handle h = in->utils->host_new_handle(8);
            allocated.push_back(h != nullptr);
            if (h != nullptr) {
                locked.push_back(hs->host_lock_handle(h) != nullptr);
                EXPECT_EQ(hs->host_get_handle_size(h), 8u);
                hs->host_unlock_handle(h);
                hs->host_dispose_handle(h);
            }
        }
        in->pica_basicP->ReleaseSuite("PF Handle Suite", 1);
        return PF_Err_NONE;
    });
    EXPECT_EQ(allocated, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(locked, (std::vector<bool>{true, false}));
    EXPECT_EQ(session.LiveHandleCount(), 0u);
    EXPECT_EQ(session.Handles().BadUnlocks(), 1);  // the failed lock's unlock
}

TEST_F(SessionTest, GlobalAndSequenceHandlesAreKeptLikeAHost) {
    During(PF_Cmd_GLOBAL_SETUP, [](PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        out->global_data = in->utils->host_new_handle(4);
        return PF_Err_NONE;
    });
    PF_Handle global = session.GlobalData();
    ASSERT_NE(global, nullptr);
    During(PF_Cmd_SEQUENCE_SETUP, [](PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        out->sequence_data = in->utils->host_new_handle(1);
        return PF_Err_NONE;
    });
    PF_Handle sequence = session.SequenceData();
    ASSERT_NE(sequence, nullptr);
    During(PF_Cmd_ABOUT, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        EXPECT_EQ(in->global_data, global);
        EXPECT_EQ(in->sequence_data, sequence);
        return PF_Err_NONE;
    });
    // A re-set-up that disposes of the old block and fails to make a new one
    // leaves the host with no sequence data, not a dangling handle.
    During(PF_Cmd_SEQUENCE_RESETUP, [](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        in->utils->host_dispose_handle(in->sequence_data);
        return PF_Err_NONE;
    });
    EXPECT_EQ(session.SequenceData(), nullptr);
    EXPECT_EQ(session.GlobalData(), global);
}

TEST_F(SessionTest, StateChangesWithValuesAndAnswersPerParameter) {
    PF_State first{}, second{};
    std::vector<PF_Boolean> changed;
    auto snapshot = [&](PF_State* out_state) {
        During(PF_Cmd_UPDATE_PARAMS_UI, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
            const auto* pu = Acquire<PF_ParamUtilsSuite1>(in, "PF Param Utils Suite", 1);
            return pu->PF_GetCurrentState(in->effect_ref, out_state);
        });
    };
    auto ask = [&](const PF_State& st, PF_ParamIndex index) {
        During(PF_Cmd_UPDATE_PARAMS_UI, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
            const auto* pu = Acquire<PF_ParamUtilsSuite1>(in, "PF Param Utils Suite", 1);
            PF_Boolean c = 2;
            const PF_Err err = pu->PF_HasParamChanged(in->effect_ref, &st, index, &c);
            changed.push_back(c);
            return err;
        });
    };
    snapshot(&first);
    ask(first, PF_ParamIndex_CHECK_ALL_HONORING_EXCLUDE);
    ASSERT_TRUE(session.SetValue(2, 2));
    snapshot(&second);
    EXPECT_NE(memcmp(&first, &second, sizeof first), 0);
    ask(first, PF_ParamIndex_CHECK_ALL_HONORING_EXCLUDE);
    ask(first, 1);
    ask(first, 2);
    ask(second, 2);
    PF_State stranger{};
    ask(stranger, 1);
    EXPECT_EQ(changed, (std::vector<PF_Boolean>{0, 1, 0, 1, 0, 1}));
}

TEST_F(SessionTest, PathsAreScaledTrackedAndValidated) {
    runner::MaskPath line;
    line.vertices.resize(2);
    line.vertices[0].x = 0.0;
    line.vertices[0].y = 4.0;
    line.vertices[1].x = 20.0;
    line.vertices[1].y = 4.0;
    ASSERT_TRUE(session.SetMask(1, line));
    session.SetDownsample(PF_RationalScale{1, 2}, PF_RationalScale{1, 4});
    double length = 0, x = 0, y = 0, dx = 0, dy = 0;
    int32_t segments = -1;
    PF_Err unknown = 0, after_checkin = 0;
    During(PF_Cmd_SMART_RENDER, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        const auto* q = Acquire<PF_PathQuerySuite1>(in, "PF Path Query Suite", 1);
        const auto* d = Acquire<PF_PathDataSuite1>(in, "PF Path Data Suite", 1);
        PF_PathOutlinePtr path = nullptr, none = nullptr;
        unknown = q->PF_CheckoutPath(in->effect_ref, 7, 0, 1, 30, &none);
        EXPECT_EQ(q->PF_CheckoutPath(in->effect_ref, 1, 0, 1, 30, &path), PF_Err_NONE);
        d->PF_PathNumSegments(in->effect_ref, path, &segments);
        PF_PathSegPrepPtr prep = nullptr;
        EXPECT_EQ(d->PF_PathPrepareSegLength(in->effect_ref, path, 0, 100, &prep), PF_Err_NONE);
        d->PF_PathGetSegLength(in->effect_ref, path, 0, &prep, &length);
        d->PF_PathEvalSegLengthDeriv1(in->effect_ref, path, &prep, 0, 5.0, &x, &y, &dx, &dy);
        EXPECT_EQ(d->PF_PathPrepareSegLength(in->effect_ref, path, 1, 100, &prep),
                  PF_Err_BAD_CALLBACK_PARAM);  // no second segment
        PF_PathSegPrepPtr leaked = nullptr;
        d->PF_PathPrepareSegLength(in->effect_ref, path, 0, 100, &leaked);
        EXPECT_EQ(q->PF_CheckinPath(in->effect_ref, 1, 0, path), PF_Err_NONE);
        after_checkin = d->PF_PathNumSegments(in->effect_ref, path, &segments);
        return PF_Err_NONE;
    });
    EXPECT_EQ(unknown, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(after_checkin, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(segments, 1);
    EXPECT_DOUBLE_EQ(length, 10.0);  // 20 pixels at half resolution
    EXPECT_DOUBLE_EQ(x, 5.0);
    EXPECT_DOUBLE_EQ(y, 1.0);  // 4 at a quarter vertically
    EXPECT_DOUBLE_EQ(dx, 1.0);
    EXPECT_EQ(session.PathCheckouts(), 1);
    EXPECT_EQ(session.OutstandingPathCheckouts(), 0);
    // A preparation never cleaned up: both of them, in fact (the first was
    // overwritten by the failed second preparation's null).
    EXPECT_EQ(session.OutstandingPathPreparations(), 2);
}

TEST_F(SessionTest, InjectedPathFaultHitsTheChosenCall) {
    runner::MaskPath line;
    line.vertices.resize(2);
    line.vertices[1].x = 10.0;
    EXPECT_TRUE(session.SetMask(1, line));
    runner::Faults faults;
    faults.fail_path_operation = runner::PATH_OP_EVAL;
    faults.fail_path_call = 3;
    session.SetFaults(faults);
    std::vector<PF_Err> results;
    During(PF_Cmd_SMART_RENDER, [&](PF_InData* in, PF_OutData*, void*) -> PF_Err {
        const auto* q = Acquire<PF_PathQuerySuite1>(in, "PF Path Query Suite", 1);
        const auto* d = Acquire<PF_PathDataSuite1>(in, "PF Path Data Suite", 1);
        PF_PathOutlinePtr path = nullptr;
        q->PF_CheckoutPath(in->effect_ref, 1, 0, 1, 30, &path);
        PF_PathSegPrepPtr prep = nullptr;
        d->PF_PathPrepareSegLength(in->effect_ref, path, 0, 100, &prep);
        double x, y, dx, dy;
        for (int i = 0; i < 4; ++i) {
            results.push_back(
                d->PF_PathEvalSegLengthDeriv1(in->effect_ref, path, &prep, 0, 1.0, &x, &y, &dx, &dy));
        }
        d->PF_PathCleanupSegLength(in->effect_ref, path, 0, &prep);
        EXPECT_EQ(prep, nullptr);
        q->PF_CheckinPath(in->effect_ref, 1, 0, path);
        return PF_Err_NONE;
    });
    EXPECT_EQ(results, (std::vector<PF_Err>{0, 0, runner::INJECTED_ERROR, 0}));
    EXPECT_EQ(session.OutstandingPathPreparations(), 0);
}

TEST_F(SessionTest, RenderFrameServesLayerWorldsAndDeletesPreRenderData) {
    static PF_Handle s_data = nullptr;
    g_behaviour = [](PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, void* extra) -> PF_Err {
        if (cmd == PF_Cmd_SMART_PRE_RENDER) {
            auto* x = static_cast<PF_PreRenderExtra*>(extra);
            PF_CheckoutResult r;
            const PF_Err err = x->cb->checkout_layer(in->effect_ref, 0, 0, &x->input->output_request,
                                                     0, 1, 30, &r);
            x->output->result_rect = r.result_rect;
            x->output->max_result_rect = r.max_result_rect;
            s_data = in->utils->host_new_handle(16);
            x->output->pre_render_data = s_data;
            // Called after the command has returned: disposing of the
            // handle still reaches this session.
            g_utils = in->utils;
            x->output->delete_pre_render_data_func = [](void* data) {
                g_utils->host_dispose_handle(static_cast<PF_Handle>(data));
            };
            return err;
        }
        if (cmd == PF_Cmd_SMART_RENDER) {
            auto* x = static_cast<PF_SmartRenderExtra*>(extra);
            EXPECT_EQ(x->input->pre_render_data, s_data);
            PF_EffectWorld *input = nullptr, *output = nullptr;
            PF_Err err = x->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
            if (err == 0) err = x->cb->checkout_output(in->effect_ref, &output);
            if (err == 0) err = in->utils->copy(in->effect_ref, input, output, nullptr, nullptr);
            return err;
        }
        return PF_Err_NONE;
    };
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) session.MutableInput().Pixel16(x, y) = PF_Pixel16{32768, 1, 2, 3};
    }
    session.SetOutputRowPadding(24);
    runner::RenderResult r = session.RenderFrame();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.result_rect.right, 8);
    EXPECT_EQ(r.max_result_rect.bottom, 6);
    EXPECT_TRUE(r.pre_render_data_deleted);
    EXPECT_EQ(session.LiveHandleCount(), 0u);
    EXPECT_TRUE(r.output.SameImage(session.Input()));
    EXPECT_TRUE(r.output.PaddingIntact());
    EXPECT_EQ(r.output.RowBytes(), 8 * 8 + 24);

    // Reuse keeps the world (and what the last frame left in it).
    const runner::PreRenderResult pre = session.SmartPreRender();
    session.SmartRender(pre.output.pre_render_data);
    const void* first = session.Output().Def()->data;
    session.SmartRender(pre.output.pre_render_data, true);
    EXPECT_EQ(session.Output().Def()->data, first);
    EXPECT_TRUE(session.Output().SameImage(session.Input()));
    session.DeletePreRenderData(pre.output);

    // A taller output does not match the input: the copy is refused.
    runner::Faults faults;
    faults.output_height_delta = 1;
    session.SetFaults(faults);
    r = session.RenderFrame();
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(r.output.Height(), 7);
    EXPECT_TRUE(r.output.ImageBytesAll(runner::PADDING_CANARY));
}

// A recycled output world is rendered into again without a fresh canary
// fill: a write past the image in any frame stays visible in the padding.
TEST_F(SessionTest, RecycledOutputKeepsItsCanaries) {
    static bool s_overrun = false;
    g_behaviour = [](PF_Cmd cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, void* extra) -> PF_Err {
        if (cmd != PF_Cmd_SMART_RENDER) return PF_Err_NONE;
        auto* x = static_cast<PF_SmartRenderExtra*>(extra);
        PF_EffectWorld* output = nullptr;
        const PF_Err err = x->cb->checkout_output(in->effect_ref, &output);
        if (err != PF_Err_NONE) return err;
        uint8_t* row = static_cast<uint8_t*>(output->data);
        memset(row, 0, static_cast<size_t>(output->width) * sizeof(PF_Pixel16));
        if (s_overrun) row[output->width * static_cast<int32_t>(sizeof(PF_Pixel16))] = 0;  // one byte too far
        return PF_Err_NONE;
    };
    session.SetOutputRowPadding(8);
    std::vector<bool> intact;
    const void* first = nullptr;
    for (bool overrun : {false, true, false}) {
        s_overrun = overrun;
        runner::RenderResult r = session.RenderFrame();
        ASSERT_EQ(r.err, PF_Err_NONE);
        if (first == nullptr) first = r.output.Def()->data;
        EXPECT_EQ(r.output.Def()->data, first);  // the same memory every frame
        intact.push_back(r.output.PaddingIntact());
        session.RecycleOutput(std::move(r.output));
    }
    EXPECT_EQ(intact, (std::vector<bool>{true, false, false}));
}

TEST_F(SessionTest, ExceptionsFromTheEffectStopAtTheHost) {
    g_behaviour = [](PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, void*) -> PF_Err {
        throw std::runtime_error("escaped");
    };
    const runner::CommandResult r = session.About();
    EXPECT_TRUE(r.escaped_exception);
    EXPECT_NE(r.err, PF_Err_NONE);
}

// A pre-render that lets an exception out leaves its record in an unknown
// state: the frame stops there, its data is still released, and the one
// line says what happened.
TEST_F(SessionTest, AFrameStopsAtAPreRenderThatThrows) {
    static int s_renders = 0;
    s_renders = 0;
    g_behaviour = [](PF_Cmd cmd, PF_InData*, PF_OutData*, PF_ParamDef**, void*) -> PF_Err {
        if (cmd == PF_Cmd_SMART_PRE_RENDER) throw std::runtime_error("escaped");
        if (cmd == PF_Cmd_SMART_RENDER) ++s_renders;
        return PF_Err_NONE;
    };
    const runner::RenderResult r = session.RenderFrame();
    EXPECT_FALSE(r.render_ran);
    EXPECT_EQ(s_renders, 0);
    const runner::Status checked = runner::CheckFrame(r, " of frame 2");
    ASSERT_FALSE(checked);
    EXPECT_NE(checked.error().message.find("pre-render of frame 2 failed"), std::string::npos) << checked.error().message;
}

TEST_F(SessionTest, ReturnMessageIsReadWithinItsField) {
    // An unterminated message is cut at the field's end, not read beyond it.
    During(PF_Cmd_ABOUT, [](PF_InData*, PF_OutData* out, void*) -> PF_Err {
        memset(out->return_msg, 'x', sizeof out->return_msg);
        return PF_Err_NONE;
    });
    g_behaviour = [](PF_Cmd, PF_InData*, PF_OutData* out, PF_ParamDef**, void*) -> PF_Err {
        memset(out->return_msg, 'x', sizeof out->return_msg);
        return PF_Err_NONE;
    };
    EXPECT_EQ(session.About().return_msg, std::string(PF_RETURN_MSG_LEN, 'x'));
}

TEST(SessionThreads, SessionsOnTwoThreadsAreIndependent) {
    auto work = [](int32_t count, size_t* live, int32_t* progress) {
        g_behaviour = [count](PF_Cmd, PF_InData* in, PF_OutData*, PF_ParamDef**, void*) -> PF_Err {
            for (int32_t i = 0; i < count; ++i) {
                in->utils->host_new_handle(32);
                in->inter.progress(in->effect_ref, i, count);
            }
            return PF_Err_NONE;
        };
        runner::Session s(FakeEntry);
        for (int i = 0; i < 200; ++i) s.About();
        *live = s.LiveHandleCount();
        // Counted, but not logged: a session that runs for days keeps its size.
        EXPECT_TRUE(s.ProgressLog().empty());
        EXPECT_TRUE(s.SuiteLog().empty());
        *progress = s.ProgressCalls();
        g_behaviour = nullptr;
    };
    size_t live_a = 0, live_b = 0;
    int32_t progress_a = 0, progress_b = 0;
    std::thread a(work, 3, &live_a, &progress_a);
    std::thread b(work, 5, &live_b, &progress_b);
    a.join();
    b.join();
    EXPECT_EQ(live_a, 600u);
    EXPECT_EQ(live_b, 1000u);
    EXPECT_EQ(progress_a, 600);
    EXPECT_EQ(progress_b, 1000);
}
