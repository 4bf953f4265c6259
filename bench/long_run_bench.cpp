// Memory over a long run, as a filter in a broadcast chain lives for days:
// one instance of the frei0r plug-in (opened with dlopen, as ffmpeg, MLT and
// GStreamer open it) renders a million small frames with a mask, and the
// process's resident memory is printed every tenth of the way. A session
// keeps counts, not logs, so the figures stay flat. Prints figures; nothing
// passes or fails.
//
//   ringstride_long_run_bench [FRAMES]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "frei0r_plugin.h"

namespace {

constexpr int W = 64;
constexpr int H = 48;

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0.0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (frames <= 0) {
        std::fprintf(stderr, "long_run_bench: FRAMES must be positive\n");
        return 1;
    }
    const bench::Frei0rPlugin plugin(RINGSTRIDE_FREI0R_PLUGIN);
    if (!plugin.Ok()) {
        std::fprintf(stderr, "long_run_bench: %s\n", plugin.Error().c_str());
        return 1;
    }

    std::vector<uint32_t> in(static_cast<size_t>(W) * H, 0xff4080c0u), out(in.size());
    void* instance = plugin.construct(W, H);
    const char* path = "M 4 40 C 20 4 44 4 60 40";
    plugin.set_param_value(instance, &path, 0);

    std::printf("one frei0r instance, %dx%d frames with a mask, %ld frames:\n", W, H, frames);
    std::printf("  %12s %14s %12s\n", "frames", "resident MB", "frames/s");
    const auto start = std::chrono::steady_clock::now();
    const long step = frames >= 10 ? frames / 10 : 1;
    for (long i = 1; i <= frames; ++i) {
        plugin.update(instance, static_cast<double>(i) * 0.02, in.data(), out.data());
        if (i % step == 0 || i == 1) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("  %12ld %14.1f %12.0f\n", i, ResidentMegabytes(), static_cast<double>(i) / seconds);
            std::fflush(stdout);
        }
    }
    plugin.destruct(instance);
    return 0;
}
