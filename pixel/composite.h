// The straight-alpha "over" blend that lays one partly covering colour onto
// an output pixel, in each depth. These run up to twice per visited pixel of
// every drawn circle: plain arithmetic on values, with early exits.
#ifndef FOLVEK_COMPOSITE_H
#define FOLVEK_COMPOSITE_H

#include <stdint.h>

#include "host/host_api.h"
#include "pixel/pixel_traits.h"

// The 8-bit and 16-bit blends are one integer algorithm: the background's
// weight is (2^shift - source alpha) x destination alpha >> shift, and colour
// channels are clamped to the opaque value. The unsigned 32-bit sums cannot
// wrap even for 16-bit channels above 32768; a source alpha above opaque
// counts as opaque rather than giving a negative weight.
template <typename Pixel>
inline Pixel BlendOverInteger(Pixel d, Pixel s) {
    using Traits = PixelTraits<Pixel>;
    using Channel = typename Traits::Channel;
    constexpr uint32_t OPAQUE = Traits::OPAQUE;
    if (d.alpha == 0 || s.alpha >= OPAQUE) return s;
    if (s.alpha == 0) return d;
    const uint32_t sa = s.alpha;
    const uint32_t k = (((1u << Traits::BLEND_SHIFT) - sa) * d.alpha) >> Traits::BLEND_SHIFT;
    uint32_t a = sa + k;
    if (a > OPAQUE) a = OPAQUE;
    if (a == 0) return Pixel{0, 0, 0, 0};
    auto channel = [&](Channel sc, Channel dc) -> Channel {
        const uint32_t c = (static_cast<uint32_t>(sc) * sa + static_cast<uint32_t>(dc) * k) / a;
        return static_cast<Channel>(c < OPAQUE ? c : OPAQUE);
    };
    Pixel out;
    out.alpha = static_cast<Channel>(a);
    out.red = channel(s.red, d.red);
    out.green = channel(s.green, d.green);
    out.blue = channel(s.blue, d.blue);
    return out;
}

inline PF_Pixel BlendOver8(PF_Pixel d, PF_Pixel s) { return BlendOverInteger(d, s); }
inline PF_Pixel16 BlendOver16(PF_Pixel16 d, PF_Pixel16 s) { return BlendOverInteger(d, s); }

// Float colour is neither clamped nor rounded beyond float: every
// intermediate is a float.
inline PF_PixelFloat BlendOverFloat(PF_PixelFloat d, PF_PixelFloat s) {
    if (d.alpha == 0.0f) return s;
    if (s.alpha == 1.0f) return s;
    if (s.alpha == 0.0f) return d;
    const float k = (1.0f - s.alpha) * d.alpha;
    float a = s.alpha + k;
    if (a > 1.0f) a = 1.0f;
    if (!(a > 0.0f)) return PF_PixelFloat{0.0f, 0.0f, 0.0f, 0.0f};
    auto channel = [&](float sc, float dc) -> float {
        const float sum = sc * s.alpha + dc * k;
        return sum / a;
    };
    return PF_PixelFloat{a, channel(s.red, d.red), channel(s.green, d.green),
                         channel(s.blue, d.blue)};
}

// Whether the blend gives the source itself whatever the destination: the
// early exits above for a source that is opaque. Runs of pixels that such a
// source covers can then be stored without reading them.
inline bool SourceCovers(const PF_Pixel& s) { return s.alpha >= PixelTraits<PF_Pixel>::OPAQUE; }
inline bool SourceCovers(const PF_Pixel16& s) { return s.alpha >= PixelTraits<PF_Pixel16>::OPAQUE; }
inline bool SourceCovers(const PF_PixelFloat& s) { return s.alpha == 1.0f; }

inline PF_Pixel BlendOver(PF_Pixel d, PF_Pixel s) { return BlendOver8(d, s); }
inline PF_Pixel16 BlendOver(PF_Pixel16 d, PF_Pixel16 s) { return BlendOver16(d, s); }
inline PF_PixelFloat BlendOver(PF_PixelFloat d, PF_PixelFloat s) { return BlendOverFloat(d, s); }

// Lays `colour`, with its alpha replaced by the sample alpha scaled by the
// coverage, over the output pixel in place.
template <typename Pixel>
inline void CompositePixel(Pixel& output, Pixel colour,
                           typename PixelTraits<Pixel>::Channel sample_alpha, double coverage) {
    colour.alpha = PixelTraits<Pixel>::AlphaFromCoverage(sample_alpha, SanitizeCoverage(coverage));
    output = BlendOver(output, colour);
}

#endif
