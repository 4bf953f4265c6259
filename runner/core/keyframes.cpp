#include "runner/core/keyframes.h"

#include <math.h>

namespace runner {
namespace {

uint8_t Channel(uint8_t a, uint8_t b, double s) {
    const double c = floor(Lerp(a, b, s) + 0.5);
    return static_cast<uint8_t>(c < 0.0 ? 0.0 : (c > 255.0 ? 255.0 : c));
}

}  // namespace

double ScalarAt(const std::vector<ScalarKey>& keys, double t, bool hold_only) {
    if (keys.empty()) return 0.0;
    const KeySpan span = LocateKey(keys, t, hold_only);
    if (span.from == span.to) return keys[span.from].value;
    return Lerp(keys[span.from].value, keys[span.to].value, span.s);
}

PF_Pixel ColorAt(const std::vector<ColorKey>& keys, double t) {
    if (keys.empty()) return PF_Pixel{};
    const KeySpan span = LocateKey(keys, t);
    const PF_Pixel& a = keys[span.from].value;
    if (span.from == span.to) return a;
    const PF_Pixel& b = keys[span.to].value;
    return PF_Pixel{Channel(a.alpha, b.alpha, span.s), Channel(a.red, b.red, span.s),
                    Channel(a.green, b.green, span.s), Channel(a.blue, b.blue, span.s)};
}

MaskPath MaskShapeAt(const std::vector<MaskKey>& keys, double t) {
    if (keys.empty()) return MaskPath{};
    const KeySpan span = LocateKey(keys, t);
    MaskPath out = keys[span.from].path;
    if (span.from == span.to) return out;
    const MaskPath& next = keys[span.to].path;
    const double s = span.s;
    for (size_t i = 0; i < out.vertices.size() && i < next.vertices.size(); ++i) {
        MaskVertex& v = out.vertices[i];
        const MaskVertex& w = next.vertices[i];
        v.x = Lerp(v.x, w.x, s);
        v.y = Lerp(v.y, w.y, s);
        v.in_x = Lerp(v.in_x, w.in_x, s);
        v.in_y = Lerp(v.in_y, w.in_y, s);
        v.out_x = Lerp(v.out_x, w.out_x, s);
        v.out_y = Lerp(v.out_y, w.out_y, s);
    }
    return out;
}

}  // namespace runner
