// Segments made ready for an effect's walk along them, kept by the session
// from one frame to the next. A mask that did not move is prepared again
// with the same control points: its walk then reuses the arc-length table
// and every point already evaluated on it, which are the same bits an
// evaluation would give.
#ifndef FOLVEK_RUNNER_CORE_SEGMENT_WALKS_H
#define FOLVEK_RUNNER_CORE_SEGMENT_WALKS_H

#include <stdint.h>

#include <memory>
#include <unordered_map>
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

// Bytes of kept walks at most per session, their tables included (a curve
// measured at the effect's frequency takes some 1.3 KB): the walks of tens
// of thousands of segments. Segments of a bigger mask beyond it are
// measured again on every frame rather than held in memory.
constexpr int64_t MAX_KEPT_WALK_BYTES = int64_t{64} << 20;

// What makes two walks one: the bits of the four control points (0.0 and
// -0.0, or two NaNs of different payloads, are different segments) and the
// frequency asked for.
struct SegmentKey {
    uint64_t bits[8] = {};
    int32_t frequency = 0;
    bool operator==(const SegmentKey& other) const;
};

struct SegmentKeyHash {
    size_t operator()(const SegmentKey& key) const;
};

// Where a kept walk is: a slot of KeptWalks::previous or ::current.
struct WalkSlot {
    bool current = false;
    size_t slot = 0;
};

struct KeptWalks {
    // Walks cleaned up during the previous checkout and during this one, in
    // the order they were cleaned up (the order an effect walks a path in);
    // taken slots are empty. A still mask finds its walks in that order, one
    // comparison each.
    std::vector<std::unique_ptr<SegmentWalk>> previous, current;
    size_t next = 0;  // the slot of `previous` tried first
    // Where the kept walks are, by segment: made at the first segment of a
    // checkout that does not come in order, and kept up to date from then
    // on, so that any order costs constant time a segment. Entries of walks
    // taken in order stay behind and are passed over (a slot is never filled
    // again). A path that repeats a segment has several.
    std::unordered_multimap<SegmentKey, WalkSlot, SegmentKeyHash> index;
    bool indexed = false;
    int64_t points = 0;  // whole points of every walk, kept or in use
    int64_t bytes = 0;   // of the kept walks, as WalkBytes counts them
    int32_t checkouts = 0;
};

// How many walks are kept.
size_t KeptWalkCount(const KeptWalks& kept);

// A new path checkout: walks that no preparation since the previous
// checkout used belong to a mask that has moved on, and are dropped.
void StartWalksOfCheckout(KeptWalks* kept);

// The walk for segment `segment` of `path`: a kept one with the same
// control points and frequency, or a new one.
std::unique_ptr<SegmentWalk> TakeWalk(KeptWalks* kept, const MaskPath& path, int32_t segment, int32_t frequency);

// A walk whose preparation was cleaned up, kept for the next frame while
// the byte budget lasts.
void KeepWalk(KeptWalks* kept, std::unique_ptr<SegmentWalk> walk);

// What EvalAtLength gives at t on the walk's segment; whole steps from 0
// are recorded while the session's budget lasts.
PathPoint PointOfSegmentWalk(KeptWalks* kept, SegmentWalk* walk, double t);

}  // namespace runner

#endif
