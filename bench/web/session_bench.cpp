// The 8-bit benchmark scenes rendered as the web page renders: one session
// over the effect linked in, frame after frame into a recycled output.
// Built natively and as WebAssembly (run by node), so that
// scripts/bench.sh --web sets one against the other; prints
// "SCENE MEDIAN_MS RUNS MIN_MS HASH" per scene, HASH a digest of the
// frame's pixels (the two builds must draw the same bytes).
#include <stdint.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runner/core/session.h"
#include "scenes.h"
#include "timing.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*);

namespace {

// FNV-1a over the image bytes of every row.
uint64_t Digest(const runner::World& world) {
    uint64_t hash = 14695981039346656037ull;
    const size_t row_bytes = static_cast<size_t>(world.Width()) * static_cast<size_t>(runner::BytesPerPixel(world.Format()));
    for (int32_t y = 0; y < world.Height(); ++y) {
        const uint8_t* row = world.Row(y);
        for (size_t i = 0; i < row_bytes; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
    }
    return hash;
}

bool Prepare(const bench::BenchScene& scene, runner::Session* session, std::string* error) {
    if (session->SetUp().err != PF_Err_NONE) {
        *error = "the effect's set-up failed";
        return false;
    }
    runner::Result<runner::World> input = runner::World::Create(scene.format, scene.width, scene.height);
    if (!input) {
        *error = input.error().message;
        return false;
    }
    bench::FillPattern(scene.format, scene.width, scene.height, input->RowBytes(), input->Row(0));
    session->SetInput(std::move(*input));
    session->SetLayerSize(scene.width, scene.height);
    return bench::ApplyScene(scene, session, error);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    for (const bench::BenchScene& scene : bench::AllBenchScenes()) {
        if (scene.format != PF_PixelFormat_ARGB32) continue;
        runner::Session session(&EntryPointFunc);
        std::string error;
        if (!Prepare(scene, &session, &error)) {
            std::fprintf(stderr, "%s: cannot set the scene up: %s\n", scene.name.c_str(), error.c_str());
            return 1;
        }
        bool failed = false;
        auto render = [&] {
            runner::RenderResult r = session.RenderFrame();
            failed = failed || r.err != PF_Err_NONE;
            session.RecycleOutput(std::move(r.output));
        };
        render();  // the first frame makes the output world and the effect's caches
        const bench::Timing t = bench::Measure([] {}, render, 3, seconds, 200);
        if (failed) {
            std::fprintf(stderr, "%s: the effect failed\n", scene.name.c_str());
            return 1;
        }
        runner::RenderResult last = session.RenderFrame();
        std::printf("%s %.3f %d %.3f %016llx\n", scene.name.c_str(), t.median_ms, t.runs, t.min_ms,
                    static_cast<unsigned long long>(Digest(last.output)));
    }
    return 0;
}
