// What a frame costs inside a frei0r host: ringstride.so opened with dlopen
// and driven through f0r_update at 1920x1080, with no mask (the frame is
// only converted and copied) and with a mask of circles, beside the two
// pixel conversions alone. Prints figures; nothing passes or fails.
#include <cstdio>
#include <string>
#include <vector>

#include "frei0r_plugin.h"
#include "runner/shot/rgba.h"
#include "timing.h"

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

void Report(const char* what, const bench::Timing& t) {
    std::printf("  %-44s %8.2f ms median, %8.2f ms best (%d runs)\n", what, t.median_ms, t.min_ms, t.runs);
}

}  // namespace

int main() {
    bench::Frei0rPlugin p(RINGSTRIDE_FREI0R_PLUGIN);
    if (!p.Ok()) {
        std::fprintf(stderr, "frei0r_bench: %s\n", p.Error().c_str());
        return 1;
    }

    std::vector<uint32_t> in(static_cast<size_t>(W) * H), out(in.size());
    uint8_t* bytes = reinterpret_cast<uint8_t*>(in.data());
    for (size_t i = 0; i < in.size() * 4; ++i) bytes[i] = static_cast<uint8_t>((i * 7) % 251);

    std::printf("frei0r plug-in, %dx%d RGBA frames:\n", W, H);
    const char* paths[] = {"", "M 80 900 C 600 100 1320 100 1840 900"};
    const char* names[] = {"f0r_update, no mask", "f0r_update, one curve of default circles"};
    for (int k = 0; k < 2; ++k) {
        void* instance = p.construct(W, H);
        const char* text = paths[k];
        p.set_param_value(instance, &text, 0);
        double t = 0.0;
        Report(names[k], bench::Measure([] {}, [&] { p.update(instance, t += 0.04, in.data(), out.data()); }, 5, 1.0));
        p.destruct(instance);
    }

    runner::World world = runner::World::Create(PF_PixelFormat_ARGB32, W, H, 0, 0).value();
    Report("RGBA to the host's ARGB world", bench::Measure([] {}, [&] { runner::RgbaIntoWorld(in.data(), 8, &world); }, 5, 0.5));
    Report("the host's ARGB world to RGBA", bench::Measure([] {}, [&] { runner::WorldToRgba8(world, reinterpret_cast<uint8_t*>(out.data())); }, 5, 0.5));
    return 0;
}
