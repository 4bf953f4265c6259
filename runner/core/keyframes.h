// Keyframed values as the host application keeps them: keys at times in
// seconds of the shot, each carrying the interpolation of the stretch from
// it to the next key. Before the first key a track holds the first value,
// after the last the last; between keys k and k + 1 it moves by
//   s = (t - t_k) / (t_k+1 - t_k)
// linear: s; ease: 3s^2 - 2s^3 (the default easy ease, influence 33 1/3 %,
// speed 0, reduces to exactly this); hold: 0 until the next key.
#ifndef FOLVEK_RUNNER_CORE_KEYFRAMES_H
#define FOLVEK_RUNNER_CORE_KEYFRAMES_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "host/host_api.h"
#include "runner/core/mask_path.h"

namespace runner {

enum KeyInterpolation : int32_t { KEY_LINEAR = 0, KEY_HOLD, KEY_EASE };

struct ScalarKey {
    double time = 0.0;  // seconds
    double value = 0.0;  // user units: 50 for 50 %
    KeyInterpolation interpolation = KEY_LINEAR;
};

struct ColorKey {
    double time = 0.0;
    PF_Pixel value{};
    KeyInterpolation interpolation = KEY_LINEAR;
};

struct MaskKey {
    double time = 0.0;
    MaskPath path;  // the same vertex count and closedness as its neighbours
    KeyInterpolation interpolation = KEY_LINEAR;
};

// Where a time falls: the value is from + (to - from) * s of the two keys.
struct KeySpan {
    size_t from = 0;
    size_t to = 0;
    double s = 0.0;
};

// Keys with strictly increasing times, at least one. `hold_only` makes
// every stretch a hold (popups and checkboxes change only at keys).
template <typename Key>
KeySpan LocateKey(const std::vector<Key>& keys, double t, bool hold_only = false) {
    KeySpan span;
    if (keys.empty() || !(t > keys.front().time)) return span;  // NaN: the first key
    size_t k = 0;
    while (k + 1 < keys.size() && keys[k + 1].time <= t) ++k;
    span.from = span.to = k;
    if (k + 1 == keys.size() || t == keys[k].time || hold_only) return span;
    const KeyInterpolation how = keys[k].interpolation;
    if (how == KEY_HOLD) return span;
    double s = (t - keys[k].time) / (keys[k + 1].time - keys[k].time);
    if (how == KEY_EASE) s = 3.0 * s * s - 2.0 * s * s * s;
    span.to = k + 1;
    span.s = s;
    return span;
}

inline double Lerp(double a, double b, double s) { return a + (b - a) * s; }

double ScalarAt(const std::vector<ScalarKey>& keys, double t, bool hold_only);
// Each channel interpolated, then stored as the host stores colours:
// floor(c + 0.5).
PF_Pixel ColorAt(const std::vector<ColorKey>& keys, double t);
// Every vertex and tangent moves with the same s.
MaskPath MaskShapeAt(const std::vector<MaskKey>& keys, double t);

}  // namespace runner

#endif
