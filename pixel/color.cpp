#include "pixel/color.h"

#include <stdint.h>

#include "pixel/pixel_traits.h"

namespace {

template <typename Pixel>
HsvColor RgbToHsvAnyDepth(const Pixel& pixel) {
    using Traits = PixelTraits<Pixel>;
    const double red = Traits::ReadScaled(pixel.red);
    const double green = Traits::ReadScaled(pixel.green);
    const double blue = Traits::ReadScaled(pixel.blue);

    // The tie-breaking of these comparisons decides which hue formula a
    // colour with two equal largest channels takes.
    const double m = blue < green ? green : blue;
    const double max = m < red ? red : m;
    const double n = blue <= green ? blue : green;
    const double min = n <= red ? n : red;

    HsvColor hsv{};
    hsv.alpha = Traits::ReadAlpha(pixel.alpha);
    hsv.value = max;
    // Only a float sample with no positive colour channel reaches the second
    // test; it has no hue to speak of and is kept as a (dark) grey rather than
    // dividing by a largest channel of zero.
    if (max == min || !(max > 0.0)) {
        hsv.hue = 0.0;
        hsv.saturation = 0.0;
        return hsv;
    }
    const double d = max - min;
    double hue;
    if (red == max) {
        hue = (green - blue) * 60.0 / d;
    } else if (green == max) {
        hue = ((blue - red) / d + 2.0) * 60.0;
    } else {
        hue = ((red - green) / d + 4.0) * 60.0;
    }
    if (hue < 0.0) hue += 360.0;
    hsv.hue = hue;
    hsv.saturation = d * 255.0 / max;
    return hsv;
}

// The sector is hue / 60 in whole degrees; a hue outside the int32 range or
// NaN falls into sector 0, and a negative hue wraps into 0..5.
struct HueSector {
    int32_t index;
    double fraction;
};

HueSector SectorOf(double hue) {
    int32_t whole = 0;
    if (hue > -2147483648.0 && hue < 2147483648.0) whole = static_cast<int32_t>(hue);
    int32_t index = (whole / 60) % 6;
    const double fraction = hue / 60.0 - static_cast<double>(index);
    if (index < 0) index += 6;
    return HueSector{index, fraction};
}

template <typename Pixel>
Pixel HsvToRgbAnyDepth(const HsvColor& hsv) {
    using Traits = PixelTraits<Pixel>;
    Pixel out{};
    out.alpha = Traits::StoreAlpha(hsv.alpha);
    if (hsv.saturation == 0.0) {
        const typename Traits::Channel grey = Traits::StoreScaled(hsv.value);
        out.red = grey;
        out.green = grey;
        out.blue = grey;
        return out;
    }
    const HueSector sector = SectorOf(hsv.hue);
    const double f = sector.fraction;
    const double s = hsv.saturation / 255.0;
    const double value = hsv.value;
    const typename Traits::Channel p = Traits::StoreScaled((1.0 - s) * value);
    const typename Traits::Channel q = Traits::StoreScaled((1.0 - s * f) * value);
    const typename Traits::Channel t = Traits::StoreScaled((1.0 - s * (1.0 - f)) * value);
    const typename Traits::Channel v = Traits::StoreScaled(value);
    switch (sector.index) {
        case 0: out.red = v; out.green = t; out.blue = p; break;
        case 1: out.red = q; out.green = v; out.blue = p; break;
        case 2: out.red = p; out.green = v; out.blue = t; break;
        case 3: out.red = p; out.green = q; out.blue = v; break;
        case 4: out.red = t; out.green = p; out.blue = v; break;
        default: out.red = v; out.green = p; out.blue = q; break;
    }
    return out;
}

template <typename Pixel>
Pixel ExpandAnyDepth(const PF_Pixel& pixel) {
    using Traits = PixelTraits<Pixel>;
    return Pixel{Traits::Expand8(pixel.alpha), Traits::Expand8(pixel.red),
                 Traits::Expand8(pixel.green), Traits::Expand8(pixel.blue)};
}

}  // namespace

HsvColor RgbToHsv8(const PF_Pixel& pixel) { return RgbToHsvAnyDepth(pixel); }
HsvColor RgbToHsv16(const PF_Pixel16& pixel) { return RgbToHsvAnyDepth(pixel); }
HsvColor RgbToHsvFloat(const PF_PixelFloat& pixel) { return RgbToHsvAnyDepth(pixel); }

PF_Pixel HsvToRgb8(const HsvColor& hsv) { return HsvToRgbAnyDepth<PF_Pixel>(hsv); }
PF_Pixel16 HsvToRgb16(const HsvColor& hsv) { return HsvToRgbAnyDepth<PF_Pixel16>(hsv); }
PF_PixelFloat HsvToRgbFloat(const HsvColor& hsv) { return HsvToRgbAnyDepth<PF_PixelFloat>(hsv); }

PF_Pixel16 ExpandPixel8To16(const PF_Pixel& pixel) { return ExpandAnyDepth<PF_Pixel16>(pixel); }
PF_PixelFloat ExpandPixel8ToFloat(const PF_Pixel& pixel) {
    return ExpandAnyDepth<PF_PixelFloat>(pixel);
}
