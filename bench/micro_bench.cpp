// The same scenes as Google Benchmark cases, one per stage and depth, for
// runs that want its statistics and filters (--benchmark_filter=...).
#include <benchmark/benchmark.h>

#include <string>

#include "core_rig.h"
#include "frame_rig.h"
#include "peers.h"

namespace {

void Place(benchmark::State& state, bench::BenchScene scene) {
    bench::CoreRig rig(scene);
    for (auto _ : state) {
        if (rig.Place() != PF_Err_NONE) state.SkipWithError("placement failed");
    }
    state.counters["circles"] = rig.CircleCount();
}

void Draw(benchmark::State& state, bench::BenchScene scene) {
    bench::CoreRig rig(scene);
    rig.Place();
    for (auto _ : state) {
        state.PauseTiming();
        rig.ResetOutput();
        state.ResumeTiming();
        if (rig.Draw() != PF_Err_NONE) state.SkipWithError("drawing failed");
    }
}

void Cairo(benchmark::State& state, bench::BenchScene scene) {
    bench::CoreRig rig(scene);
    rig.Place();
    bench::CairoPeer peer(scene.width, scene.height, rig.DrawnCircles(), scene.edge_thickness);
    for (auto _ : state) {
        state.PauseTiming();
        peer.Reset();
        state.ResumeTiming();
        peer.Draw();
    }
}

void Floor(benchmark::State& state, bench::BenchScene scene) {
    const size_t frame_bytes = static_cast<size_t>(scene.width) * static_cast<size_t>(scene.height) *
                               static_cast<size_t>(bench::BytesPerPixelOf(scene.format));
    bench::MemoryFloor floor(frame_bytes, static_cast<size_t>(scene.width) * static_cast<size_t>(scene.height) * 4u);
    for (auto _ : state) floor.Run();
}

void Frame(benchmark::State& state, bench::BenchScene scene) {
    bench::FrameRig rig;
    std::string error;
    if (!rig.Open(RINGSTRIDE_EFFECT_PATH, scene, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        if (rig.EffectFrame() != PF_Err_NONE) state.SkipWithError("frame failed");
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        const bool drawn = scene.crossings > 0;
        if (drawn) {
            benchmark::RegisterBenchmark(("place/" + scene.name).c_str(), Place, scene)->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("draw/" + scene.name).c_str(), Draw, scene)->Unit(benchmark::kMillisecond);
            if (scene.format == PF_PixelFormat_ARGB32) {
                benchmark::RegisterBenchmark(("cairo/" + scene.name).c_str(), Cairo, scene)
                    ->Unit(benchmark::kMillisecond);
            }
        }
        benchmark::RegisterBenchmark(("floor/" + scene.name).c_str(), Floor, scene)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("frame/" + scene.name).c_str(), Frame, scene)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
