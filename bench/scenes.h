// The benchmark scenes: frame size, depth, the parameters that differ from
// the defaults, and the mask. Shared by the scene runner and the
// microbenchmarks so that both measure the same work.
#ifndef FOLVEK_BENCH_SCENES_H
#define FOLVEK_BENCH_SCENES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "host/host_api.h"
#include "runner/core/mask_path.h"
#include "runner/core/session.h"

namespace bench {

struct BenchScene {
    std::string name;       // "a", "b", ... plus the depth, e.g. "a/8"
    std::string what;       // one line for the table
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    int32_t width = 1920;
    int32_t height = 1080;
    int32_t crossings = 0;  // times the mask crosses the frame; 0: no mask
    int32_t max_radius = 50;
    int32_t edge_thickness = 1;
    int32_t on_original = 0;
    double time = 50.0;     // percent
};

// Every scene in every depth, in table order.
std::vector<BenchScene> AllBenchScenes();

// A smooth open Bezier that sweeps across the frame `crossings` times,
// left to right and back, working its way down with rounded turns that
// reach a little beyond the left and right borders.
runner::MaskPath SweepMask(int32_t width, int32_t height, int32_t crossings);

// The scene's parameters on a session that is set up: Time, Max Radius,
// Edge Thickness, On Original and, with crossings, the sweep mask as path 1.
// False with `error` when the session refuses one.
bool ApplyScene(const BenchScene& scene, runner::Session* session, std::string* error);

// A mask as SVG path data (absolute moveto and cubics), for runs of the
// ringstride tool on the same scene.
std::string SweepPathData(const runner::MaskPath& mask);

// Fills an image of the scene's depth with an opaque, smoothly varying
// pattern (so sampled colours differ from circle to circle).
void FillPattern(PF_PixelFormat format, int32_t width, int32_t height, int32_t row_bytes, uint8_t* data);

int32_t BytesPerPixelOf(PF_PixelFormat format);
const char* DepthName(PF_PixelFormat format);

}  // namespace bench

#endif
