#include "runner/shot/conform.h"

#include <cmath>
#include <cstdio>
#include <numeric>

namespace runner {
namespace {

double ToDouble(const Fraction& f) { return static_cast<double>(f.num) / static_cast<double>(f.den); }

}  // namespace

double ClipTimes::Seconds() const {
    if (starts.empty()) return 0.0;
    return static_cast<double>(end - starts.front()) * ToDouble(time_base);
}

Conformed ConformClip(const ClipTimes& clip, const Fraction& rate) {
    Conformed shot;
    shot.rate = rate;
    if (clip.starts.empty()) return shot;
    const double fps = ToDouble(rate);
    const double tick = ToDouble(clip.time_base);
    const int64_t frames = std::max<int64_t>(1, std::llround(clip.Seconds() * fps));
    shot.source.resize(static_cast<size_t>(std::min<int64_t>(frames, 1000001)));
    size_t j = 0;
    for (size_t k = 0; k < shot.source.size(); ++k) {
        // Half a frame of slack: timestamps a tick off their ideal place
        // still land on their own frame.
        const double limit = (static_cast<double>(k) + 0.5) / fps;
        while (j + 1 < clip.starts.size() &&
               static_cast<double>(clip.starts[j + 1] - clip.starts.front()) * tick <= limit) {
            ++j;
        }
        shot.source[k] = static_cast<int32_t>(j);
        if (k == 0) continue;
        const int32_t step = shot.source[k] - shot.source[k - 1];
        if (step == 0) ++shot.repeated;
        if (step > 1) shot.left_out += step - 1;
    }
    // Clip frames before the first shown or after the last are left out too.
    shot.left_out += shot.source.front() + static_cast<int32_t>(clip.starts.size()) - 1 - shot.source.back();
    return shot;
}

Fraction NativeRate(const ClipTimes& clip, const std::optional<Fraction>& stated) {
    if (stated) {
        const Conformed at_stated = ConformClip(clip, *stated);
        if (at_stated.Identity() && at_stated.source.size() == clip.starts.size()) return *stated;
    }
    const int64_t ticks = clip.end - (clip.starts.empty() ? 0 : clip.starts.front());
    if (ticks <= 0 || clip.starts.empty()) return stated ? *stated : Fraction{24, 1};
    // frames / (ticks x num / den), reduced.
    int64_t num = static_cast<int64_t>(clip.starts.size()) * clip.time_base.den;
    int64_t den = ticks * clip.time_base.num;
    const int64_t g = std::gcd(num, den);
    num /= g;
    den /= g;
    if (den <= 1001 && num <= 1000 * den) return Fraction{num, den};
    const int64_t thousandths = std::max<int64_t>(1, std::llround(1000.0 * static_cast<double>(num) / static_cast<double>(den)));
    const int64_t h = std::gcd(thousandths, int64_t{1000});
    return Fraction{thousandths / h, 1000 / h};
}

std::string DescribeConform(const ClipTimes& clip, const Conformed& shot, bool variable) {
    if (shot.Identity() && shot.source.size() == clip.starts.size()) return "";
    char line[256];
    std::snprintf(line, sizeof line, "%zu frames over %.4g s%s, conformed to %s fps: %zu frames, %d repeated and %d left out",
                  clip.starts.size(), clip.Seconds(), variable ? " at a variable rate" : "",
                  DescribeRate(shot.rate).c_str(), shot.source.size(), shot.repeated, shot.left_out);
    return line;
}

}  // namespace runner
