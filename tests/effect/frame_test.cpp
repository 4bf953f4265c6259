// Whole frames without the command protocol: placement along a mask path,
// then drawing, in each depth, checked pixel for pixel against a picture
// worked out here from the coverage and blend formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "pixel/draw.h"
#include "render/coverage.h"
#include "render/placement.h"
#include "placement_fake_host.h"

using namespace placement_test;

namespace {

// ---- the "over" blend and the coverage-scaled composite, per depth ----

PF_Pixel Over(PF_Pixel d, PF_Pixel s) {
    if (d.alpha == 0 || s.alpha == 255) return s;
    if (s.alpha == 0) return d;
    const int k = ((256 - s.alpha) * d.alpha) >> 8;
    int a = s.alpha + k;
    if (a > 255) a = 255;
    if (a <= 0) return PF_Pixel{0, 0, 0, 0};
    auto c = [&](int sc, int dc) {
        const int v = (sc * s.alpha + dc * k) / a;
        return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    return PF_Pixel{static_cast<uint8_t>(a), c(s.red, d.red), c(s.green, d.green), c(s.blue, d.blue)};
}

PF_Pixel16 Over(PF_Pixel16 d, PF_Pixel16 s) {
    if (d.alpha == 0 || s.alpha == 32768) return s;
    if (s.alpha == 0) return d;
    const uint32_t k = ((32768u - s.alpha) * d.alpha) >> 15;
    uint32_t a = s.alpha + k;
    if (a > 32768u) a = 32768u;
    if (a == 0) return PF_Pixel16{0, 0, 0, 0};
    auto c = [&](uint32_t sc, uint32_t dc) {
        const uint32_t v = (sc * s.alpha + dc * k) / a;
        return static_cast<uint16_t>(v > 32768u ? 32768u : v);
    };
    return PF_Pixel16{static_cast<uint16_t>(a), c(s.red, d.red), c(s.green, d.green), c(s.blue, d.blue)};
}

PF_PixelFloat Over(PF_PixelFloat d, PF_PixelFloat s) {
    if (d.alpha == 0.0f || s.alpha == 1.0f) return s;
    if (s.alpha == 0.0f) return d;
    const float k = (1.0f - s.alpha) * d.alpha;
    float a = s.alpha + k;
    if (a > 1.0f) a = 1.0f;
    if (!(a > 0.0f)) return PF_PixelFloat{0, 0, 0, 0};
    auto c = [&](float sc, float dc) {
        const float n = sc * s.alpha + dc * k;
        return n / a;
    };
    return PF_PixelFloat{a, c(s.red, d.red), c(s.green, d.green), c(s.blue, d.blue)};
}

template <typename P>
void Composite(P* out, P colour, double alpha, double coverage) {
    colour.alpha = static_cast<decltype(colour.alpha)>(alpha * coverage);  // truncates, or rounds to float
    *out = Over(*out, colour);
}

bool Same(const PF_Pixel& a, const PF_Pixel& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
bool Same(const PF_Pixel16& a, const PF_Pixel16& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
bool Same(const PF_PixelFloat& a, const PF_PixelFloat& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// ---- the scene ----

constexpr int32_t W = 300, H = 90;
constexpr int32_t IN_STRIDE = W + 3, OUT_STRIDE = W + 1;
constexpr int32_t THICKNESS = 2;

// The worked example's chain along y = 40.5 from x = 0 to 230: four circles.
struct Placed {
    int32_t radius, x;
};
constexpr Placed CHAIN[] = {{37, 0}, {36, 75}, {34, 148}, {15, 217}};

const PF_Pixel EDGE8{77, 10, 220, 130};  // its alpha is never used

PF_Pixel In8(PF_Pixel c) { return c; }
PF_Pixel16 In16(PF_Pixel c) {
    auto e = [](uint8_t v) { return static_cast<uint16_t>((v * 32768 + 128) / 255); };
    return PF_Pixel16{e(c.alpha), e(c.red), e(c.green), e(c.blue)};
}
PF_PixelFloat InFloat(PF_Pixel c) {
    auto e = [](uint8_t v) { return static_cast<float>(v / 255.0); };
    return PF_PixelFloat{e(c.alpha), e(c.red), e(c.green), e(c.blue)};
}

// The finished picture, from the starting one: each circle, in order, a
// disc in the sampled (flat) colour under a ring in the edge colour, drawn
// with radius r + 1 and centred r + 1 to the right of its path point.
template <typename P>
std::vector<P> Expected(const std::vector<P>& start, P sample, P edge) {
    std::vector<P> img = start;
    const double a = static_cast<double>(sample.alpha);
    edge.alpha = sample.alpha;
    for (const Placed& c : CHAIN) {
        const int32_t r = c.radius + 1, n = r + 2;
        const double cx = c.x + r * 1.0, cy = 40.0;
        const int32_t ix = static_cast<int32_t>(cx), iy = 40;
        for (int32_t dy = -n; dy <= n; ++dy) {
            for (int32_t dx = -n; dx <= n; ++dx) {
                const int32_t x = ix + dx, y = iy + dy;
                if (dx * dx + dy * dy > n * n || x < 0 || x >= W || y < 0 || y >= H) continue;
                const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
                const double fc = FillCoverage(d, r, THICKNESS), ec = EdgeCoverage(d, r, THICKNESS);
                if (fc == 0.0 && ec == 0.0) continue;
                Composite(&img[y * W + x], sample, a, fc);
                Composite(&img[y * W + x], edge, a, ec);
            }
        }
    }
    return img;
}

PF_Err NoProgress(PF_ProgPtr, int32_t, int32_t) { return 0; }
double Pow(double b, double e) { return std::pow(b, e); }
double Floor(double v) { return std::floor(v); }

template <typename P>
void SetPixels(RenderContext* ctx, P* in, P* out);
template <>
void SetPixels(RenderContext* ctx, PF_Pixel* in, PF_Pixel* out) {
    ctx->depth = DEPTH_8;
    ctx->input_pixels8 = in;
    ctx->output_pixels8 = out;
}
template <>
void SetPixels(RenderContext* ctx, PF_Pixel16* in, PF_Pixel16* out) {
    ctx->depth = DEPTH_16;
    ctx->input_pixels16 = in;
    ctx->output_pixels16 = out;
}
template <>
void SetPixels(RenderContext* ctx, PF_PixelFloat* in, PF_PixelFloat* out) {
    ctx->depth = DEPTH_FLOAT;
    ctx->input_pixels_float = in;
    ctx->output_pixels_float = out;
}

template <typename P>
void RenderAndCheck(P flat, P edge, bool on_original) {
    Rig rig;
    rig.host.mask = Polyline({{0.0, 40.5}, {230.0, 40.5}});
    rig.params.time = 0.5;
    rig.params.mode = MODE_CONTINUOUS;
    rig.params.edge_thickness = THICKNESS;
    rig.params.edge_mode = EDGE_MODE_COLOR;
    rig.params.edge_color = EDGE8;
    rig.params.edge_brightness = 1.0;
    rig.params.on_original = on_original ? 1 : 0;
    rig.utils.ansi.pow = Pow;
    rig.utils.ansi.floor = Floor;
    rig.in.inter.progress = NoProgress;

    ASSERT_EQ(rig.Run(W, H), PF_Err_NONE);
    const std::vector<CircleRecord> placed = rig.Circles();
    ASSERT_EQ(placed.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(placed[k].radius, CHAIN[k].radius);
        EXPECT_EQ(placed[k].point_x, CHAIN[k].x);
        EXPECT_EQ(placed[k].point_y, 40);
    }

    // Padding pixels carry a marker that must survive.
    const P marker{7, 7, 7, 7};
    std::vector<P> input(static_cast<size_t>(IN_STRIDE) * H, marker);
    std::vector<P> output(static_cast<size_t>(OUT_STRIDE) * H, marker);
    std::vector<P> start(static_cast<size_t>(W) * H, on_original ? flat : P{0, 0, 0, 0});
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            input[y * IN_STRIDE + x] = flat;
            output[y * OUT_STRIDE + x] = start[y * W + x];
        }
    }
    PF_EffectWorld in_world{input.data(), static_cast<int32_t>(IN_STRIDE * sizeof(P)), W, H, 0, nullptr};
    PF_EffectWorld out_world{output.data(), static_cast<int32_t>(OUT_STRIDE * sizeof(P)), W, H, 0, nullptr};
    RenderContext ctx{};
    ctx.in_data = &rig.in;
    ctx.out_data = &rig.out;
    ctx.input = &in_world;
    ctx.output = &out_world;
    ctx.width = W;
    ctx.height = H;
    ctx.input_stride = IN_STRIDE;
    ctx.output_stride = OUT_STRIDE;
    ctx.input_padding = IN_STRIDE - W;
    ctx.output_padding = OUT_STRIDE - W;
    SetPixels(&ctx, input.data(), output.data());

    ASSERT_EQ(DrawCircles(rig.params, ctx, rig.result), PF_Err_NONE);

    const std::vector<P> want = Expected(start, flat, edge);
    int mismatches = 0, changed = 0;
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            const P& got = output[y * OUT_STRIDE + x];
            if (!Same(want[y * W + x], start[y * W + x])) ++changed;
            if (!Same(got, want[y * W + x]) && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": got (" << +got.alpha << ", " << +got.red << ", "
                              << +got.green << ", " << +got.blue << "), want (" << +want[y * W + x].alpha << ", "
                              << +want[y * W + x].red << ", " << +want[y * W + x].green << ", "
                              << +want[y * W + x].blue << ")";
            }
        }
        EXPECT_TRUE(Same(output[y * OUT_STRIDE + W], marker)) << "padding of row " << y;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(changed, 2000);  // the chain really is in the picture (its rings at least)
}

struct Scene {
    const char* name;
    PF_Pixel flat;
    bool on_original;
};
const Scene SCENES[] = {
    {"opaque layer, on original", {255, 200, 100, 50}, true},
    {"translucent layer, on original", {180, 200, 100, 50}, true},
    {"opaque layer, on transparent black", {255, 200, 100, 50}, false},
    {"translucent layer, on transparent black", {180, 30, 60, 240}, false},
};

TEST(FrameTest, Depth8) {
    for (const Scene& s : SCENES) {
        SCOPED_TRACE(s.name);
        RenderAndCheck(In8(s.flat), In8(EDGE8), s.on_original);
    }
}

TEST(FrameTest, Depth16) {
    for (const Scene& s : SCENES) {
        SCOPED_TRACE(s.name);
        RenderAndCheck(In16(s.flat), In16(EDGE8), s.on_original);
    }
}

TEST(FrameTest, DepthFloat) {
    for (const Scene& s : SCENES) {
        SCOPED_TRACE(s.name);
        RenderAndCheck(InFloat(s.flat), InFloat(EDGE8), s.on_original);
    }
}

}  // namespace
