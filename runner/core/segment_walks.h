// Segments made ready for an effect's walk along them, kept by the session
// from one frame to the next. A mask that did not move is prepared again
// with the same control points: its walk then reuses the arc-length table
// and every point already evaluated on it, which are the same bits an
// evaluation would give.
#ifndef FOLVEK_RUNNER_CORE_SEGMENT_WALKS_H
#define FOLVEK_RUNNER_CORE_SEGMENT_WALKS_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "runner/core/mask_path.h"

namespace runner {

struct SegmentWalk {
    int32_t frequency = 0;
    SegmentPrep prep;
    WalkAhead ahead;
    std::vector<PathPoint> whole;  // the points at t = 0, 1, 2, ... evaluated so far
    int32_t checkout = 0;          // the path checkout it was last prepared under
};

// Whole points recorded at most per session (32 bytes each): a walk of a
// million pixels of mask.
constexpr int64_t MAX_KEPT_WALK_POINTS = int64_t{1} << 20;

struct KeptWalks {
    std::vector<std::unique_ptr<SegmentWalk>> walks;  // cleaned up, still of use; empty slots are taken ones
    int64_t points = 0;                               // whole points of every walk, kept or in use
    int32_t checkouts = 0;
};

// A new path checkout: walks that no preparation since the previous
// checkout used belong to a mask that has moved on, and are dropped.
void StartWalksOfCheckout(KeptWalks* kept);

// The walk for segment `segment` of `path`: a kept one with the same
// control points and frequency, or a new one.
std::unique_ptr<SegmentWalk> TakeWalk(KeptWalks* kept, const MaskPath& path, int32_t segment, int32_t frequency);

// A walk whose preparation was cleaned up, kept for the next frame.
void KeepWalk(KeptWalks* kept, std::unique_ptr<SegmentWalk> walk);

// What EvalAtLength gives at t on the walk's segment; whole steps from 0
// are recorded while the session's budget lasts.
PathPoint PointOfSegmentWalk(KeptWalks* kept, SegmentWalk* walk, double t);

}  // namespace runner

#endif
