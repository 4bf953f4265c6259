// Smart render: the frame's images, its starting picture, then the circles.
// Every resource of the call is released on every way out, in a fixed order.
#include "host/commands.h"
#include "host/suite_cache.h"
#include "host/suite_reporting.h"
#include "pixel/draw.h"
#include "render/placement.h"
#include "render/pre_render_record.h"

namespace {

constexpr PF_Err ERR_GEOMETRY = 255;  // rows shorter than the image, or heights that differ

constexpr const char* WORLD_SUITE = "PF World Suite";
constexpr int32_t WORLD_SUITE_VERSION = 2;
constexpr const char* MASK_SUITE = "AEGP Mask Suite";
constexpr int32_t MASK_SUITE_VERSION = 1;
constexpr const char* LOAD_FAILED = "Couldn't load suite.";
constexpr const char* RELEASE_FAILED = "Couldn't release suite.";

bool DepthOf(PF_PixelFormat format, uint8_t* depth, uint32_t* shift) {
    switch (format) {
        case PF_PixelFormat_ARGB128: *depth = DEPTH_FLOAT; *shift = 4; return true;
        case PF_PixelFormat_ARGB64: *depth = DEPTH_16; *shift = 3; return true;
        case PF_PixelFormat_ARGB32: *depth = DEPTH_8; *shift = 2; return true;
        default: return false;
    }
}

// Fills the context from the two worlds; false when their geometry cannot
// be rendered into.
bool FillContext(PF_InData* in_data, PF_OutData* out_data, PF_EffectWorld* input,
                 PF_EffectWorld* output, uint8_t depth, uint32_t shift, RenderContext* ctx) {
    ctx->in_data = in_data;
    ctx->out_data = out_data;
    ctx->input = input;
    ctx->output = output;
    ctx->width = input->width;
    ctx->height = input->height;
    ctx->input_stride = static_cast<int32_t>(static_cast<uint32_t>(input->rowbytes) >> shift);
    ctx->output_stride = static_cast<int32_t>(static_cast<uint32_t>(output->rowbytes) >> shift);
    ctx->input_padding = ctx->input_stride - ctx->width;
    ctx->output_padding = ctx->output_stride - ctx->width;
    ctx->depth = depth;
    switch (depth) {
        case DEPTH_8:
            ctx->input_pixels8 = static_cast<PF_Pixel*>(input->data);
            ctx->output_pixels8 = static_cast<PF_Pixel*>(output->data);
            break;
        case DEPTH_16:
            ctx->input_pixels16 = static_cast<PF_Pixel16*>(input->data);
            ctx->output_pixels16 = static_cast<PF_Pixel16*>(output->data);
            break;
        default:
            ctx->input_pixels_float = static_cast<PF_PixelFloat*>(input->data);
            ctx->output_pixels_float = static_cast<PF_PixelFloat*>(output->data);
            break;
    }
    const bool sized = ctx->width >= 0 && ctx->height >= 0;
    const bool rows_fit = ctx->input_padding >= 0 && ctx->output_padding >= 0;
    const bool has_pixels = (input->data != nullptr && output->data != nullptr) ||
                            ctx->width == 0 || ctx->height == 0;
    // Rows are addressed in whole pixels. An output row that is not a whole
    // number of pixels long would put every later row a few bytes off and
    // write into the host's padding; a negative row length describes no
    // buffer we could walk at all.
    const bool rows_whole = input->rowbytes >= 0 && output->rowbytes >= 0 &&
                            (static_cast<uint32_t>(output->rowbytes) & ((1u << shift) - 1u)) == 0;
    return sized && rows_fit && rows_whole && has_pixels && input->height == output->height;
}

}  // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
    PF_Err result = PF_Err_NONE;
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    const void* world_suite = nullptr;
    const void* mask_suite = nullptr;
    HostSuiteCache cache(in_data->pica_basicP);
    if (extra == nullptr || extra->input == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    PF_Handle params_handle = static_cast<PF_Handle>(extra->input->pre_render_data);
    const auto* record = params_handle != nullptr
                             ? static_cast<const PreRenderRecord*>(cache.HandleSuite()->host_lock_handle(params_handle))
                             : nullptr;
    if (record == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    const RenderParams& params = record->params;

    RenderContext ctx{};
    PlacementResult placement;
    PF_Handle grid = nullptr;
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;

    if (!result) result = extra->cb->checkout_layer_pixels(in_data->effect_ref, 0, &input);
    if (!result) result = extra->cb->checkout_output(in_data->effect_ref, &output);
    if (!result) {
        result = AcquireSuiteReporting(in_data, out_data, WORLD_SUITE, WORLD_SUITE_VERSION, LOAD_FAILED,
                                       &world_suite);
    }
    if (!result && (input == nullptr || output == nullptr)) result = PF_Err_BAD_CALLBACK_PARAM;
    if (!result) result = static_cast<const PF_WorldSuite2*>(world_suite)->PF_GetPixelFormat(input, &format);

    uint8_t depth = 0;
    uint32_t shift = 0;
    if (!DepthOf(format, &depth, &shift)) {
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (!FillContext(in_data, out_data, input, output, depth, shift, &ctx)) {
        result = ERR_GEOMETRY;
    } else {
        if (params.on_original) {
            result = in_data->utils->copy(in_data->effect_ref, input, output, nullptr, nullptr);
        } else {
            const PF_Pixel transparent{0, 0, 0, 0};
            in_data->utils->fill(in_data->effect_ref, &transparent, nullptr, output);
        }
        if (!result) {
            result = AcquireSuiteReporting(in_data, out_data, MASK_SUITE, MASK_SUITE_VERSION, LOAD_FAILED,
                                           &mask_suite);
        }
        const bool anything_to_draw = params.path_id != 0 && params.time != 0.0 && params.time != 1.0;
        if (!result && anything_to_draw) {
            PathSuites paths{nullptr, nullptr};
            try {
                paths.query = cache.PathQuerySuite();
                paths.data = cache.PathDataSuite();
            } catch (PF_Err err) {
                result = err;  // still release everything below
            }
            if (!result) result = PlaceCircles(params, in_data, out_data, paths, ctx.width, ctx.height,
                                               &placement, &grid);
            if (!result) result = DrawCircles(params, ctx, placement);
            placement.circles.Clear();
        }
    }

    if (mask_suite != nullptr) {
        const PF_Err err = ReleaseSuiteReporting(in_data, out_data, MASK_SUITE, MASK_SUITE_VERSION, RELEASE_FAILED);
        if (!result) result = err;
    }
    if (world_suite != nullptr) {
        const PF_Err err = ReleaseSuiteReporting(in_data, out_data, WORLD_SUITE, WORLD_SUITE_VERSION, RELEASE_FAILED);
        if (!result) result = err;
    }
    if (grid != nullptr) in_data->utils->host_dispose_handle(grid);
    return result;
}
