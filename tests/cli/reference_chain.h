// The picture the effect must draw for a straight, horizontal mask walked
// left to right, worked out from the drawing rules themselves rather than
// from the effect's code: seeded radii, circles touching the path point one
// pixel apart, anti-aliased disc and ring, laid on with the effect's blends.
// Only the cases the tests use: "Time" 50 % (every circle in full),
// "Direction" Path, and a ring either in the sampled colour ("Edge Mode"
// Brightness with "Edge Brightness" 1) or in a fixed colour ("Edge Mode"
// Color), with or without "Invert".
#ifndef FOLVEK_TESTS_CLI_REFERENCE_CHAIN_H
#define FOLVEK_TESTS_CLI_REFERENCE_CHAIN_H

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "pixel/composite.h"

namespace cli_test {

// Host pixels in host units: 0..255, 0..32768 or float 0..1.
template <typename C>
struct Argb {
    C a, r, g, b;
};

using Pixel8 = Argb<uint32_t>;
using Pixel16 = Argb<uint32_t>;
using PixelF = Argb<float>;

// The radii of the chain: generator seeded with seed + 100, one value
// thrown away, then one per circle.
inline std::vector<int32_t> ChainRadii(uint32_t seed, int32_t max_radius, double min_fraction, int32_t count) {
    uint32_t state = seed + 100u;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state & 0x7FFFFFFFu;
    };
    next();
    std::vector<int32_t> out;
    for (int32_t i = 0; i < count; ++i) {
        const double u = next() * (1.0 / 2147483648.0);
        const int32_t span = max_radius - 2;
        out.push_back(static_cast<int32_t>(u * (1.0 - min_fraction) * span + span * min_fraction) + 2);
    }
    return out;
}

struct ChainCircle {
    int32_t x;  // path point column
    int32_t radius;
};

// Circles along a row from column 0: the next starts at x + 2r + 1.
inline std::vector<ChainCircle> HorizontalChain(int32_t width, uint32_t seed, int32_t max_radius,
                                                double min_fraction) {
    const std::vector<int32_t> radii = ChainRadii(seed, max_radius, min_fraction, 10000);
    std::vector<ChainCircle> out;
    int32_t x = 0;
    for (size_t i = 0; x < width; ++i) {
        out.push_back({x, radii[i]});
        x += 2 * radii[i] + 1;
    }
    return out;
}

inline double Fill(double d, double r, double t) {
    const double inner = r - t * 0.5;
    if (inner >= d) return 1.0;
    const double c = 1.0 - (d - inner);
    return c < 0 ? 0 : (c > 1 ? 1 : c);
}

inline double Edge(double d, double r, double t) {
    if ((r - t) - 1.0 >= d) return 0.0;
    const double e = (r - t * 0.5) - d;
    const double c = 1.0 - (std::fabs(e) - t * 0.5);
    return c <= 0 ? 0 : (c >= 1 ? 1 : c);
}

// The "over" blends are the effect's own (their values are pinned by the
// effect's unit tests); what this file works out independently is where the
// chain lies and how much of each pixel its discs and rings cover.
inline Argb<uint32_t> Over8(Argb<uint32_t> d, Argb<uint32_t> s) {
    auto pf = [](Argb<uint32_t> p) {
        return PF_Pixel{static_cast<uint8_t>(p.a), static_cast<uint8_t>(p.r), static_cast<uint8_t>(p.g),
                        static_cast<uint8_t>(p.b)};
    };
    const PF_Pixel o = BlendOver8(pf(d), pf(s));
    return {o.alpha, o.red, o.green, o.blue};
}
inline Argb<uint32_t> Over16(Argb<uint32_t> d, Argb<uint32_t> s) {
    auto pf = [](Argb<uint32_t> p) {
        return PF_Pixel16{static_cast<uint16_t>(p.a), static_cast<uint16_t>(p.r), static_cast<uint16_t>(p.g),
                          static_cast<uint16_t>(p.b)};
    };
    const PF_Pixel16 o = BlendOver16(pf(d), pf(s));
    return {o.alpha, o.red, o.green, o.blue};
}
inline PixelF OverFloat(PixelF d, PixelF s) {
    const PF_PixelFloat o = BlendOverFloat(PF_PixelFloat{d.a, d.r, d.g, d.b}, PF_PixelFloat{s.a, s.r, s.g, s.b});
    return {o.alpha, o.red, o.green, o.blue};
}

struct Blend8 {
    using P = Pixel8;
    static P Over(P d, P s) { return Over8(d, s); }
    static P WithAlpha(P c, uint32_t a, double cov) { return {static_cast<uint32_t>(a * cov), c.r, c.g, c.b}; }
};
struct Blend16 {
    using P = Pixel16;
    static P Over(P d, P s) { return Over16(d, s); }
    static P WithAlpha(P c, uint32_t a, double cov) { return {static_cast<uint32_t>(a * cov), c.r, c.g, c.b}; }
};
struct BlendF {
    using P = PixelF;
    static P Over(P d, P s) { return OverFloat(d, s); }
    static P WithAlpha(P c, float a, double cov) { return {static_cast<float>(a * cov), c.r, c.g, c.b}; }
};

// An 8-bit colour in the other depths: (c * 32768 + 128) / 255 in integers,
// c / 255 in float; alpha too.
inline Pixel16 Expand16(Pixel8 c) {
    auto e = [](uint32_t v) { return (v * 32768u + 128u) / 255u; };
    return {e(c.a), e(c.r), e(c.g), e(c.b)};
}
inline PixelF ExpandF(Pixel8 c) {
    auto e = [](uint32_t v) { return static_cast<float>(v / 255.0); };
    return {e(c.a), e(c.r), e(c.g), e(c.b)};
}

struct RingStyle {
    int32_t thickness = 1;
    bool fixed_colour = false;  // "Edge Mode" Color
    bool invert = false;
};

// Draws the chain on row `row` over `image` (already the starting picture),
// sampling `input`. Both are width x height, row by row. `edge_colour` (in
// the depth's units) is used when the style asks for a fixed colour.
template <typename B>
void DrawHorizontalChain(const std::vector<typename B::P>& input, std::vector<typename B::P>* image, int32_t width,
                         int32_t height, int32_t row, const std::vector<ChainCircle>& chain, const RingStyle& style,
                         typename B::P edge_colour = {}) {
    const int32_t thickness = style.thickness;
    for (const ChainCircle& c : chain) {
        const int32_t drawn = c.radius + 1;
        const double cx = c.x + drawn * 1.0;
        const double cy = row;
        const int32_t icx = static_cast<int32_t>(cx), icy = static_cast<int32_t>(cy);
        const int32_t n = drawn + 2;
        const typename B::P sample = input[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(c.x)];
        typename B::P fill = sample;
        typename B::P ring = sample;
        if (style.fixed_colour) {
            ring = edge_colour;
            ring.a = sample.a;
        }
        if (style.invert) std::swap(fill, ring);
        for (int32_t dy = -n; dy <= n; ++dy) {
            for (int32_t dx = -n; dx <= n; ++dx) {
                const int32_t x = icx + dx, y = icy + dy;
                if (dx * dx + dy * dy > n * n || x < 0 || x >= width || y < 0 || y >= height) continue;
                const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
                const double fc = Fill(d, drawn, thickness), ec = Edge(d, drawn, thickness);
                if (fc == 0.0 && ec == 0.0) continue;
                typename B::P& out = (*image)[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                out = B::Over(out, B::WithAlpha(fill, sample.a, fc));
                out = B::Over(out, B::WithAlpha(ring, sample.a, ec));
            }
        }
    }
}

}  // namespace cli_test

#endif
