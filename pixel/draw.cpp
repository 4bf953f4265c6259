#include "pixel/draw.h"

#include <cstddef>
#include <stdint.h>

#include "host/param_ids.h"
#include "pixel/color.h"
#include "pixel/composite.h"
#include "pixel/pixel_traits.h"
#include "pixel/reveal.h"
#include "render/coverage.h"

namespace {

// The images and per-frame colours of one depth.
template <typename Pixel>
struct DepthFrame {
    const Pixel* input;
    Pixel* output;
    Pixel edge_color;  // "Edge Color" in this depth; its alpha is replaced per circle
};

struct ChainFrame {
    const RenderParams* params;
    const RenderContext* context;
    const PlacementResult* placement;
    double brightness_factor;
    int32_t budget;
};

bool ContextUsable(const RenderContext& context) {
    const PF_InData* in_data = context.in_data;
    if (in_data == nullptr || in_data->utils == nullptr || in_data->inter.progress == nullptr) {
        return false;
    }
    const PF_ANSICallbacks& ansi = in_data->utils->ansi;
    if (ansi.sqrt == nullptr || ansi.pow == nullptr || ansi.floor == nullptr) return false;
    if (context.width < 0 || context.height < 0) return false;
    if (context.input_stride < context.width || context.output_stride < context.width) return false;
    // An empty frame may come without pixels; no pixel of it is ever touched.
    const bool empty = context.width == 0 || context.height == 0;
    switch (context.depth) {
        case DEPTH_8:
            return empty || (context.input_pixels8 && context.output_pixels8);
        case DEPTH_16:
            return empty || (context.input_pixels16 && context.output_pixels16);
        case DEPTH_FLOAT:
            return empty || (context.input_pixels_float && context.output_pixels_float);
        default: return false;
    }
}

template <typename Pixel>
Pixel EdgeColour(const Pixel& sample, const ChainFrame& frame, const Pixel& edge_color) {
    if (frame.params->edge_mode == EDGE_MODE_BRIGHTNESS) {
        if (frame.brightness_factor == 1.0) return sample;
        HsvColor hsv = RgbToHsv(sample);
        hsv.value = hsv.value * frame.brightness_factor;
        if (hsv.value > 255.0) hsv.value = 255.0;
        return HsvToRgb<Pixel>(hsv);
    }
    Pixel colour = edge_color;
    colour.alpha = sample.alpha;
    return colour;
}

int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }

// Scans the disc of radius drawn_radius + 2 around the truncated centre,
// clipped to the frame, and lays the disc and then the ring over each pixel
// that either covers.
template <typename Pixel>
void PaintCircle(const DepthFrame<Pixel>& images, const RenderContext& context, DrawnCentre centre,
                 int64_t drawn_radius, int32_t thickness, const Pixel& fill, const Pixel& edge,
                 typename PixelTraits<Pixel>::Channel sample_alpha) {
    double (*const host_sqrt)(double) = context.in_data->utils->ansi.sqrt;
    const int64_t half = drawn_radius + 2;
    const uint64_t half_squared = static_cast<uint64_t>(half < 0 ? 0 : half) *
                                  static_cast<uint64_t>(half < 0 ? 0 : half);
    const int64_t cx = static_cast<int64_t>(centre.x);
    const int64_t cy = static_cast<int64_t>(centre.y);
    const int64_t dy_first = Max64(-half, -cy);
    const int64_t dy_last = Min64(half, static_cast<int64_t>(context.height) - 1 - cy);
    const int64_t dx_first = Max64(-half, -cx);
    const int64_t dx_last = Min64(half, static_cast<int64_t>(context.width) - 1 - cx);
    const int32_t radius = static_cast<int32_t>(Min64(drawn_radius, INT32_MAX));
    for (int64_t dy = dy_first; dy <= dy_last; ++dy) {
        const int32_t y = static_cast<int32_t>(cy + dy);
        Pixel* row = images.output + static_cast<std::ptrdiff_t>(y) * context.output_stride;
        const uint64_t ady = static_cast<uint64_t>(dy < 0 ? -dy : dy);
        const double ey = static_cast<double>(y) - centre.y;
        for (int64_t dx = dx_first; dx <= dx_last; ++dx) {
            const uint64_t adx = static_cast<uint64_t>(dx < 0 ? -dx : dx);
            if (adx * adx + ady * ady > half_squared) continue;
            const int32_t x = static_cast<int32_t>(cx + dx);
            const double ex = static_cast<double>(x) - centre.x;
            const double d = host_sqrt(ex * ex + ey * ey);
            const double fill_coverage = FillCoverage(d, radius, thickness);
            const double edge_coverage = EdgeCoverage(d, radius, thickness);
            if (fill_coverage == 0.0 && edge_coverage == 0.0) continue;
            CompositePixel(row[x], fill, sample_alpha, fill_coverage);
            CompositePixel(row[x], edge, sample_alpha, edge_coverage);
        }
    }
}

template <typename Pixel>
void DrawRevealedCircle(const DepthFrame<Pixel>& images, const ChainFrame& frame,
                        const CircleRecord& record, const RevealStep& step,
                        const CircleRecord* next) {
    const RenderContext& context = *frame.context;
    // The path point lies in the frame; a record that says otherwise has no
    // sample to draw with.
    if (record.point_x < 0 || record.point_x >= context.width || record.point_y < 0 ||
        record.point_y >= context.height) {
        return;
    }
    const DrawnCentre centre = CentreOfDrawnCircle(record, step.radius, step.contracting, next);
    if (!centre.usable) return;
    const int64_t drawn_radius = static_cast<int64_t>(step.radius) + 1;

    const std::ptrdiff_t at =
        static_cast<std::ptrdiff_t>(record.point_y) * context.input_stride + record.point_x;
    const Pixel sample = images.input[at];
    Pixel fill = sample;
    Pixel edge = EdgeColour(sample, frame, images.edge_color);
    if (frame.params->invert != 0) {
        const Pixel swap = fill;
        fill = edge;
        edge = swap;
    }
    PaintCircle(images, context, centre, drawn_radius, frame.params->edge_thickness, fill, edge,
                sample.alpha);
}

// The "Edge Color" is expanded to the depth once per frame.
template <typename Pixel>
PF_Err DrawChain(const ChainFrame& frame, const Pixel* input, Pixel* output) {
    const DepthFrame<Pixel> images{input, output, ExpandPixel8<Pixel>(frame.params->edge_color)};
    const PlacementResult& placement = *frame.placement;
    const PF_InData& in_data = *frame.context->in_data;
    RevealWalk walk =
        StartReveal(frame.params->mode, frame.params->time, frame.budget, placement.circle_count);
    PF_Err result = PF_Err_NONE;
    for (const CircleNode* node = placement.circles.first(); node != nullptr; node = node->next) {
        const RevealStep step = StepReveal(walk, node->record.radius);
        if (!step.draw) continue;
        DrawRevealedCircle(images, frame, node->record, step,
                           node->next != nullptr ? &node->next->record : nullptr);
        if (step.ends_walk) break;
        // After the user interrupts, the rest of the revealed chain is still
        // drawn but the host is not asked again.
        if (step.report_progress && result == PF_Err_NONE) {
            result =
                in_data.inter.progress(in_data.effect_ref, walk.drawn_count, walk.circle_count);
        }
    }
    return result;
}

}  // namespace

PF_Err DrawCircles(const RenderParams& params, const RenderContext& context,
                   const PlacementResult& placement) {
    if (!ContextUsable(context)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_ANSICallbacks& ansi = context.in_data->utils->ansi;
    ChainFrame frame{};
    frame.params = &params;
    frame.context = &context;
    frame.placement = &placement;
    frame.brightness_factor = ansi.pow(2.0, params.edge_brightness) - 1.0;
    frame.budget = RevealBudget(params.mode, params.time, placement.radius_sum,
                                placement.circle_count, ansi.floor);
    switch (context.depth) {
        case DEPTH_8:
            return DrawChain<PF_Pixel>(frame, context.input_pixels8, context.output_pixels8);
        case DEPTH_16:
            return DrawChain<PF_Pixel16>(frame, context.input_pixels16, context.output_pixels16);
        default:
            return DrawChain<PF_PixelFloat>(frame, context.input_pixels_float,
                                            context.output_pixels_float);
    }
}
