// The drawing and marking loops are written for speed (spans per row, no
// square root where the coverages are known). These tests hold them against
// a plain transcription of the per-pixel rules kept here: every offset of the
// scan square, a square root per pixel of the scan disc, both coverages, and
// the two blends laid one after the other. Random scenes in all depths and
// modes, with circles clipped at every border and padded rows, must give the
// same bytes, padding included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "host/param_ids.h"
#include "pixel/color.h"
#include "pixel/draw.h"
#include "pixel/reveal.h"
#include "render/occupancy_grid.h"

namespace {

// ---- the reference: the rules pixel by pixel ------------------------------

double RefFill(double d, int32_t r, int32_t t) {
    const double inner = static_cast<double>(r) - static_cast<double>(t) * 0.5;
    if (inner >= d) return 1.0;
    const double c = 1.0 - (d - inner);
    return c < 0.0 ? 0.0 : (c > 1.0 ? 1.0 : c);
}

double RefEdge(double d, int32_t r, int32_t t) {
    const double rd = static_cast<double>(r), td = static_cast<double>(t);
    if ((rd - td) - 1.0 >= d) return 0.0;
    const double e = (rd - td * 0.5) - d;
    const double c = 1.0 - (std::fabs(e) - td * 0.5);
    if (c <= 0.0) return 0.0;
    if (c >= 1.0) return 1.0;
    return c;
}

template <typename Pixel>
struct Ref;

// The integer blend: weight 256 (8-bit) or 32768 (16-bit), unsigned 32-bit sums.
template <typename Pixel, uint32_t OPAQUE, uint32_t SHIFT>
Pixel RefBlendInteger(Pixel d, Pixel s) {
    if (d.alpha == 0 || s.alpha == OPAQUE) return s;
    if (s.alpha == 0) return d;
    const uint32_t sa = s.alpha;
    const uint32_t k = (((1u << SHIFT) - sa) * static_cast<uint32_t>(d.alpha)) >> SHIFT;
    uint32_t a = sa + k;
    if (a > OPAQUE) a = OPAQUE;
    if (a == 0) return Pixel{0, 0, 0, 0};
    auto ch = [&](uint32_t sc, uint32_t dc) {
        uint32_t c = (sc * sa + dc * k) / a;
        if (c > OPAQUE) c = OPAQUE;
        return c;
    };
    using C = decltype(s.alpha);
    Pixel out;
    out.alpha = static_cast<C>(a);
    out.red = static_cast<C>(ch(s.red, d.red));
    out.green = static_cast<C>(ch(s.green, d.green));
    out.blue = static_cast<C>(ch(s.blue, d.blue));
    return out;
}

template <>
struct Ref<PF_Pixel> {
    static constexpr uint32_t OPAQUE = 255;
    static PF_Pixel Blend(PF_Pixel d, PF_Pixel s) { return RefBlendInteger<PF_Pixel, 255, 8>(d, s); }
    static uint8_t Alpha(uint8_t a, double coverage) {
        const int64_t v = static_cast<int64_t>(static_cast<double>(a) * coverage);
        return static_cast<uint8_t>(v > 255 ? 255 : v);
    }
};

template <>
struct Ref<PF_Pixel16> {
    static PF_Pixel16 Blend(PF_Pixel16 d, PF_Pixel16 s) {
        return RefBlendInteger<PF_Pixel16, 32768, 15>(d, s);
    }
    static uint16_t Alpha(uint16_t a, double coverage) {
        const int64_t v = static_cast<int64_t>(static_cast<double>(a) * coverage);
        return static_cast<uint16_t>(v > 32768 ? 32768 : v);
    }
};

template <>
struct Ref<PF_PixelFloat> {
    static PF_PixelFloat Blend(PF_PixelFloat d, PF_PixelFloat s) {
        if (d.alpha == 0.0f) return s;
        if (s.alpha == 1.0f) return s;
        if (s.alpha == 0.0f) return d;
        const float k = (1.0f - s.alpha) * d.alpha;
        float a = s.alpha + k;
        if (a > 1.0f) a = 1.0f;
        if (!(a > 0.0f)) return PF_PixelFloat{0.0f, 0.0f, 0.0f, 0.0f};
        const float r = s.red * s.alpha + d.red * k;
        const float g = s.green * s.alpha + d.green * k;
        const float b = s.blue * s.alpha + d.blue * k;
        return PF_PixelFloat{a, r / a, g / a, b / a};
    }
    static float Alpha(float a, double coverage) {
        return static_cast<float>(static_cast<double>(a) * coverage);
    }
};

template <typename Pixel>
void RefComposite(Pixel& out, Pixel colour, decltype(colour.alpha) sample_alpha, double coverage) {
    colour.alpha = Ref<Pixel>::Alpha(sample_alpha, coverage);
    out = Ref<Pixel>::Blend(out, colour);
}

template <typename Pixel>
Pixel EdgeColour(Pixel sample, const RenderParams& p, double f, Pixel edge_color) {
    if (p.edge_mode == EDGE_MODE_BRIGHTNESS) {
        if (f == 1.0) return sample;
        HsvColor hsv = RgbToHsv(sample);
        hsv.value *= f;
        if (hsv.value > 255.0) hsv.value = 255.0;
        return HsvToRgb<Pixel>(hsv);
    }
    edge_color.alpha = sample.alpha;
    return edge_color;
}

template <typename Pixel>
void RefPaint(const RenderParams& p, const RenderContext& ctx, const Pixel* in, Pixel* out,
              Pixel edge_color, double f, const CircleRecord& rec, int32_t r, bool contracting,
              const CircleRecord* next) {
    const int32_t rr = r + 1;  // drawn radius
    const int32_t n = rr + 2;
    const double px = rec.point_x, py = rec.point_y;
    double cx = px + rr * rec.dir_x, cy = py + rr * rec.dir_y;
    if (contracting) {
        const int32_t r1 = rec.radius + 1;
        const double x0 = px + r1 * rec.dir_x, y0 = py + r1 * rec.dir_y;
        if (next != nullptr) {
            const double share = static_cast<double>(r1 - rr) / r1;
            cx = x0 + share * (next->point_x - x0);
            cy = y0 + share * (next->point_y - y0);
        } else {
            cx = px + static_cast<double>(2 * rec.radius + 2 - rr) * rec.dir_x;
            cy = py + static_cast<double>(2 * rec.radius + 2 - rr) * rec.dir_y;
        }
    }
    const int64_t ix = static_cast<int64_t>(cx), iy = static_cast<int64_t>(cy);
    const Pixel sample = in[rec.point_y * ctx.input_stride + rec.point_x];
    Pixel fill = sample;
    Pixel edge = EdgeColour(sample, p, f, edge_color);
    if (p.invert != 0) std::swap(fill, edge);
    const int32_t t = p.edge_thickness;
    // Offsets whose pixel lies outside the frame are skipped by the frame
    // test anyway; leaving them out of the loops keeps huge circles cheap.
    const int64_t dy_lo = std::max<int64_t>(-n, -iy), dy_hi = std::min<int64_t>(n, ctx.height - 1 - iy);
    const int64_t dx_lo = std::max<int64_t>(-n, -ix), dx_hi = std::min<int64_t>(n, ctx.width - 1 - ix);
    for (int64_t dy = dy_lo; dy <= dy_hi; ++dy) {
        for (int64_t dx = dx_lo; dx <= dx_hi; ++dx) {
            const int64_t x = ix + dx, y = iy + dy;
            if (dx * dx + dy * dy > static_cast<int64_t>(n) * n) continue;
            if (x < 0 || x >= ctx.width || y < 0 || y >= ctx.height) continue;
            const double ex = static_cast<double>(x) - cx, ey = static_cast<double>(y) - cy;
            const double d = std::sqrt(ex * ex + ey * ey);
            const double fc = RefFill(d, rr, t), ec = RefEdge(d, rr, t);
            if (fc == 0.0 && ec == 0.0) continue;
            Pixel& o = out[y * ctx.output_stride + x];
            RefComposite(o, fill, sample.alpha, fc);
            RefComposite(o, edge, sample.alpha, ec);
        }
    }
}

template <typename Pixel>
void RefDraw(const RenderParams& p, const RenderContext& ctx, const std::vector<CircleRecord>& circles,
             int32_t radius_sum, const Pixel* in, Pixel* out, Pixel edge_color) {
    const double f = std::pow(2.0, p.edge_brightness) - 1.0;
    const int32_t n = static_cast<int32_t>(circles.size());
    RevealWalk walk = StartReveal(p.mode, p.time, RevealBudget(p.mode, p.time, radius_sum, n, std::floor), n);
    for (size_t i = 0; i < circles.size(); ++i) {
        const RevealStep step = StepReveal(walk, circles[i].radius);
        if (!step.draw) continue;
        RefPaint(p, ctx, in, out, edge_color, f, circles[i], step.radius, step.contracting,
                 i + 1 < circles.size() ? &circles[i + 1] : nullptr);
        if (step.ends_walk) break;
    }
}

// Marking: every cell of the scan disc of radius + 2 around the truncated
// centre, inside the image, that either coverage reaches.
void RefMark(std::vector<int32_t>& cells, int32_t w, int32_t h, double cx, double cy, int32_t radius,
             int32_t t, int32_t mark) {
    const int64_t reach = radius + 2;
    const int64_t ix = static_cast<int64_t>(cx), iy = static_cast<int64_t>(cy);
    const int64_t j_lo = std::max<int64_t>(-reach, -iy), j_hi = std::min<int64_t>(reach, h - 1 - iy);
    const int64_t i_lo = std::max<int64_t>(-reach, -ix), i_hi = std::min<int64_t>(reach, w - 1 - ix);
    for (int64_t j = j_lo; j <= j_hi; ++j) {
        for (int64_t i = i_lo; i <= i_hi; ++i) {
            if (i * i + j * j > reach * reach) continue;
            const int64_t x = ix + i, y = iy + j;
            if (x < 0 || x >= w || y < 0 || y >= h) continue;
            const double ex = static_cast<double>(x) - cx, ey = static_cast<double>(y) - cy;
            const double d = std::sqrt(ex * ex + ey * ey);
            if (RefFill(d, radius, t) != 0.0 || RefEdge(d, radius, t) != 0.0) {
                cells[static_cast<size_t>(y * w + x)] = mark;
            }
        }
    }
}

// ---- random scenes -----------------------------------------------------------

double HostSqrt(double x) { return std::sqrt(x); }
double HostPow(double b, double e) { return std::pow(b, e); }
double HostFloor(double x) { return std::floor(x); }
PF_Err Progress(PF_ProgPtr, int32_t, int32_t) { return PF_Err_NONE; }

template <typename Pixel>
Pixel RandomPixel(std::mt19937& rng, bool opaque);

uint32_t Pick(std::mt19937& rng, uint32_t n) { return static_cast<uint32_t>(rng() % n); }

template <>
PF_Pixel RandomPixel<PF_Pixel>(std::mt19937& rng, bool opaque) {
    const uint8_t alphas[] = {0, 1, 128, 254, 255};
    PF_Pixel p;
    p.alpha = opaque ? 255 : (Pick(rng, 2) ? alphas[Pick(rng, 5)] : static_cast<uint8_t>(rng()));
    p.red = static_cast<uint8_t>(rng());
    p.green = static_cast<uint8_t>(rng());
    p.blue = static_cast<uint8_t>(rng());
    return p;
}

template <>
PF_Pixel16 RandomPixel<PF_Pixel16>(std::mt19937& rng, bool opaque) {
    const uint16_t alphas[] = {0, 1, 16384, 32767, 32768, 40000};
    auto channel = [&]() {
        return static_cast<uint16_t>(Pick(rng, 8) == 0 ? rng() % 65536 : rng() % 32769);
    };
    PF_Pixel16 p;
    p.alpha = opaque ? 32768 : (Pick(rng, 2) ? alphas[Pick(rng, 6)] : static_cast<uint16_t>(rng() % 32769));
    p.red = channel();
    p.green = channel();
    p.blue = channel();
    return p;
}

template <>
PF_PixelFloat RandomPixel<PF_PixelFloat>(std::mt19937& rng, bool opaque) {
    const float alphas[] = {0.0f, 1.0f, 0.5f, 0.999f, 1.25f};
    auto channel = [&]() { return static_cast<float>(rng() % 1500) / 1000.0f - 0.25f; };
    PF_PixelFloat p;
    p.alpha = opaque ? 1.0f : (Pick(rng, 2) ? alphas[Pick(rng, 5)] : static_cast<float>(rng() % 1001) / 1000.0f);
    p.red = channel();
    p.green = channel();
    p.blue = channel();
    return p;
}

// One frame's images with padded rows; the padding holds a pattern that
// must survive.
template <typename Pixel>
struct Images {
    int32_t width, height, in_stride, out_stride;
    std::vector<Pixel> input, output;
};

template <typename Pixel>
Images<Pixel> MakeImages(std::mt19937& rng, int32_t w, int32_t h) {
    Images<Pixel> im{w, h, w + static_cast<int32_t>(Pick(rng, 4)), w + static_cast<int32_t>(Pick(rng, 4)), {}, {}};
    const bool opaque_input = Pick(rng, 3) == 0;
    const uint32_t start = Pick(rng, 3);  // transparent black, opaque copy, anything
    im.input.resize(static_cast<size_t>(im.in_stride) * static_cast<size_t>(h));
    im.output.resize(static_cast<size_t>(im.out_stride) * static_cast<size_t>(h));
    for (auto& p : im.input) p = RandomPixel<Pixel>(rng, opaque_input);
    for (auto& p : im.output) {
        if (start == 0) {
            std::memset(&p, 0, sizeof p);
        } else {
            p = RandomPixel<Pixel>(rng, start == 1);
        }
    }
    return im;
}

std::vector<CircleRecord> RandomCircles(std::mt19937& rng, int32_t w, int32_t h, int32_t max_radius) {
    std::vector<CircleRecord> list(1 + Pick(rng, 12));
    for (auto& c : list) {
        c.radius = 1 + static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(max_radius)));
        // Path points near the borders more often than not, so circles clip.
        c.point_x = Pick(rng, 2) ? static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(w)))
                                 : (Pick(rng, 2) ? 0 : w - 1);
        c.point_y = Pick(rng, 2) ? static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(h)))
                                 : (Pick(rng, 2) ? 0 : h - 1);
        const uint32_t kind = Pick(rng, 6);
        if (kind < 4) {
            const double axes[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
            c.dir_x = axes[kind][0];
            c.dir_y = axes[kind][1];
        } else {
            const double a = static_cast<double>(rng()) / 4294967296.0 * 6.283185307179586;
            c.dir_x = std::cos(a);
            c.dir_y = std::sin(a);
        }
    }
    return list;
}

struct Rig {
    PF_UtilCallbacks utils{};
    PF_InData in{};
    Rig() {
        utils.ansi.sqrt = HostSqrt;
        utils.ansi.pow = HostPow;
        utils.ansi.floor = HostFloor;
        in.utils = &utils;
        in.inter.progress = Progress;
    }
};

template <typename Pixel>
void SetPixels(RenderContext& ctx, Images<Pixel>& im);
template <>
void SetPixels(RenderContext& ctx, Images<PF_Pixel>& im) {
    ctx.depth = DEPTH_8;
    ctx.input_pixels8 = im.input.data();
    ctx.output_pixels8 = im.output.data();
}
template <>
void SetPixels(RenderContext& ctx, Images<PF_Pixel16>& im) {
    ctx.depth = DEPTH_16;
    ctx.input_pixels16 = im.input.data();
    ctx.output_pixels16 = im.output.data();
}
template <>
void SetPixels(RenderContext& ctx, Images<PF_PixelFloat>& im) {
    ctx.depth = DEPTH_FLOAT;
    ctx.input_pixels_float = im.input.data();
    ctx.output_pixels_float = im.output.data();
}

template <typename Pixel>
Pixel DepthEdgeColour(const PF_Pixel& c);
template <>
PF_Pixel DepthEdgeColour(const PF_Pixel& c) { return c; }
template <>
PF_Pixel16 DepthEdgeColour(const PF_Pixel& c) { return ExpandPixel8To16(c); }
template <>
PF_PixelFloat DepthEdgeColour(const PF_Pixel& c) { return ExpandPixel8ToFloat(c); }

// The first differing pixel, or -1.
template <typename Pixel>
long FirstDifference(const std::vector<Pixel>& a, const std::vector<Pixel>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(Pixel)) != 0) return static_cast<long>(i);
    }
    return -1;
}

struct SceneShape {
    int32_t max_width, max_height, max_radius, max_thickness;
};

template <typename Pixel>
void RunDrawScene(uint32_t seed, const SceneShape& shape) {
    std::mt19937 rng(seed);
    const int32_t w = 1 + static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(shape.max_width)));
    const int32_t h = 1 + static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(shape.max_height)));
    Images<Pixel> im = MakeImages<Pixel>(rng, w, h);
    const std::vector<CircleRecord> circles = RandomCircles(rng, w, h, shape.max_radius);

    RenderParams p{};
    p.mode = 1 + static_cast<int32_t>(Pick(rng, 3));
    const double times[] = {0.5, 0.5, 0.1, 0.25, 0.37, 0.5001, 0.75, 0.93, 0.999};
    p.time = times[Pick(rng, 9)];
    p.edge_thickness = 1 + static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(shape.max_thickness)));
    p.edge_mode = Pick(rng, 2) ? EDGE_MODE_BRIGHTNESS : EDGE_MODE_COLOR;
    const double brightness[] = {1.0, 1.0, 0.0, 0.5, 2.0};
    p.edge_brightness = brightness[Pick(rng, 5)];
    p.edge_color = RandomPixel<PF_Pixel>(rng, Pick(rng, 2) == 0);
    p.invert = Pick(rng, 3) == 0 ? 1 : 0;

    PlacementResult placement;
    for (const CircleRecord& c : circles) {
        ASSERT_TRUE(placement.circles.Append(c));
        placement.circle_count += 1;
        placement.radius_sum += c.radius;
    }

    Rig rig;
    RenderContext ctx{};
    ctx.in_data = &rig.in;
    ctx.width = w;
    ctx.height = h;
    ctx.input_stride = im.in_stride;
    ctx.output_stride = im.out_stride;
    ctx.input_padding = im.in_stride - w;
    ctx.output_padding = im.out_stride - w;
    std::vector<Pixel> expected = im.output;
    SetPixels(ctx, im);

    ASSERT_EQ(DrawCircles(p, ctx, placement), PF_Err_NONE);
    RefDraw(p, ctx, circles, placement.radius_sum, im.input.data(), expected.data(),
            DepthEdgeColour<Pixel>(p.edge_color));
    const long diff = FirstDifference(im.output, expected);
    if (diff >= 0) {
        std::ostringstream what;
        what << "seed " << seed << ": " << w << "x" << h << " strides " << im.in_stride << "/" << im.out_stride
             << " mode " << p.mode << " time " << p.time << " t " << p.edge_thickness << " edge_mode "
             << p.edge_mode << " F-exp " << p.edge_brightness << " invert " << p.invert << "; pixel ("
             << diff % im.out_stride << ", " << diff / im.out_stride << ") differs; circles:";
        for (const auto& c : circles) what << " {" << c.radius << " @" << c.point_x << "," << c.point_y << "}";
        ADD_FAILURE() << what.str();
    }
}

const SceneShape SHAPES[] = {
    {40, 30, 12, 4},    // small circles, thin rings
    {90, 70, 45, 12},   // large circles clipped at the borders
    {12, 9, 30, 60},    // frames smaller than the circles, rings thicker than radii
    {1, 50, 8, 3},      // single column
    {64, 1, 8, 3},      // single row
};

TEST(DrawEquivalenceTest, RandomScenes8) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        RunDrawScene<PF_Pixel>(seed, SHAPES[seed % 5]);
    }
}

TEST(DrawEquivalenceTest, RandomScenes16) {
    for (uint32_t seed = 1001; seed <= 1200; ++seed) {
        RunDrawScene<PF_Pixel16>(seed, SHAPES[seed % 5]);
    }
}

TEST(DrawEquivalenceTest, RandomScenesFloat) {
    for (uint32_t seed = 2001; seed <= 2200; ++seed) {
        RunDrawScene<PF_PixelFloat>(seed, SHAPES[seed % 5]);
    }
}

// Circles whose centre lies exactly on a pixel, or exactly half-way: the
// span ends of every threshold then fall on exact squares.
TEST(DrawEquivalenceTest, CentresOnThePixelGrid) {
    const struct {
        int32_t radius, px, py, thickness;
        double dir_x, dir_y;
    } cases[] = {
        {10, 30, 30, 1, 1.0, 0.0},  {10, 30, 30, 3, 0.0, -1.0}, {4, 20, 20, 8, 1.0, 0.0},
        {4, 20, 20, 10, -1.0, 0.0}, {1, 0, 0, 1, 1.0, 0.0},     {25, 59, 59, 20, -1.0, 0.0},
        {3, 5, 5, 2, 0.6, 0.8},     {7, 31, 29, 5, -0.6, 0.8},
    };
    for (const auto& c : cases) {
        for (int32_t depth = 0; depth < 3; ++depth) {
            SCOPED_TRACE(testing::Message() << "radius " << c.radius << " t " << c.thickness << " depth " << depth);
            RenderParams p{};
            p.mode = MODE_CONTINUOUS;
            p.time = 0.5;
            p.edge_thickness = c.thickness;
            p.edge_mode = EDGE_MODE_COLOR;
            p.edge_color = PF_Pixel{255, 250, 10, 20};
            PlacementResult placement;
            const CircleRecord rec{c.radius, c.px, c.py, c.dir_x, c.dir_y};
            ASSERT_TRUE(placement.circles.Append(rec));
            placement.circle_count = 1;
            placement.radius_sum = c.radius;
            Rig rig;
            RenderContext ctx{};
            ctx.in_data = &rig.in;
            ctx.width = ctx.height = ctx.input_stride = ctx.output_stride = 60;
            if (depth == 0) {
                std::vector<PF_Pixel> in(3600, PF_Pixel{255, 10, 200, 30}), out(3600, PF_Pixel{0, 0, 0, 0});
                std::vector<PF_Pixel> expected = out;
                ctx.depth = DEPTH_8;
                ctx.input_pixels8 = in.data();
                ctx.output_pixels8 = out.data();
                ASSERT_EQ(DrawCircles(p, ctx, placement), PF_Err_NONE);
                RefDraw(p, ctx, {rec}, c.radius, in.data(), expected.data(), p.edge_color);
                EXPECT_EQ(FirstDifference(out, expected), -1);
            } else if (depth == 1) {
                std::vector<PF_Pixel16> in(3600, PF_Pixel16{32768, 100, 20000, 30}), out(3600, PF_Pixel16{0, 0, 0, 0});
                std::vector<PF_Pixel16> expected = out;
                ctx.depth = DEPTH_16;
                ctx.input_pixels16 = in.data();
                ctx.output_pixels16 = out.data();
                ASSERT_EQ(DrawCircles(p, ctx, placement), PF_Err_NONE);
                RefDraw(p, ctx, {rec}, c.radius, in.data(), expected.data(), ExpandPixel8To16(p.edge_color));
                EXPECT_EQ(FirstDifference(out, expected), -1);
            } else {
                std::vector<PF_PixelFloat> in(3600, PF_PixelFloat{1.0f, 0.1f, 0.7f, 0.2f});
                std::vector<PF_PixelFloat> out(3600, PF_PixelFloat{0.5f, 0.3f, 0.3f, 0.3f});
                std::vector<PF_PixelFloat> expected = out;
                ctx.depth = DEPTH_FLOAT;
                ctx.input_pixels_float = in.data();
                ctx.output_pixels_float = out.data();
                ASSERT_EQ(DrawCircles(p, ctx, placement), PF_Err_NONE);
                RefDraw(p, ctx, {rec}, c.radius, in.data(), expected.data(), ExpandPixel8ToFloat(p.edge_color));
                EXPECT_EQ(FirstDifference(out, expected), -1);
            }
        }
    }
}

// Circles far larger than any frame (and rings thicker than that) are drawn
// by the plain per-pixel scan; only their rim crosses the frame here.
TEST(DrawEquivalenceTest, HugeCirclesAndRings) {
    const struct {
        int32_t radius, thickness, px, py;
        double dir_x, dir_y;
    } cases[] = {
        {40000000, 1, 0, 20, -1.0, 0.0},         // beyond the span limit, ring across the frame
        {40000000, 3, 30, 0, 0.0, -1.0},
        {20000, 30000000, 10, 10, 0.6, 0.8},     // a ring thicker than the span limit
        {16777215, 2, 59, 30, 1.0, 0.0},         // drawn radius exactly at the limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "radius " << c.radius << " t " << c.thickness);
        RenderParams p{};
        p.mode = MODE_CONTINUOUS;
        p.time = 0.5;
        p.edge_thickness = c.thickness;
        p.edge_mode = EDGE_MODE_COLOR;
        p.edge_color = PF_Pixel{255, 250, 10, 20};
        PlacementResult placement;
        const CircleRecord rec{c.radius, c.px, c.py, c.dir_x, c.dir_y};
        ASSERT_TRUE(placement.circles.Append(rec));
        placement.circle_count = 1;
        placement.radius_sum = c.radius;
        Rig rig;
        RenderContext ctx{};
        ctx.in_data = &rig.in;
        ctx.width = ctx.input_stride = ctx.output_stride = 60;
        ctx.height = 40;
        std::vector<PF_Pixel> in(2400, PF_Pixel{200, 10, 200, 30}), out(2400, PF_Pixel{90, 1, 2, 3});
        std::vector<PF_Pixel> expected = out;
        ctx.depth = DEPTH_8;
        ctx.input_pixels8 = in.data();
        ctx.output_pixels8 = out.data();
        ASSERT_EQ(DrawCircles(p, ctx, placement), PF_Err_NONE);
        RefDraw(p, ctx, {rec}, c.radius, in.data(), expected.data(), p.edge_color);
        EXPECT_EQ(FirstDifference(out, expected), -1);
        EXPECT_NE(FirstDifference(out, std::vector<PF_Pixel>(2400, PF_Pixel{90, 1, 2, 3})), -1);  // something drawn
    }
}

TEST(MarkEquivalenceTest, RandomCircles) {
    std::mt19937 rng(77);
    for (int32_t scene = 0; scene < 400; ++scene) {
        const int32_t w = 1 + static_cast<int32_t>(Pick(rng, 70));
        const int32_t h = 1 + static_cast<int32_t>(Pick(rng, 50));
        std::vector<int32_t> cells(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (auto& c : cells) c = Pick(rng, 3) == 0 ? 0 : static_cast<int32_t>(2 + Pick(rng, 9));
        std::vector<int32_t> expected = cells;
        const OccupancyGrid grid{cells.data(), w, h};
        for (int32_t k = 0; k < 6; ++k) {
            const int32_t radius = 1 + static_cast<int32_t>(Pick(rng, scene % 4 == 0 ? 80 : 25));
            const int32_t t = 1 + static_cast<int32_t>(Pick(rng, 30));
            // Centres inside, on the grid, half-way, and well outside the image.
            double cx = static_cast<double>(static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(w + 40))) - 20);
            double cy = static_cast<double>(static_cast<int32_t>(Pick(rng, static_cast<uint32_t>(h + 40))) - 20);
            const uint32_t frac = Pick(rng, 3);
            if (frac == 1) {
                cx += 0.5;
                cy -= 0.5;
            } else if (frac == 2) {
                cx += static_cast<double>(rng()) / 4294967296.0;
                cy += static_cast<double>(rng()) / 4294967296.0 - 0.5;
            }
            const int32_t mark = 20 + k;
            MarkCircle(grid, cx, cy, radius, t, mark, HostSqrt);
            RefMark(expected, w, h, cx, cy, radius, t, mark);
            const long diff = FirstDifference(cells, expected);
            ASSERT_EQ(diff, -1) << "scene " << scene << " circle " << k << ": " << w << "x" << h << " centre (" << cx
                                << ", " << cy << ") radius " << radius << " t " << t << " cell (" << diff % w << ", "
                                << diff / w << ")";
        }
    }
}

// Marks of circles beyond the span limits, which take the plain scan.
TEST(MarkEquivalenceTest, HugeCircles) {
    const struct {
        double cx, cy;
        int32_t radius, thickness;
    } cases[] = {{-39999990.5, 20.25, 40000000, 1}, {30.0, 40000025.0, 40000000, 5}, {20.0, 10.0, 16777217, 1},
                 {2e12, 5.0, 10, 1}, {25.5, 12.5, 12, 20000000}};
    for (const auto& c : cases) {
        const int32_t w = 60, h = 40;
        std::vector<int32_t> cells(static_cast<size_t>(w * h), 3), expected = cells;
        MarkCircle(OccupancyGrid{cells.data(), w, h}, c.cx, c.cy, c.radius, c.thickness, 9, HostSqrt);
        RefMark(expected, w, h, c.cx, c.cy, c.radius, c.thickness, 9);
        EXPECT_EQ(FirstDifference(cells, expected), -1) << c.cx << ", " << c.cy << " radius " << c.radius;
    }
}

}  // namespace
