// The SmartFX callbacks: the input layer's extent at pre-render, the input
// and output images at render.
#include <algorithm>

#include "runner/core/session_state.h"

namespace runner {

namespace {

PF_Err CheckoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, int32_t checkout_id,
                     const PF_RenderRequest* request, int32_t /*what_time*/,
                     int32_t /*time_step*/, uint32_t /*time_scale*/, PF_CheckoutResult* result) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || request == nullptr || result == nullptr || index != 0 ||
            s->current_cmd != PF_Cmd_SMART_PRE_RENDER) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        if (s->faults.fail_layer_checkout) return s->faults.error;
        s->layer_checkout_ids.push_back(checkout_id);
        s->last_layer_request = *request;
        // The layer at the current resolution; what the request covers of it.
        const PF_LRect layer{0, 0, s->input.Width(), s->input.Height()};
        PF_LRect within{std::max(layer.left, request->rect.left), std::max(layer.top, request->rect.top),
                        std::min(layer.right, request->rect.right),
                        std::min(layer.bottom, request->rect.bottom)};
        if (within.left >= within.right || within.top >= within.bottom) within = PF_LRect{0, 0, 0, 0};
        result->result_rect = within;
        result->max_result_rect = layer;
        return PF_Err_NONE;
    });
}

PF_Err CheckoutLayerPixels(PF_ProgPtr effect_ref, int32_t checkout_id, PF_EffectWorld** pixels) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || pixels == nullptr || s->current_cmd != PF_Cmd_SMART_RENDER) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *pixels = nullptr;
        if (s->faults.fail_layer_pixels) return s->faults.error;
        // Only a layer that the pre-render checked out under this id.
        const auto& ids = s->layer_checkout_ids;
        if (std::find(ids.begin(), ids.end(), checkout_id) == ids.end()) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *pixels = s->input.Def();
        return PF_Err_NONE;
    });
}

PF_Err CheckoutOutput(PF_ProgPtr effect_ref, PF_EffectWorld** output) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || output == nullptr || s->current_cmd != PF_Cmd_SMART_RENDER) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *output = nullptr;
        if (s->faults.fail_output_checkout) return s->faults.error;
        *output = s->output.Def();
        return PF_Err_NONE;
    });
}

}  // namespace

const PF_PreRenderCallbacks PRE_RENDER_CALLBACKS = {CheckoutLayer};
const PF_SmartRenderCallbacks SMART_RENDER_CALLBACKS = {CheckoutLayerPixels, CheckoutOutput};

}  // namespace runner
