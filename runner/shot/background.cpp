#include "runner/shot/background.h"

#include "runner/shot/image_samples.h"
#include "runner/shot/param_text.h"

namespace runner {

Result<Background> ParseBackground(const std::string& text, const std::string& what) {
    PF_Pixel colour{};
    if (!ParseHexColour(text, &colour)) return Error{what + " " + text + ": expected a colour #RRGGBB"};
    return Background{colour.red, colour.green, colour.blue};
}

namespace {

// c·a + b·(full − a), rounded, for integer samples with full scale `full`.
template <typename T>
T Mix(T c, uint32_t b, uint32_t a, uint32_t full) {
    return static_cast<T>(RoundedQuotient(uint64_t{c} * a + uint64_t{b} * (full - a), full));
}

}  // namespace

void LayOver(const Background& bg, RenderValues values, World* image) {
    const int32_t w = image->Width();
    const int32_t h = image->Height();
    switch (image->Format()) {
    case PF_PixelFormat_ARGB32:
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                PF_Pixel& p = image->Pixel8(x, y);
                p.red = Mix<uint8_t>(p.red, bg.red, p.alpha, PF_MAX_CHAN8);
                p.green = Mix<uint8_t>(p.green, bg.green, p.alpha, PF_MAX_CHAN8);
                p.blue = Mix<uint8_t>(p.blue, bg.blue, p.alpha, PF_MAX_CHAN8);
                p.alpha = PF_MAX_CHAN8;
            }
        }
        break;
    case PF_PixelFormat_ARGB64: {
        const uint32_t r = Up8To16(bg.red), g = Up8To16(bg.green), b = Up8To16(bg.blue);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                PF_Pixel16& p = image->Pixel16(x, y);
                const uint32_t a = p.alpha > PF_MAX_CHAN16 ? PF_MAX_CHAN16 : p.alpha;
                p.red = Mix<uint16_t>(p.red, r, a, PF_MAX_CHAN16);
                p.green = Mix<uint16_t>(p.green, g, a, PF_MAX_CHAN16);
                p.blue = Mix<uint16_t>(p.blue, b, a, PF_MAX_CHAN16);
                p.alpha = PF_MAX_CHAN16;
            }
        }
        break;
    }
    default: {
        const bool linear = values == RenderValues::LINEAR;
        const double* table = SrgbToLinearTable8();
        const double r = linear ? table[bg.red] : bg.red / 255.0;
        const double g = linear ? table[bg.green] : bg.green / 255.0;
        const double b = linear ? table[bg.blue] : bg.blue / 255.0;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                PF_PixelFloat& p = image->PixelFloat(x, y);
                const double a = Clamp01(p.alpha);
                p.red = static_cast<float>(p.red * a + r * (1.0 - a));
                p.green = static_cast<float>(p.green * a + g * (1.0 - a));
                p.blue = static_cast<float>(p.blue * a + b * (1.0 - a));
                p.alpha = 1.0f;
            }
        }
        break;
    }
    }
}

}  // namespace runner
