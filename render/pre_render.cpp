// Smart pre-render: snapshots the frame's parameters into a host handle and
// reports the output extent.
#include <cstring>

#include "host/commands.h"
#include "host/param_ids.h"
#include "host/suite_cache.h"
#include "host/suite_reporting.h"
#include "render/pre_render_record.h"

namespace {

// The order in which the parameters are checked out.
constexpr int32_t CHECKOUT_ORDER[] = {
    PARAM_PATH,          PARAM_MODE,       PARAM_DIRECTION,      PARAM_MAX_RADIUS,
    PARAM_MIN_RADIUS,    PARAM_EDGE_THICKNESS, PARAM_EDGE_BRIGHTNESS, PARAM_ON_ORIGINAL,
    PARAM_SEED,          PARAM_EDGE_MODE,  PARAM_EDGE_COLOR,     PARAM_INVERT,
    PARAM_TIME,
};
constexpr int32_t CHECKOUT_COUNT = static_cast<int32_t>(sizeof CHECKOUT_ORDER / sizeof CHECKOUT_ORDER[0]);

void FillRenderParams(const PF_InData* in_data, const PF_ParamDef* by_index, RenderParams* p) {
    std::memset(p, 0, sizeof *p);
    p->downsample = DownsampleFactor(in_data->downsample_x);
    p->mode = by_index[PARAM_MODE].u.pd.value;
    p->direction = by_index[PARAM_DIRECTION].u.pd.value;
    p->path_id = by_index[PARAM_PATH].u.path_d.path_id;
    p->time = PercentToFraction(by_index[PARAM_TIME].u.fd.value);
    p->max_radius = ScalePixelSize(by_index[PARAM_MAX_RADIUS].u.sd.value, p->downsample);
    p->min_radius = PercentToFraction(by_index[PARAM_MIN_RADIUS].u.fd.value);
    p->edge_thickness = ScalePixelSize(by_index[PARAM_EDGE_THICKNESS].u.sd.value, p->downsample);
    p->edge_mode = by_index[PARAM_EDGE_MODE].u.pd.value;
    p->edge_color = by_index[PARAM_EDGE_COLOR].u.cd.value;
    p->edge_brightness = by_index[PARAM_EDGE_BRIGHTNESS].u.fs_d.value;
    p->invert = by_index[PARAM_INVERT].u.bd.value;
    p->seed = by_index[PARAM_SEED].u.sd.value;
    p->on_original = by_index[PARAM_ON_ORIGINAL].u.bd.value;
}

}  // namespace

void DeletePreRenderData(void* pre_render_data) {
    PF_Handle handle = static_cast<PF_Handle>(pre_render_data);
    if (handle == nullptr || *handle == nullptr) return;
    const SPBasicSuite* basic = static_cast<const PreRenderRecord*>(*handle)->basic;
    // The host calls this outside any command: no error may escape, and a
    // handle suite the host will not hand out leaves the block to the host.
    try {
        HostSuiteCache cache(basic);
        if (auto dispose = cache.HandleSuite()->host_dispose_handle) dispose(handle);
    } catch (PF_Err) {
    }
}

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_PreRenderExtra* extra) {
    if (extra == nullptr || extra->input == nullptr || extra->output == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_RenderRequest request = extra->input->output_request;
    HostSuiteCache cache(in_data->pica_basicP);
    const PF_HandleSuite1* handles = cache.HandleSuite();

    PF_Handle handle = handles->host_new_handle(static_cast<uint32_t>(sizeof(PreRenderRecord)));
    if (handle == nullptr) return PF_Err_OUT_OF_MEMORY;
    auto* record = static_cast<PreRenderRecord*>(handles->host_lock_handle(handle));
    if (record == nullptr) {
        handles->host_dispose_handle(handle);
        return PF_Err_OUT_OF_MEMORY;
    }
    record->basic = in_data->pica_basicP;
    // The host owns the handle from here on, whatever happens next, and frees
    // it through the deletion function.
    extra->output->pre_render_data = handle;
    extra->output->delete_pre_render_data_func = DeletePreRenderData;

    PF_ParamDef by_index[PARAM_COUNT];
    std::memset(by_index, 0, sizeof by_index);
    PF_Err err = PF_Err_NONE;
    int32_t checked_out = 0;
    for (; checked_out < CHECKOUT_COUNT && !err; ++checked_out) {
        const int32_t index = CHECKOUT_ORDER[checked_out];
        err = in_data->inter.checkout_param(in_data->effect_ref, index, in_data->current_time,
                                            in_data->time_step, in_data->time_scale, &by_index[index]);
        if (err) break;
    }

    if (!err) {
        request.preserve_rgb_of_zero_alpha = 1;
        PF_CheckoutResult layer;
        std::memset(&layer, 0, sizeof layer);
        err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT, 0, &request,
                                        in_data->current_time, in_data->time_step,
                                        in_data->time_scale, &layer);
        if (!err) {
            FillRenderParams(in_data, by_index, &record->params);
            UnionRectInto(layer.result_rect, &extra->output->result_rect);
            UnionRectInto(layer.max_result_rect, &extra->output->max_result_rect);
        }
    }

    for (int32_t i = 0; i < checked_out; ++i) {
        const PF_Err checkin = in_data->inter.checkin_param(in_data->effect_ref, &by_index[CHECKOUT_ORDER[i]]);
        if (!err) err = checkin;  // a refused check-in is not success
    }
    return err;
}
