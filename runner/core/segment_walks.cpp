#include "runner/core/segment_walks.h"

#include <cstring>
#include <utility>

namespace runner {

bool SegmentKey::operator==(const SegmentKey& other) const {
    return frequency == other.frequency && std::memcmp(bits, other.bits, sizeof bits) == 0;
}

size_t SegmentKeyHash::operator()(const SegmentKey& key) const {
    // Each word stirred (splitmix64's finaliser) before it is folded in, so
    // that coordinates differing in their low bits spread over the buckets.
    uint64_t h = static_cast<uint32_t>(key.frequency);
    for (uint64_t word : key.bits) {
        uint64_t z = word + 0x9e3779b97f4a7c15u + h;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        h = z ^ (z >> 31);
    }
    return static_cast<size_t>(h);
}

SegmentKey KeyOfSegment(const SegmentPrep& controls, int32_t frequency) {
    SegmentKey key;
    std::memcpy(key.bits, controls.px, sizeof controls.px);
    std::memcpy(key.bits + 4, controls.py, sizeof controls.py);
    key.frequency = frequency;
    return key;
}

void StartWalksOfCheckout(KeptWalks* kept) {
    ++kept->checkouts;
    for (auto it = kept->walks.begin(); it != kept->walks.end();) {
        if (it->second->checkout < kept->checkouts - 1) {
            kept->points -= static_cast<int64_t>(it->second->whole.size());
            kept->bytes -= WalkBytes(*it->second);
            it = kept->walks.erase(it);
        } else {
            ++it;
        }
    }
}

std::unique_ptr<SegmentWalk> TakeWalk(KeptWalks* kept, const MaskPath& path, int32_t segment, int32_t frequency) {
    const SegmentPrep wanted = SegmentControlPoints(path, segment);
    std::unique_ptr<SegmentWalk> walk;
    const auto found = kept->walks.find(KeyOfSegment(wanted, frequency));
    if (found != kept->walks.end()) {
        walk = std::move(found->second);
        kept->walks.erase(found);
        kept->bytes -= WalkBytes(*walk);
    } else {
        walk.reset(new SegmentWalk);
        walk->frequency = frequency;
        walk->prep = MeasureSegment(wanted, frequency);
    }
    walk->ahead = WalkAhead{};
    walk->checkout = kept->checkouts;
    return walk;
}

int64_t WalkBytes(const SegmentWalk& walk) {
    // The node of the kept walks holds the key, the pointer and the hash.
    constexpr size_t NODE = sizeof(SegmentKey) + 3 * sizeof(void*);
    return static_cast<int64_t>(sizeof walk + NODE + walk.prep.cumulative.capacity() * sizeof(double));
}

void KeepWalk(KeptWalks* kept, std::unique_ptr<SegmentWalk> walk) {
    if (walk == nullptr) return;
    const int64_t bytes = WalkBytes(*walk);
    if (kept->bytes + bytes > MAX_KEPT_WALK_BYTES) {
        kept->points -= static_cast<int64_t>(walk->whole.size());
        return;
    }
    kept->bytes += bytes;
    SegmentKey key = KeyOfSegment(walk->prep, walk->frequency);
    kept->walks.emplace(std::move(key), std::move(walk));
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
