// Both render stages through EntryPointFunc: what reaches the pre-render
// record, every failure of the render, and whole frames in the three depths.
#include <cstring>
#include <string>
#include <vector>

#include "protocol_fixture.h"
#include "render/pre_render_record.h"

namespace protocol {
namespace {

using runner::Faults;
using runner::RenderResult;
using runner::World;

constexpr int32_t W = 120;
constexpr int32_t H = 80;

class RenderTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        Prepare(FlatInput(PF_PixelFormat_ARGB32, W, H, 12), HorizontalMask(40.5, 0.0, W));
    }
    void ExpectReleased(const char* what) {
        EXPECT_EQ(session->OutstandingSuites(), 0) << what;
        EXPECT_EQ(session->OutstandingPathCheckouts(), 0) << what;
        EXPECT_EQ(session->OutstandingPathPreparations(), 0) << what;
        EXPECT_EQ(session->ParamCheckouts(), session->ParamCheckins()) << what;
    }
};

TEST_F(RenderTest, PreRenderReportsTheLayerExtentAndRegistersItsDeletion) {
    const runner::PreRenderResult pre = session->SmartPreRender();
    ASSERT_EQ(pre.command.err, PF_Err_NONE);
    EXPECT_EQ(pre.output.result_rect.right, W);
    EXPECT_EQ(pre.output.result_rect.bottom, H);
    EXPECT_EQ(pre.output.max_result_rect.right, W);
    EXPECT_EQ(pre.output.max_result_rect.bottom, H);
    EXPECT_EQ(session->ParamCheckouts(), 13);
    EXPECT_EQ(session->ParamCheckins(), 13);
    EXPECT_TRUE(session->LastLayerRequest().preserve_rgb_of_zero_alpha);
    ASSERT_NE(pre.output.pre_render_data, nullptr);
    ASSERT_NE(pre.output.delete_pre_render_data_func, nullptr);
    const size_t live = session->LiveHandleCount();
    EXPECT_TRUE(session->DeletePreRenderData(pre.output));
    EXPECT_EQ(session->LiveHandleCount(), live - 1);
    ExpectReleased("pre-render");
}

// The deletion call comes after pre-render (and render) have returned and
// released their suites; it must take the handle suite for itself. Our host
// refuses, and logs, any call through a suite the effect does not hold.
TEST_F(RenderTest, PreRenderDataIsDeletedThroughASuiteTheDeletionHolds) {
    struct Case {
        const char* what;
        bool render;
        int32_t fail_checkout;
    };
    const Case cases[] = {{"after render", true, 0}, {"render never ran", false, 0},
                          {"pre-render failed", false, 5}};
    for (const Case& c : cases) {
        const size_t live = session->LiveHandleCount();
        session->ClearLogs();
        Faults faults;
        faults.fail_param_checkout = c.fail_checkout;
        session->SetFaults(faults);
        const runner::PreRenderResult pre = session->SmartPreRender();
        session->ClearFaults();
        if (c.render) ASSERT_EQ(session->SmartRender(pre.output.pre_render_data).err, PF_Err_NONE);
        const size_t events = session->SuiteLog().size();
        EXPECT_TRUE(session->DeletePreRenderData(pre.output)) << c.what;
        EXPECT_EQ(session->UnheldSuiteCalls(), std::vector<std::string>{}) << c.what;
        EXPECT_EQ(session->LiveHandleCount(), live) << c.what << ": the record's handle is freed";
        EXPECT_EQ(session->Handles().BadDisposals(), 0) << c.what;
        ASSERT_EQ(session->SuiteLog().size(), events + 2) << c.what;
        EXPECT_EQ(session->SuiteLog()[events].name, "PF Handle Suite") << c.what;
        EXPECT_FALSE(session->SuiteLog()[events + 1].acquire) << c.what;
        ExpectReleased(c.what);
    }
}

TEST_F(RenderTest, PreRenderUnitesIntoRectanglesTheHostAlreadyHolds) {
    PF_PreRenderOutput initial{};
    initial.result_rect = {-10, 5, 20, 200};
    initial.max_result_rect = {-10, 5, 20, 200};
    const runner::PreRenderResult pre = session->SmartPreRender(nullptr, &initial);
    ASSERT_EQ(pre.command.err, PF_Err_NONE);
    EXPECT_EQ(pre.output.result_rect.left, -10);
    EXPECT_EQ(pre.output.result_rect.top, 0);
    EXPECT_EQ(pre.output.result_rect.right, W);
    EXPECT_EQ(pre.output.result_rect.bottom, 200);
    session->DeletePreRenderData(pre.output);
}

TEST_F(RenderTest, PreRenderFailures) {
    struct Case {
        const char* what;
        Faults faults;
        PF_Err expected;
        int32_t checkouts;
        bool handle_kept;
    };
    Faults seventh, layer, no_handle, no_lock;
    seventh.fail_param_checkout = 7;
    layer.fail_layer_checkout = true;
    no_handle.fail_handle_allocation = 1;
    no_lock.fail_lock = 1;
    const Case cases[] = {
        {"seventh checkout", seventh, runner::INJECTED_ERROR, 6, true},
        {"layer checkout", layer, runner::INJECTED_ERROR, 13, true},
        {"handle", no_handle, PF_Err_OUT_OF_MEMORY, 0, false},
        {"lock", no_lock, PF_Err_OUT_OF_MEMORY, 0, false},
    };
    for (const Case& c : cases) {
        session->ClearLogs();
        const size_t live = session->LiveHandleCount();
        session->SetFaults(c.faults);
        const runner::PreRenderResult pre = session->SmartPreRender();
        session->ClearFaults();
        EXPECT_EQ(pre.command.err, c.expected) << c.what;
        EXPECT_EQ(pre.command.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0) << c.what;
        EXPECT_EQ(session->ParamCheckins(), c.checkouts) << c.what;
        EXPECT_EQ(pre.output.result_rect.right, 0) << c.what << ": rectangles untouched";
        EXPECT_EQ(pre.output.pre_render_data != nullptr, c.handle_kept) << c.what;
        session->DeletePreRenderData(pre.output);
        EXPECT_EQ(session->LiveHandleCount(), live) << c.what;
        ExpectReleased(c.what);
    }
}

TEST_F(RenderTest, HalfResolutionHalvesPixelSizesButNotTheRequest) {
    session->SetInput(FlatInput(PF_PixelFormat_ARGB32, W / 2, H / 2));
    session->SetDownsample({1, 2}, {1, 1});
    EXPECT_TRUE(session->SetValue(PARAM_MAX_RADIUS, 5));
    EXPECT_TRUE(session->SetValue(PARAM_EDGE_THICKNESS, 3));
    const runner::PreRenderResult pre = session->SmartPreRender();
    ASSERT_EQ(pre.command.err, PF_Err_NONE);
    const auto* record = static_cast<const PreRenderRecord*>(session->LockedBlock(
        static_cast<PF_Handle>(pre.output.pre_render_data)));
    ASSERT_NE(record, nullptr);
    const RenderParams* params = &record->params;
    EXPECT_EQ(params->max_radius, 2);
    EXPECT_EQ(params->edge_thickness, 1);
    EXPECT_EQ(params->downsample, 0.5);
    EXPECT_EQ(session->LastLayerRequest().rect.right, W / 2);
    session->DeletePreRenderData(pre.output);
}

// ---- smart render --------------------------------------------------------------

TEST_F(RenderTest, NoPathOrTimeAtEitherEndGivesTheStartingPictureOnly) {
    struct Case {
        const char* what;
        double path, time, on_original;
    };
    const Case cases[] = {
        {"no path, original", 0, 50, 1}, {"no path, transparent", 0, 50, 0},
        {"time 0", 1, 0, 1},             {"time 100", 1, 100, 0},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(session->SetValue(PARAM_PATH, c.path));
        EXPECT_TRUE(session->SetValue(PARAM_TIME, c.time));
        EXPECT_TRUE(session->SetValue(PARAM_ON_ORIGINAL, c.on_original));
        session->ClearLogs();
        const RenderResult r = session->RenderFrame();
        EXPECT_EQ(r.err, PF_Err_NONE) << c.what;
        if (c.on_original != 0) {
            EXPECT_TRUE(r.output.SameImage(session->Input())) << c.what;
        } else {
            EXPECT_TRUE(r.output.ImageBytesAll(0)) << c.what;
        }
        EXPECT_TRUE(r.output.PaddingIntact()) << c.what;
        EXPECT_EQ(session->PathCheckouts(), 0) << c.what;
        EXPECT_TRUE(session->ProgressLog().empty()) << c.what;
        ExpectReleased(c.what);
    }
}

TEST_F(RenderTest, RenderFailureTable) {
    struct Case {
        const char* what;
        Faults faults;
        PF_Err expected;
        const char* message;  // null: no message shown
        enum { UNTOUCHED, STARTING, DRAWN } output;
    };
    Faults layer, out, world, format, unknown, height, copy, mask, grid, path, progress, no_path_suite;
    layer.fail_layer_pixels = true;
    out.fail_output_checkout = true;
    world.refused_suites = {{"PF World Suite", 2}};
    format.fail_pixel_format = true;
    unknown.unknown_pixel_format = true;
    height.output_height_delta = 1;
    copy.fail_copy = true;
    mask.refused_suites = {{"AEGP Mask Suite", 1}};
    grid.fail_handle_allocation = 1;  // in render, the grid is the first handle allocated
    path.fail_path_operation = runner::PATH_OP_EVAL;
    path.fail_path_call = 3;
    progress.progress_interrupt_at = 1;
    no_path_suite.refused_suites = {{"PF Path Data Suite", 1}};
    const Case cases[] = {
        {"input checkout", layer, PF_Err_BAD_CALLBACK_PARAM, nullptr, Case::UNTOUCHED},
        {"output checkout", out, PF_Err_BAD_CALLBACK_PARAM, nullptr, Case::UNTOUCHED},
        {"world suite", world, PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite.", Case::UNTOUCHED},
        {"pixel format query", format, PF_Err_BAD_CALLBACK_PARAM, nullptr, Case::UNTOUCHED},
        {"unknown pixel format", unknown, PF_Err_BAD_CALLBACK_PARAM, nullptr, Case::UNTOUCHED},
        {"heights differ", height, 255, nullptr, Case::UNTOUCHED},
        {"copy", copy, runner::INJECTED_ERROR, nullptr, Case::UNTOUCHED},
        {"mask suite", mask, PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite.", Case::STARTING},
        {"grid", grid, PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!", Case::STARTING},
        {"path operation", path, runner::INJECTED_ERROR, nullptr, Case::STARTING},
        {"path suite", no_path_suite, PF_Err_BAD_CALLBACK_PARAM, nullptr, Case::STARTING},
        {"interrupted", progress, 1002, nullptr, Case::DRAWN},
    };
    EXPECT_TRUE(session->SetValue(PARAM_ON_ORIGINAL, 1));
    EXPECT_TRUE(session->SetValue(PARAM_EDGE_MODE, EDGE_MODE_COLOR));  // white rings on the flat layer
    const RenderResult reference = session->RenderFrame();
    ASSERT_EQ(reference.err, PF_Err_NONE);
    ASSERT_FALSE(reference.output.SameImage(session->Input())) << "the scene must draw circles";

    for (const Case& c : cases) {
        const PF_PreRenderOutput pre = session->SmartPreRender().output;
        const size_t live = session->LiveHandleCount();
        session->ClearLogs();
        session->SetFaults(c.faults);
        const runner::CommandResult r = session->SmartRender(pre.pre_render_data);
        session->ClearFaults();
        SCOPED_TRACE(c.what);
        EXPECT_EQ(r.err, c.expected);
        if (c.message != nullptr) {
            EXPECT_EQ(r.return_msg, c.message);
            EXPECT_NE(r.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
        } else {
            EXPECT_EQ(r.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
        }
        const World& output = session->Output();
        switch (c.output) {
            case Case::UNTOUCHED: EXPECT_TRUE(output.ImageBytesAll(runner::PADDING_CANARY)); break;
            case Case::STARTING: EXPECT_TRUE(output.SameImage(session->Input())); break;
            case Case::DRAWN: EXPECT_TRUE(output.SameImage(reference.output)); break;
        }
        EXPECT_TRUE(output.PaddingIntact());
        EXPECT_EQ(session->LiveHandleCount(), live) << "the grid is freed on every way out";
        ExpectReleased(c.what);
        session->DeletePreRenderData(pre);
    }
}

TEST_F(RenderTest, InterruptionStopsProgressButEveryCircleIsDrawn) {
    Faults faults;
    faults.progress_interrupt_at = 2;
    session->SetFaults(faults);
    const RenderResult r = session->RenderFrame();
    EXPECT_EQ(r.err, 1002);
    EXPECT_EQ(session->ProgressLog().size(), 2u);
}

TEST_F(RenderTest, LongRenderLeavesOnlyTheGlobalRecordBehind) {
    for (int32_t frame = 0; frame < 100; ++frame) {
        EXPECT_TRUE(session->SetValue(PARAM_TIME, frame));  // 0..99 %
        ASSERT_EQ(session->RenderFrame().err, PF_Err_NONE) << frame;
    }
    ASSERT_EQ(session->SequenceSetdown().err, PF_Err_NONE);
    EXPECT_EQ(session->LiveHandleCount(), 1u);
    EXPECT_EQ(session->Handles().BadDisposals(), 0);
    ExpectReleased("100 frames");
}

// ---- whole frames --------------------------------------------------------------

struct DepthCase {
    PF_PixelFormat format;
    const char* name;
};
const DepthCase DEPTHS[] = {
    {PF_PixelFormat_ARGB32, "8-bit"}, {PF_PixelFormat_ARGB64, "16-bit"}, {PF_PixelFormat_ARGB128, "float"}};

// Whether the output pixel carries any alpha, in any depth.
bool Covered(const World& w, int32_t x, int32_t y) {
    switch (w.Format()) {
        case PF_PixelFormat_ARGB32: return w.Pixel8(x, y).alpha != 0;
        case PF_PixelFormat_ARGB64: return w.Pixel16(x, y).alpha != 0;
        default: return w.PixelFloat(x, y).alpha != 0.0f;
    }
}

TEST_F(RenderTest, FramesInEveryDepthWithPaddedRowsDrawTheSameFootprint) {
    World footprint8;
    for (const DepthCase& d : DEPTHS) {
        SCOPED_TRACE(d.name);
        session->SetInput(FlatInput(d.format, W, H, 3 * 16 + 4));
        session->SetOutputRowPadding(5 * 16);
        session->ClearLogs();
        const RenderResult r = session->RenderFrame();
        ASSERT_EQ(r.err, PF_Err_NONE);
        EXPECT_TRUE(r.output.PaddingIntact());
        EXPECT_FALSE(session->ProgressLog().empty());
        // The first circle of the chain touches the path's first point, at
        // (0, 40); its centre is one drawn radius along the path from there.
        EXPECT_TRUE(Covered(r.output, 0, 40));
        EXPECT_TRUE(Covered(r.output, 38, 40));
        EXPECT_FALSE(Covered(r.output, 0, 0));
        if (d.format == PF_PixelFormat_ARGB32) {
            footprint8 = r.output.Clone();
            const PF_Pixel centre = r.output.Pixel8(38, 40);
            EXPECT_EQ(centre.alpha, 255);
            EXPECT_EQ(centre.red, 40);
            EXPECT_EQ(centre.green, 160);
            EXPECT_EQ(centre.blue, 220);
        } else {
            for (int32_t y = 0; y < H; ++y) {
                for (int32_t x = 0; x < W; ++x) {
                    ASSERT_EQ(Covered(r.output, x, y), Covered(footprint8, x, y)) << x << "," << y;
                }
            }
        }
    }
}

// Frame after frame the occupancy grid is the same recycled block and the
// output the same recycled world. The effect still clears the grid (the
// second frame equals the first), and a refused allocation still fails.
TEST_F(RenderTest, RecycledGridAndOutputGiveTheSameFrame) {
    constexpr int32_t BW = 160, BH = 120;  // a grid big enough to be recycled
    session->SetInput(FlatInput(PF_PixelFormat_ARGB32, BW, BH));
    EXPECT_TRUE(session->SetMask(1, CurvedMask(BW, BH)));
    EXPECT_TRUE(session->SetValue(PARAM_MAX_RADIUS, 12));
    RenderResult first = session->RenderFrame();
    ASSERT_EQ(first.err, PF_Err_NONE);
    const World kept = first.output.Clone();
    session->RecycleOutput(std::move(first.output));
    const int32_t recycled = session->Handles().Recycled();
    const RenderResult second = session->RenderFrame();
    ASSERT_EQ(second.err, PF_Err_NONE);
    EXPECT_EQ(session->Handles().Recycled(), recycled + 1);
    EXPECT_TRUE(second.output.SameImage(kept));

    Faults faults;
    faults.fail_handle_allocation = 2;  // the grid, after the pre-render record
    session->SetFaults(faults);
    const RenderResult refused = session->RenderFrame();
    EXPECT_EQ(refused.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(refused.return_msg, "Memory Error!");
}

TEST_F(RenderTest, SameInputsGiveTheSameFrameAndLookParametersKeepTheChain) {
    session->SetInput(FlatInput(PF_PixelFormat_ARGB32, W, H));
    EXPECT_TRUE(session->SetMask(1, CurvedMask(W, H)));
    EXPECT_TRUE(session->SetValue(PARAM_MAX_RADIUS, 12));
    session->ClearLogs();
    const RenderResult first = session->RenderFrame();
    ASSERT_EQ(first.err, PF_Err_NONE);
    const size_t circles = session->ProgressLog().size();
    ASSERT_GT(circles, 3u);
    EXPECT_TRUE(session->RenderFrame().output.SameImage(first.output));

    // Colour parameters change colours only: the alpha of every pixel, which
    // comes from the circles' coverage, stays.
    struct Change {
        PF_ParamIndex index;
        double value;
    };
    const Change changes[] = {{PARAM_EDGE_MODE, EDGE_MODE_COLOR}, {PARAM_EDGE_BRIGHTNESS, 2.5},
                              {PARAM_INVERT, 1}};
    for (const Change& c : changes) {
        EXPECT_TRUE(session->SetValue(c.index, c.value));
        session->ClearLogs();
        const RenderResult r = session->RenderFrame();
        ASSERT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(session->ProgressLog().size(), circles);
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                ASSERT_EQ(r.output.Pixel8(x, y).alpha, first.output.Pixel8(x, y).alpha) << c.index;
            }
        }
    }
    // Mode and Time change how much is shown, never the chain's length.
    EXPECT_TRUE(session->SetValue(PARAM_MODE, MODE_DISCRETE_2));
    EXPECT_TRUE(session->SetValue(PARAM_TIME, 50));
    session->RenderFrame();
    EXPECT_EQ(session->ProgressLog().back().total, static_cast<int32_t>(circles));
    EXPECT_TRUE(session->SetValue(PARAM_TIME, 75));
    session->RenderFrame();
    EXPECT_EQ(session->ProgressLog().back().total, static_cast<int32_t>(circles));
}

}  // namespace
}  // namespace protocol
