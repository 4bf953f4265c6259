// What differs between the three pixel depths: the channel type, how a
// colour channel reads on the common 0..255 scale, how a 0..255 value is
// scaled back and stored, how an 8-bit channel expands to the depth, and how
// a sample alpha is scaled by coverage.
// Every colour algorithm is written once over these traits.
//
// Every conversion of a real value to a channel goes through a guard, so that
// NaN, negative or huge values from malformed input give a defined channel
// instead of undefined behaviour; values in the normal range convert exactly
// as a plain truncation would.
#ifndef FOLVEK_PIXEL_TRAITS_H
#define FOLVEK_PIXEL_TRAITS_H

#include <cfloat>
#include <stdint.h>

#include "host/host_api.h"

// A real value truncated toward zero into 0..cap; NaN and anything not above
// zero give 0.
inline uint32_t TruncateToRange(double x, uint32_t cap) {
    if (!(x > 0.0)) return 0u;
    if (x >= static_cast<double>(cap)) return cap;
    return static_cast<uint32_t>(x);
}

// A double rounded to float without leaving the finite float range; NaN stays
// NaN so that callers decide what it means.
inline float RoundToFloat(double x) {
    if (x > static_cast<double>(FLT_MAX)) return FLT_MAX;
    if (x < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(x);
}

// Coverage as the blends expect it: NaN counts as no coverage.
inline double SanitizeCoverage(double coverage) {
    return coverage > 0.0 ? (coverage < 1.0 ? coverage : 1.0) : 0.0;
}

template <typename Pixel>
struct PixelTraits;

template <>
struct PixelTraits<PF_Pixel> {
    using Channel = uint8_t;
    static constexpr uint32_t OPAQUE = PF_MAX_CHAN8;
    static constexpr uint32_t BLEND_SHIFT = 8;  // the over blend weighs with 256, not 255

    static double ReadScaled(Channel c) { return static_cast<double>(c); }
    static Channel StoreScaled(double x) {
        return static_cast<Channel>(TruncateToRange(x, PF_MAX_CHAN8));
    }
    static double ReadAlpha(Channel a) { return static_cast<double>(a); }
    static Channel StoreAlpha(double a) { return static_cast<Channel>(TruncateToRange(a, 0xFFu)); }
    static Channel Expand8(uint8_t c) { return c; }
    static Channel AlphaFromCoverage(Channel a, double coverage) {
        return static_cast<Channel>(TruncateToRange(static_cast<double>(a) * coverage, OPAQUE));
    }
};

template <>
struct PixelTraits<PF_Pixel16> {
    using Channel = uint16_t;
    static constexpr uint32_t OPAQUE = PF_MAX_CHAN16;
    static constexpr uint32_t BLEND_SHIFT = 15;

    static double ReadScaled(Channel c) {
        return static_cast<double>(c) / static_cast<double>(PF_MAX_CHAN16) * 255.0;
    }
    static Channel StoreScaled(double x) {
        return static_cast<Channel>(
            TruncateToRange(x / 255.0 * static_cast<double>(PF_MAX_CHAN16), PF_MAX_CHAN16));
    }
    static double ReadAlpha(Channel a) { return static_cast<double>(a); }
    // The whole channel range, so that an alpha above 32768 survives a round trip.
    static Channel StoreAlpha(double a) {
        return static_cast<Channel>(TruncateToRange(a, 0xFFFFu));
    }
    // Rounded, so that 255 becomes exactly the host's white.
    static Channel Expand8(uint8_t c) {
        return static_cast<Channel>((static_cast<uint32_t>(c) * PF_MAX_CHAN16 + 128u) / 255u);
    }
    static Channel AlphaFromCoverage(Channel a, double coverage) {
        return static_cast<Channel>(TruncateToRange(static_cast<double>(a) * coverage, OPAQUE));
    }
};

template <>
struct PixelTraits<PF_PixelFloat> {
    using Channel = float;

    // NaN reads as 0 and infinities as the largest float, so that the colour
    // model's arithmetic stays finite.
    static double ReadScaled(Channel c) {
        double v = static_cast<double>(c);
        if (v != v) v = 0.0;
        if (v > static_cast<double>(FLT_MAX)) v = static_cast<double>(FLT_MAX);
        if (v < -static_cast<double>(FLT_MAX)) v = -static_cast<double>(FLT_MAX);
        return v * 255.0;
    }
    // Limited to 1.0 above, open below; NaN becomes 0.
    static Channel StoreScaled(double x) {
        const double v = x / 255.0;
        if (v > 1.0) return 1.0f;
        if (v != v) return 0.0f;
        return RoundToFloat(v);
    }
    static double ReadAlpha(Channel a) { return static_cast<double>(a); }
    static Channel StoreAlpha(double a) { return RoundToFloat(a); }
    static Channel Expand8(uint8_t c) { return static_cast<float>(static_cast<double>(c) / 255.0); }
    // A NaN product (a NaN sample alpha) counts as transparent.
    static Channel AlphaFromCoverage(Channel a, double coverage) {
        const float alpha = RoundToFloat(static_cast<double>(a) * coverage);
        return alpha == alpha ? alpha : 0.0f;
    }
};

#endif
