#include "pixel/draw.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <stdint.h>

#include "host/param_ids.h"
#include "pixel/color.h"
#include "pixel/composite.h"
#include "pixel/pixel_traits.h"
#include "pixel/reveal.h"
#include "render/circle_rows.h"
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
double Min(double a, double b) { return a < b ? a : b; }
int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }

// Scans the disc of radius drawn_radius + 2 around the truncated centre,
// clipped to the frame, and lays the disc and then the ring over each pixel
// that either covers. Pixel by pixel: for circles beyond the span limits.
template <typename Pixel>
void PaintCirclePlain(const DepthFrame<Pixel>& images, const RenderContext& context, DrawnCentre centre,
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

// Stores `value` into count pixels from `first`, as whole words so that the
// compiler can use wide stores. Long runs of 16-byte pixels go faster as
// copies of their own start, doubling, through the library's memcpy.
template <typename Pixel>
void FillRun(Pixel* first, int64_t count, const Pixel& value) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(first);
    unsigned char word[sizeof(Pixel)];
    std::memcpy(word, &value, sizeof word);
    const int64_t size = static_cast<int64_t>(sizeof word);
    const int64_t LONG_RUN = 64;
    const int64_t stamped = sizeof(Pixel) == 16 && count >= LONG_RUN ? LONG_RUN / 4 : count;
    for (int64_t i = 0; i < stamped; ++i) std::memcpy(bytes + i * size, word, sizeof word);
    for (int64_t done = stamped; done < count;) {
        const int64_t n = done < count - done ? done : count - done;
        std::memcpy(bytes + done * size, bytes, static_cast<size_t>(n * size));
        done += n;
    }
}

// The same pixels, row by row in spans. With R the drawn radius and t the
// thickness (t >= 0), for a pixel at distance d from the exact centre:
//   d >= R + 1                      both coverages are 0: left alone;
//   d <= min(R - t/2, R - t - 1)    fill 1, ring 0: the interior;
//   R - t <= d <= R                 ring 1: where an opaque ring colour
//                                   replaces the pixel whatever the disc did;
// and everything between takes the per-pixel rule with the host's sqrt.
// Each bound B is a whole or half number, so d <= B exactly when the
// squared distance q <= B * B (sqrt is monotonic and exact on squares), and
// the spans are found on q without a square root.
template <typename Pixel>
void PaintCircle(const DepthFrame<Pixel>& images, const RenderContext& context, DrawnCentre centre,
                 int64_t drawn_radius, int32_t thickness, const Pixel& fill, const Pixel& edge,
                 typename PixelTraits<Pixel>::Channel sample_alpha) {
    if (drawn_radius < 0 || drawn_radius > SPAN_RADIUS_LIMIT || thickness < 0 ||
        thickness > SPAN_RADIUS_LIMIT || !(std::fabs(centre.x) < SPAN_CENTRE_LIMIT) ||
        !(std::fabs(centre.y) < SPAN_CENTRE_LIMIT)) {
        PaintCirclePlain(images, context, centre, drawn_radius, thickness, fill, edge, sample_alpha);
        return;
    }
    double (*const host_sqrt)(double) = context.in_data->utils->ansi.sqrt;
    const int32_t radius = static_cast<int32_t>(drawn_radius);
    const double r = static_cast<double>(radius);
    const double t = static_cast<double>(thickness);
    const double outer = r + 1.0;
    const double outer_squared = outer * outer;
    const double interior = Min(r - t * 0.5, (r - t) - 1.0);
    const bool has_interior = interior >= 0.0;
    const double interior_squared = interior * interior;
    const double ring_inner = r - t;
    const double ring_inner_squared = ring_inner > 0.0 ? ring_inner * ring_inner : 0.0;
    const double ring_outer_squared = r * r;

    // The colours as the per-pixel rule lays them at coverage 1 and 0.
    using Traits = PixelTraits<Pixel>;
    Pixel fill_full = fill, edge_full = edge, edge_none = edge;
    fill_full.alpha = Traits::AlphaFromCoverage(sample_alpha, SanitizeCoverage(1.0));
    edge_full.alpha = Traits::AlphaFromCoverage(sample_alpha, SanitizeCoverage(1.0));
    edge_none.alpha = Traits::AlphaFromCoverage(sample_alpha, SanitizeCoverage(0.0));
    const bool interior_constant = SourceCovers(fill_full);
    const Pixel interior_pixel = BlendOver(fill_full, edge_none);
    const bool ring_constant = SourceCovers(edge_full);

    const int64_t half = drawn_radius + 2;
    const int64_t cx = static_cast<int64_t>(centre.x);
    const int64_t cy = static_cast<int64_t>(centre.y);
    const int64_t width = context.width;
    const int64_t dy_first = Max64(-half, -cy);
    const int64_t dy_last = Min64(half, static_cast<int64_t>(context.height) - 1 - cy);
    for (int64_t dy = dy_first; dy <= dy_last; ++dy) {
        const int64_t y = cy + dy;
        Pixel* row = images.output + static_cast<std::ptrdiff_t>(y) * context.output_stride;
        const double ey = static_cast<double>(y) - centre.y;
        const double ey_squared = ey * ey;
        // The scan disc's columns on this row, within the frame.
        const int64_t reach = IntegerSqrt(half * half - dy * dy);
        const int64_t lo = Max64(cx - reach, 0);
        const int64_t hi = Min64(cx + reach, width - 1);
        const ColumnSpan touched = ThresholdSpan(centre.x, ey_squared, outer_squared, false, lo, hi);
        if (touched.first > touched.last) continue;
        ColumnSpan inside{touched.last + 1, touched.last};
        if (has_interior) {
            inside = ThresholdSpan(centre.x, ey_squared, interior_squared, true, touched.first, touched.last);
            if (inside.first > inside.last) inside = ColumnSpan{touched.last + 1, touched.last};
        }
        auto rim = [&](int64_t x) {
            const double q = SquaredDistance(x, centre.x, ey_squared);
            if (ring_constant && q >= ring_inner_squared && q <= ring_outer_squared) {
                std::memcpy(row + x, &edge_full, sizeof edge_full);
                return;
            }
            const double d = host_sqrt(q);
            const double fill_coverage = FillCoverage(d, radius, thickness);
            const double edge_coverage = EdgeCoverage(d, radius, thickness);
            if (fill_coverage == 0.0 && edge_coverage == 0.0) return;
            CompositePixel(row[x], fill, sample_alpha, fill_coverage);
            CompositePixel(row[x], edge, sample_alpha, edge_coverage);
        };
        for (int64_t x = touched.first; x < inside.first; ++x) rim(x);
        if (inside.first <= inside.last) {
            if (interior_constant) {
                FillRun(row + inside.first, inside.last - inside.first + 1, interior_pixel);
            } else {
                for (int64_t x = inside.first; x <= inside.last; ++x) {
                    row[x] = BlendOver(BlendOver(row[x], fill_full), edge_none);
                }
            }
        }
        for (int64_t x = inside.last + 1; x <= touched.last; ++x) rim(x);
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
