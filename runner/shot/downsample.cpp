#include "runner/shot/downsample.h"

#include <cmath>
#include <type_traits>

namespace runner {
namespace {

struct Sum {
    double a = 0, r = 0, g = 0, b = 0;        // alpha and alpha-weighted colour
    double plain_r = 0, plain_g = 0, plain_b = 0;  // unweighted, for all-transparent blocks
    double count = 0;
};

template <typename P>
void Add(const P& p, Sum* s) {
    const double a = p.alpha;
    s->a += a;
    s->r += a * p.red;
    s->g += a * p.green;
    s->b += a * p.blue;
    s->plain_r += p.red;
    s->plain_g += p.green;
    s->plain_b += p.blue;
    s->count += 1;
}

template <typename C>
C Store(double v) {
    if constexpr (std::is_floating_point_v<C>) {
        return static_cast<C>(v);
    } else {
        return static_cast<C>(std::floor(v + 0.5));  // averages of valid samples stay in range
    }
}

template <typename P>
P Average(const Sum& s) {
    using C = decltype(P{}.alpha);
    P out{};
    out.alpha = Store<C>(s.a / s.count);
    if (s.a != 0.0 && std::isfinite(s.a)) {
        out.red = Store<C>(s.r / s.a);
        out.green = Store<C>(s.g / s.a);
        out.blue = Store<C>(s.b / s.a);
    } else {
        out.red = Store<C>(s.plain_r / s.count);
        out.green = Store<C>(s.plain_g / s.count);
        out.blue = Store<C>(s.plain_b / s.count);
    }
    return out;
}

template <typename P, typename Get, typename Put>
void Reduce(const World& src, World* dst, int32_t n, Get get, Put put) {
    for (int32_t y = 0; y < dst->Height(); ++y) {
        for (int32_t x = 0; x < dst->Width(); ++x) {
            Sum s;
            for (int32_t sy = y * n; sy < (y + 1) * n && sy < src.Height(); ++sy) {
                for (int32_t sx = x * n; sx < (x + 1) * n && sx < src.Width(); ++sx) {
                    Add(get(src, sx, sy), &s);
                }
            }
            put(*dst, x, y) = Average<P>(s);
        }
    }
}

}  // namespace

Result<World> BoxDownsample(const World& source, int32_t n) {
    if (n < 1) return Error{"downsample factor " + std::to_string(n) + ": must be 1 or more"};
    if (n == 1) return source.Clone();
    const int32_t w = source.Width() / n + (source.Width() % n != 0 ? 1 : 0);
    const int32_t h = source.Height() / n + (source.Height() % n != 0 ? 1 : 0);
    Result<World> made = World::Create(source.Format(), w, h, 0, 0);
    if (!made) return Error{"cannot hold the reduced image: " + made.error().message};
    World out = std::move(*made);
    switch (source.Format()) {
    case PF_PixelFormat_ARGB32:
        Reduce<PF_Pixel>(source, &out, n, [](const World& wd, int32_t x, int32_t y) -> const PF_Pixel& { return wd.Pixel8(x, y); },
                         [](World& wd, int32_t x, int32_t y) -> PF_Pixel& { return wd.Pixel8(x, y); });
        break;
    case PF_PixelFormat_ARGB64:
        Reduce<PF_Pixel16>(source, &out, n, [](const World& wd, int32_t x, int32_t y) -> const PF_Pixel16& { return wd.Pixel16(x, y); },
                           [](World& wd, int32_t x, int32_t y) -> PF_Pixel16& { return wd.Pixel16(x, y); });
        break;
    default:
        Reduce<PF_PixelFloat>(source, &out, n, [](const World& wd, int32_t x, int32_t y) -> const PF_PixelFloat& { return wd.PixelFloat(x, y); },
                              [](World& wd, int32_t x, int32_t y) -> PF_PixelFloat& { return wd.PixelFloat(x, y); });
        break;
    }
    return out;
}

}  // namespace runner
