// Colour conversions for the edge colour: a hue-saturation-value model used
// to scale the brightness of a sampled colour, and the expansion of the
// 8-bit "Edge Color" to the deeper pixel types.
#ifndef FOLVEK_COLOR_H
#define FOLVEK_COLOR_H

#include "host/host_api.h"

// hue in degrees 0 <= hue < 360, saturation and value on a 0..255 scale
// whatever the depth; alpha is the pixel's own alpha, unscaled, so that a
// round trip leaves it untouched.
struct HsvColor {
    double alpha;
    double hue;
    double saturation;
    double value;
};

HsvColor RgbToHsv8(const PF_Pixel& pixel);
HsvColor RgbToHsv16(const PF_Pixel16& pixel);
HsvColor RgbToHsvFloat(const PF_PixelFloat& pixel);

PF_Pixel HsvToRgb8(const HsvColor& hsv);
PF_Pixel16 HsvToRgb16(const HsvColor& hsv);
PF_PixelFloat HsvToRgbFloat(const HsvColor& hsv);

PF_Pixel16 ExpandPixel8To16(const PF_Pixel& pixel);
PF_PixelFloat ExpandPixel8ToFloat(const PF_Pixel& pixel);

// An 8-bit colour in any depth, alpha included.
template <typename Pixel>
Pixel ExpandPixel8(const PF_Pixel& pixel);
template <>
inline PF_Pixel ExpandPixel8<PF_Pixel>(const PF_Pixel& pixel) { return pixel; }
template <>
inline PF_Pixel16 ExpandPixel8<PF_Pixel16>(const PF_Pixel& pixel) {
    return ExpandPixel8To16(pixel);
}
template <>
inline PF_PixelFloat ExpandPixel8<PF_PixelFloat>(const PF_Pixel& pixel) {
    return ExpandPixel8ToFloat(pixel);
}

// The same conversions chosen by pixel type, for code written once over the
// three depths.
inline HsvColor RgbToHsv(const PF_Pixel& pixel) { return RgbToHsv8(pixel); }
inline HsvColor RgbToHsv(const PF_Pixel16& pixel) { return RgbToHsv16(pixel); }
inline HsvColor RgbToHsv(const PF_PixelFloat& pixel) { return RgbToHsvFloat(pixel); }

template <typename Pixel>
Pixel HsvToRgb(const HsvColor& hsv);
template <>
inline PF_Pixel HsvToRgb<PF_Pixel>(const HsvColor& hsv) { return HsvToRgb8(hsv); }
template <>
inline PF_Pixel16 HsvToRgb<PF_Pixel16>(const HsvColor& hsv) { return HsvToRgb16(hsv); }
template <>
inline PF_PixelFloat HsvToRgb<PF_PixelFloat>(const HsvColor& hsv) { return HsvToRgbFloat(hsv); }

#endif
