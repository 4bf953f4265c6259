#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "host/param_ids.h"
#include "pixel/draw.h"

namespace {

// A host serving the C library's math, counting calls and recording progress.
struct MathCounts {
    int pow = 0, floor = 0, sqrt = 0;
};
MathCounts counts;
double CountingPow(double b, double e) { return ++counts.pow, std::pow(b, e); }
double CountingFloor(double x) { return ++counts.floor, std::floor(x); }
double CountingSqrt(double x) { return ++counts.sqrt, std::sqrt(x); }

using Calls = std::vector<std::pair<int32_t, int32_t>>;
struct ProgressLog {
    Calls calls;
    std::vector<PF_Err> answers;  // answer to the k-th call; 0 beyond
};

PF_Err RecordProgress(PF_ProgPtr effect_ref, int32_t done, int32_t total) {
    ProgressLog* log = static_cast<ProgressLog*>(effect_ref);
    log->calls.emplace_back(done, total);
    const size_t k = log->calls.size() - 1;
    return k < log->answers.size() ? log->answers[k] : PF_Err_NONE;
}

template <typename Pixel>
bool Same(const Pixel& a, const Pixel& b) {
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

void SetPixels(RenderContext& c, PF_Pixel* in, PF_Pixel* out) {
    c.depth = DEPTH_8, c.input_pixels8 = in, c.output_pixels8 = out;
}
void SetPixels(RenderContext& c, PF_Pixel16* in, PF_Pixel16* out) {
    c.depth = DEPTH_16, c.input_pixels16 = in, c.output_pixels16 = out;
}
void SetPixels(RenderContext& c, PF_PixelFloat* in, PF_PixelFloat* out) {
    c.depth = DEPTH_FLOAT, c.input_pixels_float = in, c.output_pixels_float = out;
}

constexpr int32_t PADDING = 3;

// Input and output images whose rows carry PADDING extra pixels holding a
// marker that drawing must never overwrite, and a host to draw with.
template <typename Pixel>
struct Scene {
    int32_t width, height;
    Pixel marker;
    std::vector<Pixel> input, output;
    PF_UtilCallbacks utils{};
    PF_InData in_data{};
    ProgressLog progress;
    PlacementResult placement;
    RenderParams params{};

    Scene(int32_t w, int32_t h, Pixel sample, Pixel background, Pixel padding = Pixel{})
        : width(w), height(h), marker(padding),
          input(static_cast<size_t>(h * (w + PADDING)), padding), output(input) {
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) In(x, y) = sample, Out(x, y) = background;
        }
        utils.ansi.pow = CountingPow;
        utils.ansi.floor = CountingFloor;
        utils.ansi.sqrt = CountingSqrt;
        in_data.utils = &utils;
        in_data.inter.progress = RecordProgress;
        in_data.effect_ref = &progress;
        params.mode = MODE_CONTINUOUS;
        params.time = 0.5;
        params.edge_thickness = 1;
        params.edge_mode = EDGE_MODE_COLOR;
        params.edge_color = PF_Pixel{9, 0, 0, 255};  // its alpha is never used
        params.edge_brightness = 1.0;
        counts = MathCounts{};
    }
    Pixel& In(int32_t x, int32_t y) { return input[static_cast<size_t>(y * (width + PADDING) + x)]; }
    Pixel& Out(int32_t x, int32_t y) { return output[static_cast<size_t>(y * (width + PADDING) + x)]; }
    void Add(int32_t radius, int32_t x, int32_t y, double dx = 1.0, double dy = 0.0) {
        ASSERT_TRUE(placement.circles.Append(CircleRecord{radius, x, y, dx, dy}));
        ++placement.circle_count;
        placement.radius_sum += radius;
    }
    RenderContext Context() {
        RenderContext c{};
        c.in_data = &in_data;
        c.width = width;
        c.height = height;
        c.input_stride = c.output_stride = width + PADDING;
        c.input_padding = c.output_padding = PADDING;
        SetPixels(c, input.data(), output.data());
        return c;
    }
    PF_Err Draw() { return DrawCircles(params, Context(), placement); }
    bool PaddingIntact() {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = width; x < width + PADDING; ++x) {
                if (!Same(Out(x, y), marker)) return false;
            }
        }
        return true;
    }
};

// Pixels visited for one circle: the scan disc of radius r' + 2 around the
// truncated centre, clipped to the frame.
int VisitedPixels(double cx, double cy, int32_t drawn_radius, int32_t width, int32_t height) {
    const int32_t n = drawn_radius + 2, ix = static_cast<int32_t>(cx), iy = static_cast<int32_t>(cy);
    int visited = 0;
    for (int32_t dy = -n; dy <= n; ++dy) {
        for (int32_t dx = -n; dx <= n; ++dx) {
            const int32_t x = ix + dx, y = iy + dy;
            visited += dx * dx + dy * dy <= n * n && x >= 0 && x < width && y >= 0 && y < height;
        }
    }
    return visited;
}

double DistanceFrom14And10(int32_t x, int32_t y) {
    return std::sqrt((x - 14.0) * (x - 14.0) + (y - 10.0) * (y - 10.0));
}

// Radius 3 at path point (10, 10) heading right: drawn radius 4, centre
// (14, 10). With t = 1 the disc is solid to 3.5, the ring from 3 to 4, and
// nothing reaches d = 5.
TEST(DrawTest, OneCircleIsShadedByItsCoverages) {
    Scene<PF_Pixel> scene(30, 20, PF_Pixel{255, 200, 100, 50}, PF_Pixel{}, PF_Pixel{7, 7, 7, 7});
    scene.Add(3, 10, 10);
    EXPECT_EQ(scene.Draw(), PF_Err_NONE);
    const struct {
        int32_t x, y;
        PF_Pixel expected;
    } probes[] = {
        {14, 10, {255, 200, 100, 50}},  // d = 0: disc only
        {16, 10, {255, 200, 100, 50}},  // d = 2: the ring starts beyond
        {17, 10, {255, 0, 0, 255}},     // d = 3: ring over disc
        {18, 10, {255, 0, 0, 255}},     // d = 4: half disc under a full ring
        {18, 11, {235, 10, 5, 244}},    // d = sqrt(17): disc alpha 96, ring 223, k = 12
        {19, 10, {0, 0, 0, 0}},         // d = 5
    };
    for (const auto& probe : probes) {
        EXPECT_TRUE(Same(scene.Out(probe.x, probe.y), probe.expected)) << probe.x << "," << probe.y;
    }
    for (int32_t y = 0; y < 20; ++y) {  // exactly the pixels closer than r' + 1 are touched
        for (int32_t x = 0; x < 30; ++x) {
            EXPECT_EQ(scene.Out(x, y).blue != 0, DistanceFrom14And10(x, y) < 5.0) << x << "," << y;
        }
    }
    EXPECT_TRUE(scene.PaddingIntact());
    EXPECT_EQ(scene.progress.calls, (Calls{{1, 1}}));
    EXPECT_EQ(counts.pow, 1);
    EXPECT_EQ(counts.floor, 1);
    // At most one square root per visited pixel: none where the coverages are known.
    EXPECT_LE(counts.sqrt, VisitedPixels(14.0, 10.0, 4, 30, 20));
}

// The same circle in each depth: the disc takes the sample with its alpha,
// the ring the prepared "Edge Color" with the sample's alpha.
template <typename Pixel>
void CheckDepth(Pixel sample, Pixel expected_ring) {
    Scene<Pixel> scene(30, 20, sample, Pixel{});
    scene.Add(3, 10, 10);
    EXPECT_EQ(scene.Draw(), PF_Err_NONE);
    EXPECT_TRUE(Same(scene.Out(14, 10), sample));
    EXPECT_TRUE(Same(scene.Out(17, 10), expected_ring));
    EXPECT_TRUE(Same(scene.Out(19, 10), Pixel{}));
}

TEST(DrawTest, EveryDepthDrawsTheSameCircle) {
    CheckDepth(PF_Pixel{255, 200, 100, 50}, PF_Pixel{255, 0, 0, 255});
    CheckDepth(PF_Pixel16{32768, 20000, 10000, 5000}, PF_Pixel16{32768, 0, 0, 32768});
    CheckDepth(PF_PixelFloat{1.0f, 0.8f, 0.4f, 0.2f}, PF_PixelFloat{1.0f, 0.0f, 0.0f, 1.0f});
}

// Disc and ring colours at (14, 10) and the fully covered ring pixel (17, 10).
TEST(DrawTest, EdgeColourModes) {
    const PF_PixelFloat bright{1.0f, 1.5f, 2.0f, 0.25f}, plain{1.0f, 0.5f, 0.25f, 0.0f};
    const struct {
        const char* name;
        int32_t edge_mode;
        double edge_brightness;
        int32_t invert;
        PF_PixelFloat sample, centre, ring;
    } cases[] = {
        // F = 1 takes the sample as it is, above-range channels included
        {"unit", EDGE_MODE_BRIGHTNESS, 1.0, 0, bright, bright, bright},
        {"black ring", EDGE_MODE_BRIGHTNESS, 0.0, 0, plain, plain, {1.0f, 0.0f, 0.0f, 0.0f}},
        // F = 3: value 382.5 is held at 255; hue 30 gives (1, 0.5, 0)
        {"triple", EDGE_MODE_BRIGHTNESS, 2.0, 0, plain, plain, {1.0f, 1.0f, 0.5f, 0.0f}},
        {"inverted", EDGE_MODE_COLOR, 1.0, 1, plain, {1.0f, 0.0f, 0.0f, 1.0f}, plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene<PF_PixelFloat> scene(30, 20, c.sample, PF_PixelFloat{});
        scene.Add(3, 10, 10);
        scene.params.edge_mode = c.edge_mode;
        scene.params.edge_brightness = c.edge_brightness;
        scene.params.invert = c.invert;
        EXPECT_EQ(scene.Draw(), PF_Err_NONE);
        EXPECT_TRUE(Same(scene.Out(14, 10), c.centre));
        EXPECT_TRUE(Same(scene.Out(17, 10), c.ring));
    }
}

// A transparent sample changes no pixel that has alpha; a transparent pixel
// it reaches takes the colour composited last and stays transparent.
TEST(DrawTest, TransparentSampleInColourMode) {
    for (const PF_Pixel background : {PF_Pixel{255, 9, 9, 9}, PF_Pixel{0, 0, 0, 0}}) {
        Scene<PF_Pixel> scene(30, 20, PF_Pixel{0, 200, 100, 50}, background);
        scene.Add(3, 10, 10);
        EXPECT_EQ(scene.Draw(), PF_Err_NONE);
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 30; ++x) {
                const bool reached = background.alpha == 0 && DistanceFrom14And10(x, y) < 5.0;
                EXPECT_TRUE(Same(scene.Out(x, y), reached ? PF_Pixel{0, 0, 0, 255} : background));
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
    } circles[] = {{5, 0, 0, -1.0, 0.0}, {8, 29, 19, 0.6, 0.8}, {6, 29, 0, 0.0, -1.0},
                   {12, 0, 19, -0.8, 0.6}};
    for (const auto& c : circles) {
        Scene<PF_Pixel> scene(30, 20, PF_Pixel{255, 200, 100, 50}, PF_Pixel{}, PF_Pixel{7, 7, 7, 7});
        scene.Add(c.radius, c.x, c.y, c.dx, c.dy);
        EXPECT_EQ(scene.Draw(), PF_Err_NONE);
        EXPECT_TRUE(scene.PaddingIntact());
        const int32_t drawn = c.radius + 1;
        EXPECT_LE(counts.sqrt, VisitedPixels(c.x + drawn * c.dx, c.y + drawn * c.dy, drawn, 30, 20));
        EXPECT_NE(scene.Out(c.x, c.y).blue, 0);  // the path point lies on the rim
    }
}

// Radii 10, 20 and 30 along row 40, each starting where the previous one
// ends, full centres at columns 16, 48 and 100. The input's red channel is
// its column, so a pixel tells which circle's sample it shows.
struct Chain : Scene<PF_Pixel> {
    Chain() : Scene<PF_Pixel>(140, 80, PF_Pixel{}, PF_Pixel{}) {
        for (int32_t y = 0; y < 80; ++y) {
            for (int32_t x = 0; x < 140; ++x) {
                In(x, y) = PF_Pixel{255, static_cast<uint8_t>(x), static_cast<uint8_t>(y), 1};
            }
        }
        params.edge_mode = EDGE_MODE_BRIGHTNESS;
    }
    void AddStandard() { Add(10, 5, 40), Add(20, 27, 40), Add(30, 69, 40); }
    PF_Err Draw(int32_t mode, double time) {
        params.mode = mode, params.time = time;
        return Scene<PF_Pixel>::Draw();
    }
    int Shown(int32_t x) {  // the sample column drawn at (x, 40), or -1
        const PF_Pixel p = Out(x, 40);
        return p.alpha == 0 && p.blue == 0 ? -1 : p.red;
    }
};

TEST(DrawTest, RevealPlacesPartialAndContractingCircles) {
    const struct {
        const char* name;
        int32_t mode;
        double time;
        std::vector<std::pair<int32_t, int>> shown;  // column, sample column or -1
        Calls progress;
    } cases[] = {
        // the third circle has nothing left: drawn radius 1 touching its point
        {"growing", MODE_CONTINUOUS, 0.25, {{16, 5}, {48, 27}, {70, 69}, {100, -1}}, {{1, 3}, {2, 3}}},
        // the second circle, shrunk to radius 1, has moved 20/21 of the way
        // from its centre (48) to the next path point (69)
        {"vanishing", MODE_CONTINUOUS, 0.75, {{16, -1}, {48, -1}, {66, -1}, {67, 27}, {68, 27}, {100, 69}},
         {{1, 3}, {2, 3}}},
        // the last circle contracts towards its own far side: 69 + 61
        {"last", MODE_CONTINUOUS, std::nextafter(1.0, 0.0), {{48, -1}, {100, -1}, {128, -1}, {130, 69}},
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
        EXPECT_EQ(chain.progress.calls, c.progress);
    }
}

// The host's first non-zero answer is the result; it is not asked again, and
// the rest of the revealed chain is still drawn. An empty chain asks nothing.
TEST(DrawTest, InterruptedProgressStillDrawsTheChain) {
    Chain chain;
    chain.AddStandard();
    chain.progress.answers = {0, 7, 9};
    EXPECT_EQ(chain.Draw(MODE_CONTINUOUS, 0.5), 7);
    EXPECT_EQ(chain.progress.calls, (Calls{{1, 3}, {2, 3}}));
    EXPECT_EQ(chain.Shown(100), 69);

    Chain empty;
    EXPECT_EQ(empty.Draw(MODE_CONTINUOUS, 0.5), PF_Err_NONE);
    EXPECT_TRUE(empty.progress.calls.empty());
    EXPECT_EQ(counts.sqrt, 0);
}

// A record without a usable direction, or with a path point outside the
// frame, draws nothing but still counts as one circle of the chain: the
// picture is that of the chain without it.
TEST(DrawTest, UnusableRecordsCountButDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int32_t x;
        double dx, dy;
    } bad[] = {{27, nan, 0.0}, {27, 0.0, 0.0}, {-1, 1.0, 0.0}, {140, 1.0, 0.0}};
    for (const auto& b : bad) {
        for (const double time : {0.5, 0.75}) {
            Chain with_bad;
            with_bad.Add(10, 5, 40), with_bad.Add(20, b.x, 40, b.dx, b.dy), with_bad.Add(30, 69, 40);
            EXPECT_EQ(with_bad.Draw(MODE_CONTINUOUS, time), PF_Err_NONE);
            EXPECT_EQ(with_bad.progress.calls, time == 0.5 ? (Calls{{1, 3}, {2, 3}, {3, 3}}) : (Calls{{1, 3}, {2, 3}}));

            Chain without;  // in "Discrete 1" the last circle is drawn in full either way
            without.Add(10, 5, 40), without.Add(30, 69, 40);
            if (time == 0.75) without.placement.radius_sum += 20;
            without.Draw(MODE_DISCRETE_1, time);
            EXPECT_TRUE(std::equal(with_bad.output.begin(), with_bad.output.end(), without.output.begin(),
                                   Same<PF_Pixel>))
                << b.x << " " << b.dx << " " << time;
        }
    }
}

// A context without the pixels of its depth is refused; an empty frame
// needs none and still walks its chain.
TEST(DrawTest, ContextChecks) {
    Chain chain;
    chain.AddStandard();
    RenderContext context = chain.Context();
    context.depth = 7;
    EXPECT_EQ(DrawCircles(chain.params, context, chain.placement), PF_Err_BAD_CALLBACK_PARAM);
    context = chain.Context();
    context.output_pixels8 = nullptr;
    EXPECT_EQ(DrawCircles(chain.params, context, chain.placement), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(chain.progress.calls.empty());

    context.width = 0;
    context.input_pixels8 = nullptr;
    EXPECT_EQ(DrawCircles(chain.params, context, chain.placement), PF_Err_NONE);
    EXPECT_EQ(chain.progress.calls, (Calls{{1, 3}, {2, 3}, {3, 3}}));
}

}  // namespace
