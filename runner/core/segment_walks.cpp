#include "runner/core/segment_walks.h"

#include <cstring>
#include <utility>

namespace runner {

namespace {

bool SameSegment(const SegmentWalk& walk, const SegmentPrep& wanted, int32_t frequency) {
    // Bit for bit: 0.0 and -0.0 or two NaNs are not taken for one another.
    return walk.frequency == frequency && std::memcmp(walk.prep.px, wanted.px, sizeof wanted.px) == 0 &&
           std::memcmp(walk.prep.py, wanted.py, sizeof wanted.py) == 0;
}

}  // namespace

void StartWalksOfCheckout(KeptWalks* kept) {
    ++kept->checkouts;
    size_t at = 0;
    for (std::unique_ptr<SegmentWalk>& walk : kept->walks) {
        if (walk == nullptr) continue;
        if (walk->checkout < kept->checkouts - 1) {
            kept->points -= static_cast<int64_t>(walk->whole.size());
            continue;
        }
        kept->walks[at++] = std::move(walk);
    }
    kept->walks.resize(at);
}

std::unique_ptr<SegmentWalk> TakeWalk(KeptWalks* kept, const MaskPath& path, int32_t segment, int32_t frequency) {
    const SegmentPrep wanted = SegmentControlPoints(path, segment);
    std::unique_ptr<SegmentWalk> walk;
    // Segments come back in the order they were kept: try the same place first.
    const size_t hint = static_cast<size_t>(segment);
    if (hint < kept->walks.size() && kept->walks[hint] && SameSegment(*kept->walks[hint], wanted, frequency)) {
        walk = std::move(kept->walks[hint]);
    }
    for (size_t i = 0; walk == nullptr && i < kept->walks.size(); ++i) {
        if (kept->walks[i] && SameSegment(*kept->walks[i], wanted, frequency)) walk = std::move(kept->walks[i]);
    }
    if (walk == nullptr) {
        walk.reset(new SegmentWalk);
        walk->frequency = frequency;
        walk->prep = MeasureSegment(wanted, frequency);
    }
    walk->ahead = WalkAhead{};
    walk->checkout = kept->checkouts;
    return walk;
}

void KeepWalk(KeptWalks* kept, std::unique_ptr<SegmentWalk> walk) {
    if (walk != nullptr) kept->walks.push_back(std::move(walk));
}

PathPoint PointOfSegmentWalk(KeptWalks* kept, SegmentWalk* walk, double t) {
    const size_t known = walk->whole.size();
    if (t >= 0.0 && t < static_cast<double>(known)) {
        const size_t k = static_cast<size_t>(t);
        if (static_cast<double>(k) == t) return walk->whole[k];
    }
    const PathPoint point = PointOfWalk(walk->prep, t, &walk->ahead);
    if (t == static_cast<double>(known) && kept->points < MAX_KEPT_WALK_POINTS) {
        walk->whole.push_back(point);
        ++kept->points;
    }
    return point;
}

}  // namespace runner
