// Placement and drawing linked directly, over a small host of our own: the
// path suites answered from a runner::MaskPath, the host's math and handle
// functions, and plain image buffers. This is how the benchmarks time the
// two stages apart and obtain the circle list for the peer.
#ifndef FOLVEK_BENCH_CORE_RIG_H
#define FOLVEK_BENCH_CORE_RIG_H

#include <stdint.h>

#include <vector>

#include "scenes.h"
#include "host/host_api.h"
#include "render/circle_list.h"
#include "render/render_params.h"
#include "runner/core/mask_path.h"

namespace bench {

// A circle as drawn at the scene's time: the exact centre, the drawn radius,
// and its two colours in 8-bit.
struct DrawnCircle {
    double cx, cy;
    int32_t drawn_radius;
    PF_Pixel fill, edge;
};

// Host handle bytes: live now and the most ever live at once.
struct HandleBytes {
    uint64_t live = 0;
    uint64_t peak = 0;
};

class CoreRig {
public:
    explicit CoreRig(const BenchScene& scene);
    ~CoreRig();
    CoreRig(const CoreRig&) = delete;
    CoreRig& operator=(const CoreRig&) = delete;

    // One PlaceCircles call from an empty list; the grid of the previous call
    // is disposed of first. Returns the effect's error.
    PF_Err Place();
    // The host's share of placement: every path evaluation that placement
    // makes (one per unit of arc length of each segment), without the
    // effect. Returns a sum of the points so that nothing is left out.
    double WalkPathOnly();
    // Puts the starting picture into the output (copy or transparent
    // black), untimed work that makes every Draw start alike.
    void ResetOutput();
    // One DrawCircles call over the current placement.
    PF_Err Draw();

    int32_t CircleCount() const { return result_.circle_count; }
    // The circles that a drawing at the scene's time (50 %) lays down, with
    // the defaults' colours (edge colour = sampled colour); 8-bit scenes only.
    std::vector<DrawnCircle> DrawnCircles() const;

    const BenchScene& Scene() const { return scene_; }
    const uint8_t* Input() const { return input_.data(); }
    uint8_t* Output() { return output_.data(); }
    int32_t RowBytes() const { return row_bytes_; }
    size_t FrameBytes() const { return input_.size(); }
    static HandleBytes Handles();
    static void ResetHandles();

    // For the path suites.
    runner::MaskPath mask;

private:
    BenchScene scene_;
    int32_t row_bytes_;
    std::vector<uint8_t> input_, output_;
    PF_UtilCallbacks utils_{};
    PF_InData in_{};
    PF_OutData out_{};
    PF_PathQuerySuite1 query_{};
    PF_PathDataSuite1 data_{};
    RenderParams params_{};
    RenderContext context_{};
    PlacementResult result_;
    PF_Handle grid_ = nullptr;
};

}  // namespace bench

#endif
