// The commands a host sends outside rendering, through EntryPointFunc only.
#include <cstring>
#include <string>

#include "protocol_fixture.h"

namespace protocol {
namespace {

using runner::CommandResult;
using runner::Faults;

TEST_F(ProtocolTest, CodesWithoutAHandlerAnswerZeroAndChangeNothing) {
    const PF_Cmd codes[] = {2, 3, 7, 9, 10, 11, 12, 15, 16, 18, 19, 20, 21, 22, 25, 100, -1};
    for (PF_Cmd code : codes) {
        const CommandResult r = session->Call(code);
        EXPECT_EQ(r.err, PF_Err_NONE) << code;
        EXPECT_EQ(r.out_flags, 0) << code;
        EXPECT_EQ(r.return_msg, "") << code;
    }
    EXPECT_TRUE(session->SuiteLog().empty());
    EXPECT_EQ(session->LiveHandleCount(), 0u);
}

TEST_F(ProtocolTest, AboutShowsNameVersionAndTagline) {
    const CommandResult r = session->About();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.return_msg, "FolvekRingStride, v1.0\rImagination!");
    EXPECT_EQ(session->OutstandingSuites(), 0);
}

TEST_F(ProtocolTest, CompletelyGeneralCopiesTheTextAndNeverRunsPastTheField) {
    EXPECT_EQ(session->CompletelyGeneral("abc").return_msg, "abc");
    const std::string long_text(5000, 'q');
    const CommandResult r = session->CompletelyGeneral(long_text.c_str());
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.return_msg, std::string(PF_RETURN_MSG_LEN - 1, 'q'));
    EXPECT_EQ(session->CompletelyGeneral(nullptr).return_msg, "");
    // A format directive in the host's text is text, not a format.
    EXPECT_EQ(session->CompletelyGeneral("100%s %d").return_msg, "100%s %d");
}

TEST_F(ProtocolTest, GlobalSetupDeclaresVersionAndFlagsAndKeepsItsRecord) {
    const CommandResult r = session->GlobalSetup();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.my_version, 525825u);
    EXPECT_EQ(r.out_flags & 0x06000040, 0x06000040);
    EXPECT_EQ(r.out_flags2 & 0x00001400, 0x00001400);
    ASSERT_NE(session->GlobalData(), nullptr);
    EXPECT_EQ(session->RegisteredPluginName(), "Error!");
    EXPECT_EQ(session->LiveHandleCount(), 1u);
    EXPECT_EQ(session->OutstandingSuites(), 0);
}

TEST_F(ProtocolTest, GlobalSetupFailures) {
    struct Case {
        const char* what;
        Faults faults;
        PF_Err expected;
    };
    Faults no_handle;
    no_handle.fail_handle_allocation = 1;
    Faults no_lock;
    no_lock.fail_lock = 1;
    Faults no_registration;
    no_registration.fail_register_with_aegp = true;
    Faults no_basic;
    no_basic.null_basic_suite = true;
    Faults no_handle_suite;
    no_handle_suite.refused_suites = {{"PF Handle Suite", 1}};
    const Case cases[] = {
        {"allocation", no_handle, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"lock", no_lock, PF_Err_NONE},
        {"registration", no_registration, runner::INJECTED_ERROR},
        {"basic suite", no_basic, PF_Err_BAD_CALLBACK_PARAM},
        {"handle suite", no_handle_suite, PF_Err_BAD_CALLBACK_PARAM},
    };
    for (const Case& c : cases) {
        std::unique_ptr<runner::Session> s = protocol::NewEffectSession();
        s->SetFaults(c.faults);
        const CommandResult r = s->GlobalSetup();
        EXPECT_EQ(r.err, c.expected) << c.what;
        EXPECT_EQ(s->GlobalData(), nullptr) << c.what;
        EXPECT_EQ(s->LiveHandleCount(), 0u) << c.what << ": a handle the host never got is freed";
        EXPECT_EQ(s->OutstandingSuites(), 0) << c.what;
        EXPECT_EQ(r.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0) << c.what;
        if (!c.faults.null_basic_suite && c.faults.refused_suites.empty()) {
            EXPECT_EQ(r.my_version, 525825u) << c.what;
            EXPECT_EQ(r.out_flags & 0x06000040, 0x06000040) << c.what;
        }
    }
}

TEST_F(ProtocolTest, SequenceSetupLeavesOneZeroByteAndResetupReplacesAnyBlock) {
    ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
    ASSERT_EQ(session->SequenceSetup().err, PF_Err_NONE);
    PF_Handle first = session->SequenceData();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(session->Handles().SizeOf(first), 1u);
    EXPECT_EQ(*static_cast<uint8_t*>(session->LockedBlock(first)), 0);

    // After an interface update the block is a snapshot; re-set-up frees it.
    ASSERT_EQ(session->ParamsSetup().err, PF_Err_NONE);
    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);
    PF_Handle snapshot = session->SequenceData();
    EXPECT_EQ(session->Handles().SizeOf(snapshot), sizeof(PF_State));
    ASSERT_EQ(session->SequenceResetup().err, PF_Err_NONE);
    EXPECT_FALSE(session->Handles().IsLive(snapshot));
    PF_Handle fresh = session->SequenceData();
    EXPECT_EQ(session->Handles().SizeOf(fresh), 1u);
    EXPECT_EQ(*static_cast<uint8_t*>(session->LockedBlock(fresh)), 0);
    EXPECT_EQ(session->LiveHandleCount(), 2u);  // global + sequence

    ASSERT_EQ(session->SequenceSetdown().err, PF_Err_NONE);
    EXPECT_EQ(session->LiveHandleCount(), 1u);
    EXPECT_EQ(session->Handles().BadDisposals(), 0);
    EXPECT_EQ(session->OutstandingSuites(), 0);
}

TEST_F(ProtocolTest, SequenceSetupFailuresAndSetdownWithoutData) {
    Faults no_handle;
    no_handle.fail_handle_allocation = 1;
    session->SetFaults(no_handle);
    EXPECT_EQ(session->SequenceSetup().err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(session->SequenceData(), nullptr);

    Faults no_lock;
    no_lock.fail_lock = 1;
    session->SetFaults(no_lock);
    EXPECT_EQ(session->SequenceSetup().err, PF_Err_NONE);
    EXPECT_EQ(session->SequenceData(), nullptr);
    EXPECT_EQ(session->LiveHandleCount(), 0u);

    session->ClearFaults();
    session->ClearLogs();
    EXPECT_EQ(session->SequenceSetdown().err, PF_Err_NONE);
    EXPECT_TRUE(session->SuiteLog().empty()) << "set-down with nothing to free acquires no suite";
}

TEST_F(ProtocolTest, ParameterSetupRegistersTheThirteenDefinitions) {
    const CommandResult r = session->ParamsSetup();
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.num_params, 14);
    const auto& params = session->Params();
    ASSERT_EQ(params.size(), 14u);

    struct Expected {
        const char* label;
        PF_ParamType type;
        double valid_min, valid_max, slider_min, slider_max, dflt;
        int16_t precision;
        int16_t display_flags;
        const char* choices;
    };
    const Expected expected[] = {
        {"Path", PF_Param_PATH, 0, 0, 0, 0, 0, 0, 0, ""},
        {"Mode", PF_Param_POPUP, 0, 0, 0, 0, 1, 0, 0, "Continuous|Discrete 1|Discrete 2"},
        {"Direction", PF_Param_POPUP, 0, 0, 0, 0, 1, 0, 0, "Path|Normal"},
        {"Time", PF_Param_FIX_SLIDER, 0, 100, 0, 100, 50, 1, PF_ValueDisplayFlag_PERCENT, ""},
        {"Max Radius", PF_Param_SLIDER, 2, 5000, 2, 500, 50, 0, 0, ""},
        {"Min Radius", PF_Param_FIX_SLIDER, 0, 100, 0, 100, 10, 1, PF_ValueDisplayFlag_PERCENT, ""},
        {"Edge Thickness", PF_Param_SLIDER, 1, 100, 1, 10, 1, 0, 0, ""},
        {"Edge Mode", PF_Param_POPUP, 0, 0, 0, 0, 1, 0, 0, "Brightness|Color"},
        {"Edge Brightness", PF_Param_FLOAT_SLIDER, 0, 10, 0, 2, 1, 2, 0, ""},
        {"Edge Color", PF_Param_COLOR, 0, 0, 0, 0, 0, 0, 0, ""},
        {"Invert", PF_Param_CHECKBOX, 0, 0, 0, 0, 0, 0, 0, ""},
        {"Seed", PF_Param_SLIDER, 0, 50000, 0, 100, 0, 0, 0, ""},
        {"On Original", PF_Param_CHECKBOX, 0, 0, 0, 0, 0, 0, 0, ""},
    };
    for (int32_t i = 1; i <= 13; ++i) {
        const Expected& e = expected[i - 1];
        const runner::ParamDefinition& d = params[static_cast<size_t>(i)];
        SCOPED_TRACE(e.label);
        EXPECT_EQ(d.label, e.label);
        EXPECT_EQ(d.type, e.type);
        EXPECT_EQ(d.id, i);
        EXPECT_EQ(d.raw.flags, 0);
        EXPECT_EQ(d.raw.ui_flags, 0);
        EXPECT_EQ(d.raw.ui_width, 0);
        EXPECT_EQ(d.raw.ui_height, 0);
        if (e.type == PF_Param_SLIDER || e.type == PF_Param_FIX_SLIDER || e.type == PF_Param_FLOAT_SLIDER) {
            EXPECT_DOUBLE_EQ(d.valid_min, e.valid_min);
            EXPECT_DOUBLE_EQ(d.valid_max, e.valid_max);
            EXPECT_DOUBLE_EQ(d.slider_min, e.slider_min);
            EXPECT_DOUBLE_EQ(d.slider_max, e.slider_max);
            EXPECT_EQ(d.precision, e.precision);
            EXPECT_EQ(d.display_flags, e.display_flags);
        }
        if (e.type != PF_Param_COLOR) {
            EXPECT_DOUBLE_EQ(d.default_value, e.dflt);
        }
        if (e.type == PF_Param_POPUP) EXPECT_EQ(d.choice_text, e.choices);
        if (e.type == PF_Param_CHECKBOX) EXPECT_EQ(d.checkbox_text, "");
    }
    // Raw values the host stores: the current value equals the default.
    EXPECT_EQ(params[PARAM_TIME].raw.u.fd.value, 0x00320000);
    EXPECT_EQ(params[PARAM_TIME].raw.u.fd.valid_max, 0x00640000);
    EXPECT_EQ(params[PARAM_MIN_RADIUS].raw.u.fd.dephault, 0x000A0000);
    EXPECT_EQ(params[PARAM_EDGE_BRIGHTNESS].raw.u.fs_d.value, 1.0);
    EXPECT_EQ(params[PARAM_EDGE_BRIGHTNESS].raw.u.fs_d.curve_tolerance, 0.05f);
    const PF_Pixel white = params[PARAM_EDGE_COLOR].raw.u.cd.dephault;
    EXPECT_EQ(white.alpha + white.red + white.green + white.blue, 4 * 255);
    EXPECT_EQ(params[PARAM_MODE].raw.u.pd.num_choices, 3);
    EXPECT_EQ(params[PARAM_PATH].raw.u.path_d.dephault, 0);
}

TEST_F(ProtocolTest, RefusedFifthParameterStopsRegistration) {
    Faults faults;
    faults.fail_add_param = 5;
    session->SetFaults(faults);
    const CommandResult r = session->ParamsSetup();
    EXPECT_EQ(r.err, runner::INJECTED_ERROR);
    EXPECT_EQ(r.num_params, 0);
    EXPECT_EQ(session->AddParamCalls(), 5);
    EXPECT_EQ(session->ParamCount(), 5);  // the input layer and four parameters
}

// ---- interface updates ----------------------------------------------------------

class UiUpdateTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
        ASSERT_EQ(session->ParamsSetup().err, PF_Err_NONE);
        ASSERT_EQ(session->SequenceSetup().err, PF_Err_NONE);
    }
    bool Disabled(PF_ParamIndex index) {
        const runner::UiUpdate* u = session->LatestUiUpdate(index);
        return u != nullptr && (u->ui_flags & PF_PUI_DISABLED) != 0;
    }
};

TEST_F(UiUpdateTest, EdgeModeGreysOutTheUnusedEdgeParameter) {
    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);
    EXPECT_FALSE(Disabled(PARAM_EDGE_BRIGHTNESS));
    EXPECT_TRUE(Disabled(PARAM_EDGE_COLOR));

    EXPECT_TRUE(session->SetValue(PARAM_EDGE_MODE, EDGE_MODE_COLOR));
    const CommandResult r = session->UpdateParamsUi();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_TRUE(Disabled(PARAM_EDGE_BRIGHTNESS));
    EXPECT_FALSE(Disabled(PARAM_EDGE_COLOR));
    EXPECT_EQ(r.out_flags & PF_OutFlag_REFRESH_UI, PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(session->LatestUiUpdate(PARAM_EDGE_COLOR)->name, "Edge Color");
    EXPECT_EQ(session->LatestUiUpdate(PARAM_EDGE_BRIGHTNESS)->type, PF_Param_FLOAT_SLIDER);

    EXPECT_TRUE(session->SetValue(PARAM_EDGE_MODE, EDGE_MODE_BRIGHTNESS));
    ASSERT_EQ(session->UserChangedParam(PARAM_EDGE_MODE).err, PF_Err_NONE);
    EXPECT_FALSE(Disabled(PARAM_EDGE_BRIGHTNESS));
    EXPECT_TRUE(Disabled(PARAM_EDGE_COLOR));
    EXPECT_FALSE(session->LastParamArrayModified()) << "the host's own records stay as they were";
    EXPECT_EQ(session->OutstandingSuites(), 0);
}

TEST_F(UiUpdateTest, SnapshotIsTakenOnChangeOnly) {
    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);  // first update: first snapshot
    PF_Handle snapshot = session->SequenceData();
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(session->Handles().SizeOf(snapshot), sizeof(PF_State));

    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);
    EXPECT_EQ(session->SequenceData(), snapshot) << "no change, no new snapshot";

    EXPECT_TRUE(session->SetValue(PARAM_SEED, 7));
    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);
    EXPECT_NE(session->SequenceData(), snapshot);
    EXPECT_FALSE(session->Handles().IsLive(snapshot));
    EXPECT_EQ(session->LiveHandleCount(), 2u);
}

TEST_F(UiUpdateTest, HostErrorsShowErrorAndKeepTheOldSequenceData) {
    ASSERT_EQ(session->UpdateParamsUi().err, PF_Err_NONE);
    EXPECT_TRUE(session->SetValue(PARAM_SEED, 3));  // so that a new snapshot is due
    struct Case {
        const char* what;
        Faults faults;
    };
    Faults compare, state, update;
    compare.fail_has_param_changed = true;
    state.fail_get_current_state = true;
    update.fail_update_param_ui = true;
    const Case cases[] = {{"comparison", compare}, {"snapshot", state}, {"update", update}};
    for (const Case& c : cases) {
        PF_Handle before = session->SequenceData();
        const size_t live = session->LiveHandleCount();
        session->SetFaults(c.faults);
        const CommandResult r = session->UpdateParamsUi();
        EXPECT_EQ(r.err, runner::INJECTED_ERROR) << c.what;
        EXPECT_EQ(r.return_msg, "ERROR") << c.what;
        EXPECT_EQ(r.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI) << c.what;
        if (c.faults.fail_update_param_ui) {
            EXPECT_NE(session->SequenceData(), before) << c.what << ": the snapshot came before the update";
        } else {
            EXPECT_EQ(session->SequenceData(), before) << c.what;
            EXPECT_EQ(session->LiveHandleCount(), live) << c.what << ": an unused snapshot is freed";
        }
        session->ClearFaults();
        EXPECT_EQ(session->OutstandingSuites(), 0) << c.what;
    }
}

TEST_F(UiUpdateTest, WithoutGlobalDataOnlyRefreshIsAsked) {
    std::unique_ptr<runner::Session> bare = protocol::NewEffectSession();
    ASSERT_EQ(bare->ParamsSetup().err, PF_Err_NONE);
    const CommandResult r = bare->UpdateParamsUi();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out_flags, PF_OutFlag_REFRESH_UI);
    EXPECT_TRUE(bare->UiUpdates().empty());
}

}  // namespace
}  // namespace protocol

namespace protocol {
namespace {

// After a refused parameter set-up the host has no full parameter array;
// the interface update must end with an error, never read past one.
TEST_F(ProtocolTest, InterfaceUpdateAfterAFailedParameterSetupIsRefused) {
    ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
    runner::Faults faults;
    faults.fail_add_param = 3;
    session->SetFaults(faults);
    ASSERT_NE(session->ParamsSetup().err, PF_Err_NONE);
    session->ClearFaults();
    EXPECT_EQ(session->UpdateParamsUi().err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(session->OutstandingSuites(), 0);
}

}  // namespace
}  // namespace protocol
