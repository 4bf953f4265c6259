// The scene runner: every scene in every depth, each in a child process of
// its own so that its peak memory is its own. Prints one table row per
// scene: placement, drawing, the cairo peer on the same circles, the whole
// frame through EntryPointFunc, the memory floor, their ratios and the
// frame's peak memory.
//
//     ringstride_scene_bench [--quick] [--filter SUBSTRING|scaling] [--library PATH]
//     ringstride_scene_bench --mask-d SCENE   (the scene's mask as SVG path data)
//     ringstride_scene_bench --compare-peer SCENE  (how far cairo's frame is from ours)
//     ringstride_scene_bench --once SCENE     (one placement and one drawing, for
//                                              valgrind --tool=callgrind
//                                              --toggle-collect=PlaceCircles* ...)
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core_rig.h"
#include "frame_rig.h"
#include "peers.h"
#include "timing.h"

namespace {

struct Options {
    bool quick = false;
    std::string filter;
    std::string library = RINGSTRIDE_EFFECT_PATH;
};

long MaxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Mib(double bytes) { return bytes / (1024.0 * 1024.0); }

int RunScene(const bench::BenchScene& scene, const Options& options) {
    const int runs = options.quick ? 3 : 7;
    const double seconds = options.quick ? 0.2 : 1.0;

    // The frame through our host first, while this process holds nothing
    // else, so that the growth of its peak is the frame's own memory.
    bench::FrameRig frame;
    std::string error;
    if (!frame.Open(options.library, scene, &error)) {
        printf("%-10s %s\n", scene.name.c_str(), error.c_str());
        return 1;
    }
    const long rss_before = MaxRssKiB();
    PF_Err err = frame.RenderFrame();
    const long rss_after = MaxRssKiB();
    if (err != PF_Err_NONE) {
        printf("%-10s frame failed with %d\n", scene.name.c_str(), err);
        return 1;
    }
    const bench::Timing session_frame =
        bench::Measure([] {}, [&] { err |= frame.RenderFrame(); }, runs, seconds);
    const bench::Timing effect_frame =
        bench::Measure([] {}, [&] { err |= frame.EffectFrame(); }, runs, seconds);

    bench::CoreRig rig(scene);
    bench::CoreRig::ResetHandles();
    err |= rig.Place();
    const bench::HandleBytes handles = bench::CoreRig::Handles();
    const bench::Timing place = bench::Measure([] {}, [&] { err |= rig.Place(); }, runs, seconds);
    double path_sum = 0.0;
    const bench::Timing path = bench::Measure([] {}, [&] { path_sum += rig.WalkPathOnly(); }, runs, seconds);
    asm volatile("" : : "g"(path_sum));  // keep the walk
    const bench::Timing draw =
        bench::Measure([&] { rig.ResetOutput(); }, [&] { err |= rig.Draw(); }, runs, seconds);

    // The peer draws the 8-bit scene's circles; every depth is held
    // against that one 8-bit figure.
    bench::BenchScene scene8 = scene;
    scene8.format = PF_PixelFormat_ARGB32;
    bench::CoreRig rig8(scene8);
    err |= rig8.Place();
    bench::CairoPeer cairo(scene.width, scene.height, rig8.DrawnCircles(), scene.edge_thickness);
    const bench::Timing peer =
        bench::Measure([&] { cairo.Reset(); }, [&] { cairo.Draw(); }, runs, seconds);

    const size_t grid_bytes = static_cast<size_t>(scene.width) * static_cast<size_t>(scene.height) * 4u;
    bench::MemoryFloor floor(rig.FrameBytes(), grid_bytes);
    const bench::Timing floor_time = bench::Measure([] {}, [&] { floor.Run(); }, runs, seconds);
    if (err != PF_Err_NONE) {
        printf("%-10s an effect call failed (%d)\n", scene.name.c_str(), err);
        return 1;
    }

    const bool drawn = scene.crossings > 0;
    const double list_bytes = static_cast<double>(rig.CircleCount()) * 48.0;  // one heap node each
    char draw_ratio[16] = "-", frame_ratio[16] = "-";
    if (drawn && peer.median_ms > 0.0) snprintf(draw_ratio, sizeof draw_ratio, "%.2f", draw.median_ms / peer.median_ms);
    if (drawn) {
        snprintf(frame_ratio, sizeof frame_ratio, "%.2f",
                 effect_frame.median_ms / (floor_time.median_ms + draw.median_ms));
    }
    printf("%-10s %7d %9.2f %9.2f %9.2f %9.2f %7s %9.2f %9.2f %7.2f %8s %9.2f %8.1f %8.1f\n", scene.name.c_str(),
           rig.CircleCount(), place.median_ms, path.median_ms, draw.median_ms, drawn ? peer.median_ms : 0.0, draw_ratio,
           effect_frame.median_ms, floor_time.median_ms, effect_frame.median_ms / floor_time.median_ms, frame_ratio,
           session_frame.median_ms, static_cast<double>(rss_after - rss_before) / 1024.0, Mib(static_cast<double>(handles.peak) + list_bytes));
    return 0;
}

}  // namespace

// The mask of a scene as SVG path data, for runs of the ringstride tool.
int PrintMask(const std::string& id) {
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (scene.name.compare(0, id.size() + 1, id + "/") != 0 || scene.crossings == 0) continue;
        printf("%s\n", bench::SweepPathData(bench::SweepMask(scene.width, scene.height, scene.crossings)).c_str());
        return 0;
    }
    fprintf(stderr, "no scene %s with a mask\n", id.c_str());
    return 2;
}

// Frames of one scene rendered by `threads` threads at once, each with a
// session of its own (as the ringstride tool's workers do); seconds for
// `frames` frames in all.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double ParallelFrames(const bench::BenchScene& scene, const std::string& library, int threads, int frames,
                      double* cpu_seconds) {
    std::vector<std::unique_ptr<bench::FrameRig>> rigs;
    for (int i = 0; i < threads; ++i) {
        rigs.push_back(std::make_unique<bench::FrameRig>());
        std::string error;
        if (!rigs.back()->Open(library, scene, &error)) return -1.0;
        rigs.back()->EffectFrame();  // the output world, outside the timing
    }
    const double cpu_start = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        const int share = frames / threads + (i < frames % threads ? 1 : 0);
        workers.emplace_back([&rigs, i, share] {
            for (int f = 0; f < share; ++f) rigs[static_cast<size_t>(i)]->EffectFrame();
        });
    }
    for (std::thread& w : workers) w.join();
    *cpu_seconds = CpuSeconds() - cpu_start;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int RunScaling(const Options& options) {
    const int frames = options.quick ? 16 : 48;
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (scene.name != "a/8") continue;
        double cpu_one = 0.0, cpu_two = 0.0;
        const double one = ParallelFrames(scene, options.library, 1, frames, &cpu_one);
        const double two = ParallelFrames(scene, options.library, 2, frames, &cpu_two);
        if (one < 0.0 || two < 0.0) return 1;
        // CPU time per frame that stays the same with two threads means
        // nothing is shared; the wall-clock speed-up then shows how much of
        // a second core this process was given.
        printf("\n%d frames of a/8 through EntryPointFunc, one session per thread: 1 thread %.2f s "
               "(%.1f ms CPU a frame), 2 threads %.2f s (%.1f ms CPU a frame, %.2f cores busy), speed-up %.2fx\n",
               frames, one, 1000.0 * cpu_one / frames, two, 1000.0 * cpu_two / frames, cpu_two / two, one / two);
    }
    return 0;
}

// How closely the peer draws what the effect draws: both frames of an 8-bit
// scene from transparent black, compared premultiplied.
int ComparePeer(const std::string& name) {
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (scene.name != name || scene.format != PF_PixelFormat_ARGB32 || scene.crossings == 0) continue;
        bench::CoreRig rig(scene);
        rig.ResetOutput();
        if ((rig.Place() | rig.Draw()) != PF_Err_NONE) return 1;
        bench::CairoPeer peer(scene.width, scene.height, rig.DrawnCircles(), scene.edge_thickness);
        peer.Reset();
        peer.Draw();
        int32_t stride = 0;
        const uint8_t* theirs = peer.Pixels(&stride);
        double total = 0.0;
        long far = 0, covered = 0;
        for (int32_t y = 0; y < scene.height; ++y) {
            for (int32_t x = 0; x < scene.width; ++x) {
                PF_Pixel ours;
                memcpy(&ours, rig.Output() + (static_cast<size_t>(y) * scene.width + x) * 4, 4);
                uint32_t word;
                memcpy(&word, theirs + static_cast<size_t>(y) * static_cast<size_t>(stride) + 4u * x, 4);
                const int ta = static_cast<int>(word >> 24);
                const int mine[4] = {ours.alpha, ours.red * ours.alpha / 255, ours.green * ours.alpha / 255,
                                     ours.blue * ours.alpha / 255};
                const int other[4] = {ta, static_cast<int>((word >> 16) & 255), static_cast<int>((word >> 8) & 255),
                                      static_cast<int>(word & 255)};
                int worst = 0;
                for (int c = 0; c < 4; ++c) {
                    const int diff = mine[c] > other[c] ? mine[c] - other[c] : other[c] - mine[c];
                    total += diff;
                    worst = diff > worst ? diff : worst;
                }
                if (ours.alpha != 0 || ta != 0) ++covered;
                if (worst > 32) ++far;
            }
        }
        const double pixels = static_cast<double>(scene.width) * scene.height;
        printf("%s: %zu circles; %ld pixels covered by either; mean |difference| %.3f per channel; "
               "%ld pixels (%.3f %% of covered) differ by more than 32\n",
               name.c_str(), peer.CircleCount(), covered, total / (pixels * 4.0), far,
               covered > 0 ? 100.0 * static_cast<double>(far) / static_cast<double>(covered) : 0.0);
        return 0;
    }
    fprintf(stderr, "no 8-bit scene %s with a mask\n", name.c_str());
    return 2;
}

// One placement and one drawing of a scene, untimed, for profilers.
int RunOnce(const std::string& name) {
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (scene.name != name) continue;
        bench::CoreRig rig(scene);
        rig.ResetOutput();
        const PF_Err err = rig.Place() | rig.Draw();
        printf("%s: %d circles, result %d\n", name.c_str(), rig.CircleCount(), err);
        return err == PF_Err_NONE ? 0 : 1;
    }
    fprintf(stderr, "no scene %s\n", name.c_str());
    return 2;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--mask-d") == 0) return PrintMask(argv[2]);
    if (argc == 3 && strcmp(argv[1], "--once") == 0) return RunOnce(argv[2]);
    if (argc == 3 && strcmp(argv[1], "--compare-peer") == 0) return ComparePeer(argv[2]);
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--quick") == 0) {
            options.quick = true;
        } else if (strcmp(argv[i], "--filter") == 0 && i + 1 < argc) {
            options.filter = argv[++i];
        } else if (strcmp(argv[i], "--library") == 0 && i + 1 < argc) {
            options.library = argv[++i];
        } else {
            fprintf(stderr, "usage: %s [--quick] [--filter SUBSTRING] [--library PATH]\n", argv[0]);
            return 2;
        }
    }
    printf("Times in ms (median), memory in MiB. (path): the host's path evaluations within place.\n"
           "draw/cairo: drawing against cairo on the same circles (8-bit\n"
           "cairo for every depth). frame: pre-render + smart render through EntryPointFunc; session: the\n"
           "same with the host making a fresh output world. floor: memcpy of the frame + memset of the grid.\n"
           "f/(fl+d): frame / (floor + drawing). peak: growth of maxrss over the first session frame;\n"
           "effect: grid handle + circle list.\n\n");
    printf("%-10s %7s %9s %9s %9s %9s %7s %9s %9s %7s %8s %9s %8s %8s\n", "scene", "circles", "place", "(path)", "draw", "cairo",
           "d/cairo", "frame", "floor", "f/floor", "f/(fl+d)", "session", "peak", "effect");
    fflush(stdout);
    int status = 0;
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (!options.filter.empty() && scene.name.find(options.filter) == std::string::npos) continue;
        fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const int code = RunScene(scene, options);
            fflush(stdout);
            _exit(code);
        }
        int child_status = 0;
        waitpid(child, &child_status, 0);
        if (!WIFEXITED(child_status) || WEXITSTATUS(child_status) != 0) status = 1;
    }
    if (options.filter.empty() || options.filter == "scaling") status |= RunScaling(options);
    return status;
}
