#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "host/param_ids.h"
#include "pixel/color.h"
#include "pixel/draw.h"

namespace {

// ---- a host that serves the C library's math and records progress --------

struct MathCounts {
    int pow = 0;
    int floor = 0;
    int sqrt = 0;
};
MathCounts counts;

double CountingPow(double base, double exponent) {
    ++counts.pow;
    return std::pow(base, exponent);
}
double CountingFloor(double x) {
    ++counts.floor;
    return std::floor(x);
}
double CountingSqrt(double x) {
    ++counts.sqrt;
    return std::sqrt(x);
}

struct ProgressLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    std::vector<PF_Err> answers;  // answer to the k-th call; 0 beyond
};

PF_Err RecordProgress(PF_ProgPtr effect_ref, int32_t done, int32_t total) {
    ProgressLog* log = static_cast<ProgressLog*>(effect_ref);
    log->calls.emplace_back(done, total);
    const size_t k = log->calls.size() - 1;
    return k < log->answers.size() ? log->answers[k] : PF_Err_NONE;
}

struct FakeHost {
    PF_UtilCallbacks utils{};
    PF_InData in_data{};
    ProgressLog progress;

    FakeHost() {
        utils.ansi.pow = CountingPow;
        utils.ansi.floor = CountingFloor;
        utils.ansi.sqrt = CountingSqrt;
        in_data.utils = &utils;
        in_data.inter.progress = RecordProgress;
        in_data.effect_ref = &progress;
        counts = MathCounts{};
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;
};

// ---- images with padded rows ------------------------------------------------

constexpr int32_t PADDING = 3;

template <typename Pixel>
struct Image {
    int32_t width;
    int32_t height;
    int32_t stride;
    std::vector<Pixel> pixels;
    Pixel& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y * stride + x)]; }
};

// The padding holds a marker that drawing must never overwrite.
template <typename Pixel>
Image<Pixel> MakeImage(int32_t width, int32_t height, Pixel fill, Pixel marker) {
    Image<Pixel> image{width, height, width + PADDING,
                       std::vector<Pixel>(static_cast<size_t>(height * (width + PADDING)), marker)};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) image.at(x, y) = fill;
    }
    return image;
}

template <typename Pixel>
bool Same(const Pixel& a, const Pixel& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

template <typename Pixel>
bool PaddingIntact(Image<Pixel>& image, const Pixel& marker) {
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = image.width; x < image.stride; ++x) {
            if (!Same(image.at(x, y), marker)) return false;
        }
    }
    return true;
}

void SetPixels(RenderContext& c, PF_Pixel* in, PF_Pixel* out) {
    c.depth = DEPTH_8;
    c.input_pixels8 = in;
    c.output_pixels8 = out;
}
void SetPixels(RenderContext& c, PF_Pixel16* in, PF_Pixel16* out) {
    c.depth = DEPTH_16;
    c.input_pixels16 = in;
    c.output_pixels16 = out;
}
void SetPixels(RenderContext& c, PF_PixelFloat* in, PF_PixelFloat* out) {
    c.depth = DEPTH_FLOAT;
    c.input_pixels_float = in;
    c.output_pixels_float = out;
}

template <typename Pixel>
RenderContext MakeContext(FakeHost& host, Image<Pixel>& input, Image<Pixel>& output) {
    RenderContext context{};
    context.in_data = &host.in_data;
    context.width = input.width;
    context.height = input.height;
    context.input_stride = input.stride;
    context.output_stride = output.stride;
    context.input_padding = PADDING;
    context.output_padding = PADDING;
    SetPixels(context, input.pixels.data(), output.pixels.data());
    return context;
}

RenderParams BaseParams() {
    RenderParams params{};
    params.mode = MODE_CONTINUOUS;
    params.time = 0.5;
    params.edge_thickness = 1;
    params.edge_mode = EDGE_MODE_COLOR;
    params.edge_color = PF_Pixel{9, 0, 0, 255};  // its alpha is never used
    params.edge_brightness = 1.0;
    return params;
}

void AddCircle(PlacementResult& placement, int32_t radius, int32_t x, int32_t y, double dx = 1.0,
               double dy = 0.0) {
    ASSERT_TRUE(placement.circles.Append(CircleRecord{radius, x, y, dx, dy}));
    ++placement.circle_count;
    placement.radius_sum += radius;
}

// Visited pixels of one circle: the scan disc of radius r' + 2 around the
// truncated centre, clipped to the frame.
int VisitedPixels(double cx, double cy, int32_t drawn_radius, int32_t width, int32_t height) {
    const int32_t n = drawn_radius + 2;
    const int32_t ix = static_cast<int32_t>(cx);
    const int32_t iy = static_cast<int32_t>(cy);
    int visited = 0;
    for (int32_t dy = -n; dy <= n; ++dy) {
        for (int32_t dx = -n; dx <= n; ++dx) {
            const int32_t x = ix + dx;
            const int32_t y = iy + dy;
            if (dx * dx + dy * dy <= n * n && x >= 0 && x < width && y >= 0 && y < height) {
                ++visited;
            }
        }
    }
    return visited;
}

// ---- one circle ---------------------------------------------------------------

// Radius 3 at path point (10, 10) heading right: drawn radius 4, centre
// (14, 10). With t = 1 the disc is solid to 3.5 and the ring to 4, and
// nothing reaches d = 5.
TEST(DrawTest, OneCircleIsShadedByItsCoverages) {
    FakeHost host;
    const PF_Pixel marker{7, 7, 7, 7};
    auto input = MakeImage<PF_Pixel>(30, 20, PF_Pixel{255, 200, 100, 50}, marker);
    auto output = MakeImage<PF_Pixel>(30, 20, PF_Pixel{0, 0, 0, 0}, marker);
    const RenderContext context = MakeContext(host, input, output);
    PlacementResult placement;
    AddCircle(placement, 3, 10, 10);

    EXPECT_EQ(DrawCircles(BaseParams(), context, placement), PF_Err_NONE);

    const struct {
        int32_t x, y;
        PF_Pixel expected;
    } probes[] = {
        {14, 10, {255, 200, 100, 50}},  // d = 0: disc only
        {16, 10, {255, 200, 100, 50}},  // d = 2: the ring starts beyond
        {17, 10, {255, 0, 0, 255}},     // d = 3: ring over disc
        {18, 10, {255, 0, 0, 255}},     // d = 4: half disc under a full ring
        // d = sqrt(17): disc alpha 96, ring alpha 223, k = 12, a = 235
        {18, 11, {235, 10, 5, 244}},
        {19, 10, {0, 0, 0, 0}},  // d = 5
    };
    for (const auto& probe : probes) {
        const PF_Pixel got = output.at(probe.x, probe.y);
        EXPECT_TRUE(Same(got, probe.expected))
            << probe.x << "," << probe.y << ": " << int(got.alpha) << " " << int(got.red) << " "
            << int(got.green) << " " << int(got.blue);
    }
    // Exactly the pixels closer than r' + 1 are touched.
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            const double d = std::sqrt((x - 14.0) * (x - 14.0) + (y - 10.0) * (y - 10.0));
            EXPECT_EQ(output.at(x, y).blue != 0, d < 5.0) << x << "," << y;
        }
    }
    EXPECT_TRUE(PaddingIntact(output, marker));
    EXPECT_EQ(host.progress.calls, (std::vector<std::pair<int32_t, int32_t>>{{1, 1}}));
    EXPECT_EQ(counts.pow, 1);
    EXPECT_EQ(counts.floor, 1);
    EXPECT_EQ(counts.sqrt, VisitedPixels(14.0, 10.0, 4, 30, 20));
}

// The same circle in each depth: the disc takes the sample with its alpha,
// the ring the prepared "Edge Color" with the sample's alpha.
template <typename Pixel>
void CheckDepth(Pixel sample, Pixel expected_ring) {
    FakeHost host;
    const Pixel zero{};
    auto input = MakeImage<Pixel>(30, 20, sample, zero);
    auto output = MakeImage<Pixel>(30, 20, zero, zero);
    const RenderContext context = MakeContext(host, input, output);
    PlacementResult placement;
    AddCircle(placement, 3, 10, 10);
    EXPECT_EQ(DrawCircles(BaseParams(), context, placement), PF_Err_NONE);
    EXPECT_TRUE(Same(output.at(14, 10), sample));
    EXPECT_TRUE(Same(output.at(17, 10), expected_ring));
    EXPECT_TRUE(Same(output.at(19, 10), zero));
    EXPECT_EQ(host.progress.calls.size(), 1u);
}

TEST(DrawTest, EveryDepthDrawsTheSameCircle) {
    CheckDepth(PF_Pixel{255, 200, 100, 50}, PF_Pixel{255, 0, 0, 255});
    CheckDepth(PF_Pixel16{32768, 20000, 10000, 5000}, PF_Pixel16{32768, 0, 0, 32768});
    CheckDepth(PF_PixelFloat{1.0f, 0.8f, 0.4f, 0.2f}, PF_PixelFloat{1.0f, 0.0f, 0.0f, 1.0f});
}

// Ring colours at the fully covered ring pixel (17, 10) of the circle above.
TEST(DrawTest, EdgeColourModes) {
    struct Case {
        const char* name;
        int32_t edge_mode;
        double edge_brightness;
        int32_t invert;
        PF_PixelFloat sample;
        PF_PixelFloat centre, ring;
    };
    const PF_PixelFloat bright{1.0f, 1.5f, 2.0f, 0.25f};
    const PF_PixelFloat plain{1.0f, 0.5f, 0.25f, 0.0f};
    const Case cases[] = {
        // F = 1 takes the sample as it is, above-range channels included
        {"unit brightness", EDGE_MODE_BRIGHTNESS, 1.0, 0, bright, bright, bright},
        {"black ring", EDGE_MODE_BRIGHTNESS, 0.0, 0, plain, plain, {1.0f, 0.0f, 0.0f, 0.0f}},
        // F = 3: value 382.5 is held at 255; hue 30 gives (1, 0.5, 0)
        {"triple", EDGE_MODE_BRIGHTNESS, 2.0, 0, plain, plain, {1.0f, 1.0f, 0.5f, 0.0f}},
        {"inverted colour", EDGE_MODE_COLOR, 1.0, 1, plain, {1.0f, 0.0f, 0.0f, 1.0f}, plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        const PF_PixelFloat zero{};
        auto input = MakeImage<PF_PixelFloat>(30, 20, c.sample, zero);
        auto output = MakeImage<PF_PixelFloat>(30, 20, zero, zero);
        const RenderContext context = MakeContext(host, input, output);
        PlacementResult placement;
        AddCircle(placement, 3, 10, 10);
        RenderParams params = BaseParams();
        params.edge_mode = c.edge_mode;
        params.edge_brightness = c.edge_brightness;
        params.invert = c.invert;
        EXPECT_EQ(DrawCircles(params, context, placement), PF_Err_NONE);
        EXPECT_TRUE(Same(output.at(14, 10), c.centre));
        EXPECT_TRUE(Same(output.at(17, 10), c.ring));
    }
}

TEST(DrawTest, BrightenedAboveRangeSampleStaysWithinOne) {
    FakeHost host;
    const PF_PixelFloat zero{};
    auto input = MakeImage<PF_PixelFloat>(30, 20, PF_PixelFloat{1.0f, 1.5f, 2.0f, 0.25f}, zero);
    auto output = MakeImage<PF_PixelFloat>(30, 20, zero, zero);
    const RenderContext context = MakeContext(host, input, output);
    PlacementResult placement;
    AddCircle(placement, 3, 10, 10);
    RenderParams params = BaseParams();
    params.edge_mode = EDGE_MODE_BRIGHTNESS;
    params.edge_brightness = 2.0;
    EXPECT_EQ(DrawCircles(params, context, placement), PF_Err_NONE);
    const PF_PixelFloat ring = output.at(17, 10);
    EXPECT_LE(ring.red, 1.0f);
    EXPECT_LE(ring.green, 1.0f);
    EXPECT_LE(ring.blue, 1.0f);
    EXPECT_EQ(ring.green, 1.0f);
}

// A transparent sample changes no pixel that has alpha; a transparent pixel
// it reaches takes the colour composited last and stays transparent.
TEST(DrawTest, TransparentSampleInColourMode) {
    for (const bool opaque_background : {true, false}) {
        FakeHost host;
        const PF_Pixel background = opaque_background ? PF_Pixel{255, 9, 9, 9} : PF_Pixel{0, 0, 0, 0};
        auto input = MakeImage<PF_Pixel>(30, 20, PF_Pixel{0, 200, 100, 50}, PF_Pixel{});
        auto output = MakeImage<PF_Pixel>(30, 20, background, PF_Pixel{});
        const RenderContext context = MakeContext(host, input, output);
        PlacementResult placement;
        AddCircle(placement, 3, 10, 10);
        EXPECT_EQ(DrawCircles(BaseParams(), context, placement), PF_Err_NONE);
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 30; ++x) {
                const double d = std::sqrt((x - 14.0) * (x - 14.0) + (y - 10.0) * (y - 10.0));
                const PF_Pixel expected =
                    opaque_background || d >= 5.0 ? background : PF_Pixel{0, 0, 0, 255};
                EXPECT_TRUE(Same(output.at(x, y), expected)) << x << "," << y;
            }
        }
    }
}

// Circles reaching past each corner: only frame pixels are visited and
// written, never the row padding.
TEST(DrawTest, CirclesAreClippedToTheFrame) {
    const struct {
        int32_t radius, x, y;
        double dx, dy;
    } circles[] = {
        {5, 0, 0, -1.0, 0.0},
        {8, 29, 19, 0.6, 0.8},
        {6, 29, 0, 0.0, -1.0},
        {12, 0, 19, -0.8, 0.6},
    };
    for (const auto& c : circles) {
        FakeHost host;
        const PF_Pixel marker{7, 7, 7, 7};
        auto input = MakeImage<PF_Pixel>(30, 20, PF_Pixel{255, 200, 100, 50}, marker);
        auto output = MakeImage<PF_Pixel>(30, 20, PF_Pixel{0, 0, 0, 0}, marker);
        const RenderContext context = MakeContext(host, input, output);
        PlacementResult placement;
        AddCircle(placement, c.radius, c.x, c.y, c.dx, c.dy);
        EXPECT_EQ(DrawCircles(BaseParams(), context, placement), PF_Err_NONE);
        EXPECT_TRUE(PaddingIntact(output, marker));
        const int32_t drawn = c.radius + 1;
        const double cx = c.x + drawn * c.dx;
        const double cy = c.y + drawn * c.dy;
        EXPECT_EQ(counts.sqrt, VisitedPixels(cx, cy, drawn, 30, 20)) << c.x << "," << c.y;
        EXPECT_NE(output.at(c.x, c.y).blue, 0);  // the path point lies on the rim
    }
}

// ---- the chain ----------------------------------------------------------------

// Radii 10, 20 and 30 along row 40, each starting where the previous one
// ends; the input's red channel is its column, so each pixel tells which
// circle's sample it shows. Full centres are at columns 16, 48 and 100.
struct Chain {
    FakeHost host;
    Image<PF_Pixel> input;
    Image<PF_Pixel> output;
    PlacementResult placement;
    RenderParams params = BaseParams();

    Chain()
        : input(MakeImage<PF_Pixel>(140, 80, PF_Pixel{}, PF_Pixel{})),
          output(MakeImage<PF_Pixel>(140, 80, PF_Pixel{}, PF_Pixel{})) {
        for (int32_t y = 0; y < 80; ++y) {
            for (int32_t x = 0; x < 140; ++x) {
                input.at(x, y) = PF_Pixel{255, static_cast<uint8_t>(x), static_cast<uint8_t>(y), 1};
            }
        }
        params.edge_mode = EDGE_MODE_BRIGHTNESS;
    }
    void Add(int32_t radius, int32_t x, double dx = 1.0, double dy = 0.0) {
        AddCircle(placement, radius, x, 40, dx, dy);
    }
    void AddStandard() {
        Add(10, 5);
        Add(20, 27);
        Add(30, 69);
    }
    PF_Err Draw(int32_t mode, double time) {
        params.mode = mode;
        params.time = time;
        return DrawCircles(params, MakeContext(host, input, output), placement);
    }
    // The red channel where something was drawn, -1 where nothing was.
    int Shown(int32_t x) {
        const PF_Pixel p = output.at(x, 40);
        return p.alpha == 0 && p.blue == 0 ? -1 : p.red;
    }
};

using Calls = std::vector<std::pair<int32_t, int32_t>>;

TEST(DrawTest, RevealPlacesPartialAndContractingCircles) {
    const struct {
        const char* name;
        int32_t mode;
        double time;
        std::vector<std::pair<int32_t, int>> shown;  // column, sample column or -1
        Calls progress;
    } cases[] = {
        // the third circle has nothing left: drawn radius 1 touching its point
        {"growing", MODE_CONTINUOUS, 0.25, {{16, 5}, {48, 27}, {70, 69}, {100, -1}},
         {{1, 3}, {2, 3}}},
        // the second circle, shrunk to radius 1, has moved 20/21 of the way
        // from its centre (48) to the next path point (69)
        {"vanishing", MODE_CONTINUOUS, 0.75,
         {{16, -1}, {48, -1}, {66, -1}, {67, 27}, {68, 27}, {100, 69}},
         {{1, 3}, {2, 3}}},
        // the last circle contracts towards its own far side: 69 + 61
        {"last", MODE_CONTINUOUS, std::nextafter(1.0, 0.0),
         {{16, -1}, {48, -1}, {100, -1}, {130, 69}, {128, -1}},
         {{1, 3}}},
        {"discrete", MODE_DISCRETE_1, 0.75, {{16, -1}, {48, 27}, {100, 69}}, {{1, 3}, {2, 3}}},
        {"count", MODE_DISCRETE_2, 0.25, {{16, 5}, {48, 27}, {100, -1}}, {{1, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chain chain;
        chain.AddStandard();
        EXPECT_EQ(chain.Draw(c.mode, c.time), PF_Err_NONE);
        for (const auto& probe : c.shown) EXPECT_EQ(chain.Shown(probe.first), probe.second) << probe.first;
        EXPECT_EQ(chain.host.progress.calls, c.progress);
        EXPECT_EQ(counts.pow, 1);
        EXPECT_EQ(counts.floor, 1);
    }
}

// The host's first non-zero answer is the result; it is not asked again,
// and the rest of the revealed chain is still drawn.
TEST(DrawTest, InterruptedProgressStillDrawsTheChain) {
    Chain chain;
    chain.AddStandard();
    chain.host.progress.answers = {0, 7, 9};
    EXPECT_EQ(chain.Draw(MODE_CONTINUOUS, 0.5), 7);
    EXPECT_EQ(chain.host.progress.calls, (Calls{{1, 3}, {2, 3}}));
    EXPECT_EQ(chain.Shown(100), 69);
}

TEST(DrawTest, EmptyChainMakesNoProgressCall) {
    Chain chain;
    EXPECT_EQ(chain.Draw(MODE_CONTINUOUS, 0.5), PF_Err_NONE);
    EXPECT_TRUE(chain.host.progress.calls.empty());
    EXPECT_EQ(counts.sqrt, 0);
}

// A record without a usable direction, or with a path point outside the
// frame, draws nothing but still counts as one circle of the chain.
TEST(DrawTest, UnusableRecordsCountButDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        int32_t x;
        double dx, dy;
    } bad[] = {
        {"nan", 27, nan, 0.0}, {"infinite", 27, inf, 0.0}, {"zero", 27, 0.0, 0.0},
        {"not unit", 27, 3.0, 4.0}, {"left of frame", -1, 1.0, 0.0}, {"right of frame", 140, 1.0, 0.0},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        for (const double time : {0.5, 0.75}) {
            Chain with_bad;
            with_bad.Add(10, 5);
            with_bad.Add(20, b.x, b.dx, b.dy);
            with_bad.Add(30, 69);
            EXPECT_EQ(with_bad.Draw(MODE_CONTINUOUS, time), PF_Err_NONE);
            EXPECT_EQ(with_bad.host.progress.calls,
                      time == 0.5 ? (Calls{{1, 3}, {2, 3}, {3, 3}}) : (Calls{{1, 3}, {2, 3}}));

            Chain without;
            without.Add(10, 5);
            without.Add(30, 69);
            // at 0.75 the first circle is hidden in both
            if (time == 0.75) without.placement.radius_sum += 20;
            without.Draw(MODE_DISCRETE_1, time);
            bool same = true;
            for (size_t i = 0; i < with_bad.output.pixels.size(); ++i) {
                same = same && Same(with_bad.output.pixels[i], without.output.pixels[i]);
            }
            EXPECT_TRUE(same) << time;
        }
    }
}

TEST(DrawTest, ContextWithoutPixelsIsRejected) {
    Chain chain;
    chain.AddStandard();
    RenderContext context = MakeContext(chain.host, chain.input, chain.output);
    context.depth = 7;
    EXPECT_EQ(DrawCircles(chain.params, context, chain.placement), PF_Err_BAD_CALLBACK_PARAM);
    context = MakeContext(chain.host, chain.input, chain.output);
    context.output_pixels8 = nullptr;
    EXPECT_EQ(DrawCircles(chain.params, context, chain.placement), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(chain.host.progress.calls.empty());
}

}  // namespace
