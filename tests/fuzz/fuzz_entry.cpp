// Drives the effect's entry point through our host with whatever the bytes
// say: command codes, parameter values far outside their ranges, image
// sizes, row paddings and pixel formats, hostile mask paths, and host
// failures. Any crash, sanitizer report, escaped exception, or suite or
// path left held after a command is a finding.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "host/host_api.h"
#include "host/param_ids.h"
#include "runner/core/session.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra);

namespace {

constexpr int32_t MAX_SIDE = 24;           // small frames keep each run fast
constexpr int32_t MIN_SIDE = 0;           // frames without pixels too
constexpr int32_t MAX_VERTICES = 12;
constexpr int32_t MANY_VERTICES = 3000;    // "thousands of segments"
constexpr int32_t MAX_ACTIONS = 12;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_entry: %s\n", what);
    std::abort();
}

double Coordinate(FuzzedDataProvider& in, double span) {
    switch (in.ConsumeIntegralInRange<int>(0, 11)) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -std::numeric_limits<double>::infinity();
        case 3: return in.ConsumeBool() ? 1e300 : -1e300;
        case 4: return in.ConsumeBool() ? 3e13 : -3e13;          // past the host's limit at any resolution
        case 5: return in.ConsumeFloatingPointInRange(-3e3, 3e3);  // far outside a small frame
        case 6: return 0.0;
        case 7: return -0.5;                                     // truncates onto column 0
        default: return in.ConsumeFloatingPointInRange(-2.0, span + 2.0);
    }
}

runner::MaskPath Mask(FuzzedDataProvider& in, int32_t width, int32_t height) {
    runner::MaskPath mask;
    const bool many = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    const int32_t count = many ? in.ConsumeIntegralInRange<int32_t>(MAX_VERTICES, MANY_VERTICES)
                               : in.ConsumeIntegralInRange<int32_t>(0, MAX_VERTICES);
    mask.closed = in.ConsumeBool();
    const bool degenerate = in.ConsumeBool();  // repeat vertices: zero-length segments
    for (int32_t i = 0; i < count; ++i) {
        runner::MaskVertex v;
        if (many) {
            // Long paths stay tame per vertex so that a run stays short.
            v.x = in.ConsumeFloatingPointInRange(-2.0, width + 2.0);
            v.y = in.ConsumeFloatingPointInRange(-2.0, height + 2.0);
        } else if (degenerate && i > 0 && in.ConsumeBool()) {
            v = mask.vertices.back();
        } else {
            v.x = Coordinate(in, width);
            v.y = Coordinate(in, height);
            if (in.ConsumeBool()) {
                v.in_x = Coordinate(in, width) - v.x;
                v.in_y = Coordinate(in, height) - v.y;
                v.out_x = Coordinate(in, width) - v.x;
                v.out_y = Coordinate(in, height) - v.y;
            }
        }
        mask.vertices.push_back(v);
    }
    return mask;
}

// A value for a parameter: often inside its valid range, often at or past
// its edges, sometimes anything at all.
void SetParameter(FuzzedDataProvider& in, runner::Session& s, PF_ParamIndex index) {
    const std::vector<runner::ParamDefinition>& defs = s.Params();
    if (index <= 0 || static_cast<size_t>(index) >= defs.size()) return;
    const runner::ParamDefinition& def = defs[static_cast<size_t>(index)];
    if (def.type == PF_Param_COLOR) {
        const uint32_t c = in.ConsumeIntegral<uint32_t>();
        s.SetColor(index, PF_Pixel{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                   static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 24)});
        return;
    }
    if (def.type == PF_Param_FIX_SLIDER && in.ConsumeBool()) {
        s.SetFixedRaw(index, in.ConsumeIntegral<int32_t>());
        return;
    }
    double value = 0.0;
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: value = def.valid_min; break;
        case 1: value = def.valid_max; break;
        case 2: value = def.valid_min - 1.0; break;
        case 3: value = def.valid_max + 1.0; break;
        case 4: value = in.ConsumeIntegral<int32_t>(); break;
        case 5: value = in.ConsumeBool() ? 1e30 : -1e30; break;
        case 6: value = in.ConsumeFloatingPoint<double>(); break;
        default: value = in.ConsumeFloatingPointInRange(def.valid_min, def.valid_max); break;
    }
    s.SetValue(index, value);
}

runner::Faults SomeFaults(FuzzedDataProvider& in) {
    runner::Faults f;
    if (!in.ConsumeBool()) return f;
    f.error = in.ConsumeBool() ? runner::INJECTED_ERROR : in.ConsumeIntegral<PF_Err>();
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
        static const char* const NAMES[] = {"PF Handle Suite", "PF World Suite", "AEGP Mask Suite",
                                            "PF Path Query Suite", "PF Path Data Suite",
                                            "PF AE Channel Suite", "AEGP Utility Suite"};
        const char* name = NAMES[in.ConsumeIntegralInRange<size_t>(0, 6)];
        f.refused_suites.push_back(runner::SuiteKey{name, in.ConsumeIntegralInRange<int32_t>(1, 3)});
    }
    f.null_basic_suite = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    f.fail_handle_allocation = in.ConsumeIntegralInRange<int32_t>(0, 4);
    f.fail_lock = in.ConsumeIntegralInRange<int32_t>(0, 4);
    f.fail_add_param = in.ConsumeIntegralInRange<int32_t>(0, 14);
    f.fail_param_checkout = in.ConsumeIntegralInRange<int32_t>(0, 14);
    f.fail_layer_checkout = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    f.fail_layer_pixels = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    f.fail_output_checkout = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    f.fail_copy = in.ConsumeBool();
    f.fail_fill = in.ConsumeBool();
    f.fail_path_operation = static_cast<runner::PathOperation>(
        in.ConsumeIntegralInRange<int32_t>(runner::PATH_OP_NONE, runner::PATH_OP_CLEANUP));
    f.fail_path_call = in.ConsumeIntegralInRange<int32_t>(1, 6);
    f.progress_interrupt_at = in.ConsumeIntegralInRange<int32_t>(0, 4);
    f.progress_error = in.ConsumeIntegral<PF_Err>();
    f.unknown_pixel_format = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    f.fail_pixel_format = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    f.output_height_delta = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<int32_t>(-3, 3) : 0;
    f.fail_has_param_changed = in.ConsumeBool();
    f.fail_get_current_state = in.ConsumeBool();
    f.fail_update_param_ui = in.ConsumeBool();
    f.fail_register_with_aegp = in.ConsumeBool();
    return f;
}

// Paths left with the host because it refused their check-in.
int32_t g_refused_checkins = 0;

void CheckCommand(const runner::Session& s, const runner::CommandResult& r) {
    Check(!r.escaped_exception, "a C++ exception left the entry point");
    // A check-in the host itself refuses leaves that path with the host for
    // good; any other command must give back every path it took.
    if (s.CurrentFaults().fail_path_operation == runner::PATH_OP_CHECKIN) {
        g_refused_checkins = s.OutstandingPathCheckouts();
    }
    Check(s.OutstandingPathCheckouts() <= g_refused_checkins, "a path is still checked out after the command");
    Check(s.OutstandingSuites() == 0, "a suite is still held after the command");
    Check(s.OutstandingPathPreparations() >= 0, "more path clean-ups than preparations");
}

void CheckRender(const runner::Session& s, const runner::RenderResult& r) {
    CheckCommand(s, r.pre_render);
    CheckCommand(s, r.render);
    // Whatever the effect did, it never writes past the rows of its output.
    if (!r.output.Empty() && !r.output.PaddingIntact()) {
        std::fprintf(stderr, "output %dx%d rowbytes %d format %d, input %dx%d rowbytes %d, err %d/%d ran %d\n",
                     r.output.Width(), r.output.Height(), r.output.RowBytes(), r.output.Format(),
                     s.Input().Width(), s.Input().Height(), s.Input().RowBytes(), r.pre_render.err, r.render.err,
                     r.render_ran);
        Check(false, "the output's row padding was written");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    runner::Session s(&EntryPointFunc);
    g_refused_checkins = 0;

    static const PF_PixelFormat FORMATS[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                             PF_PixelFormat_ARGB128};
    const PF_PixelFormat format = FORMATS[in.ConsumeIntegralInRange<size_t>(0, 2)];
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(MIN_SIDE, MAX_SIDE);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(MIN_SIDE, MAX_SIDE);
    const int32_t padding = in.ConsumeIntegralInRange<int32_t>(0, 40);
    runner::Result<runner::World> world = runner::World::Create(format, width, height, padding, 0x40);
    if (world) s.SetInput(std::move(*world));
    s.SetOutputRowPadding(in.ConsumeIntegralInRange<int32_t>(0, 40));
    if (in.ConsumeBool()) {
        const PF_RationalScale x{in.ConsumeIntegralInRange<int32_t>(-1, 4), in.ConsumeIntegralInRange<uint32_t>(0, 4)};
        const PF_RationalScale y{in.ConsumeIntegralInRange<int32_t>(-1, 4), in.ConsumeIntegralInRange<uint32_t>(0, 4)};
        s.SetDownsample(x, y);
    }
    if (in.ConsumeBool()) {
        s.SetTime(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<uint32_t>());
    }

    const bool faults_first = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    if (faults_first) s.SetFaults(SomeFaults(in));
    CheckCommand(s, s.SetUp());
    if (!faults_first) s.SetFaults(SomeFaults(in));

    const int32_t masks = in.ConsumeIntegralInRange<int32_t>(0, 2);
    for (int32_t id = 1; id <= masks; ++id) s.SetMask(id, Mask(in, width, height));
    s.SetValue(PARAM_PATH, in.ConsumeIntegralInRange<int32_t>(0, 3));
    const int32_t settings = in.ConsumeIntegralInRange<int32_t>(0, PARAM_COUNT);
    for (int32_t i = 0; i < settings; ++i) {
        SetParameter(in, s, in.ConsumeIntegralInRange<PF_ParamIndex>(1, PARAM_COUNT - 1));
    }

    const int32_t actions = in.ConsumeIntegralInRange<int32_t>(1, MAX_ACTIONS);
    for (int32_t i = 0; i < actions && in.remaining_bytes() > 0; ++i) {
        int action = in.ConsumeIntegralInRange<int>(0, 11);
        // The parameter array has one entry per registered parameter and the
        // effect cannot tell its length: a host sends no interface update to
        // an instance whose parameter set-up did not complete.
        if (s.ParamCount() < PARAM_COUNT && (action == 1 || action == 2)) action = 0;
        switch (action) {
            case 0: CheckCommand(s, s.About()); break;
            case 1: CheckCommand(s, s.UpdateParamsUi()); break;
            case 2: CheckCommand(s, s.UserChangedParam(in.ConsumeIntegralInRange<PF_ParamIndex>(-2, PARAM_COUNT + 2))); break;
            case 3: CheckCommand(s, s.SequenceResetup()); break;
            case 4: CheckCommand(s, s.CompletelyGeneral(in.ConsumeBool() ? nullptr : "x")); break;
            case 5: CheckCommand(s, s.Call(in.ConsumeIntegral<PF_Cmd>())); break;
            case 6: CheckCommand(s, s.Call(PF_Cmd_SMART_RENDER)); break;  // no extra record
            case 7: CheckCommand(s, s.Call(PF_Cmd_SMART_PRE_RENDER)); break;
            case 8: SetParameter(in, s, in.ConsumeIntegralInRange<PF_ParamIndex>(1, PARAM_COUNT - 1)); break;
            case 9: s.SetFaults(SomeFaults(in)); break;
            default: CheckRender(s, s.RenderFrame()); break;
        }
    }
    s.ClearFaults();
    CheckRender(s, s.RenderFrame());
    CheckCommand(s, s.SequenceSetdown());
    return 0;
}
