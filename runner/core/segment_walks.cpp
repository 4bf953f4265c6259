#include "runner/core/segment_walks.h"

#include <cstring>
#include <utility>

namespace runner {

namespace {

// A segment by its control points, bit for bit, and its frequency.
SegmentKey KeyOfSegment(const SegmentPrep& controls, int32_t frequency) {
    SegmentKey key;
    std::memcpy(key.bits, controls.px, sizeof controls.px);
    std::memcpy(key.bits + 4, controls.py, sizeof controls.py);
    key.frequency = frequency;
    return key;
}

// A kept walk's memory beside its whole points: the walk, its arc-length
// table and its places in the kept walks and their index.
int64_t WalkBytes(const SegmentWalk& walk) {
    // A slot in the walks and, once indexed, a node of the index: the key,
    // the slot, the hash and the link.
    constexpr size_t PLACES = sizeof(void*) + sizeof(SegmentKey) + sizeof(WalkSlot) + 2 * sizeof(void*);
    return static_cast<int64_t>(sizeof walk + PLACES + walk.prep.cumulative.capacity() * sizeof(double));
}

std::unique_ptr<SegmentWalk>& SlotOf(KeptWalks* kept, const WalkSlot& where) {
    return where.current ? kept->current[where.slot] : kept->previous[where.slot];
}

void Forget(KeptWalks* kept, const SegmentWalk& walk) {
    kept->points -= static_cast<int64_t>(walk.whole.size());
    kept->bytes -= WalkBytes(walk);
}

void BuildIndex(KeptWalks* kept) {
    kept->index.reserve(kept->previous.size() + kept->current.size());
    for (bool current : {false, true}) {
        const std::vector<std::unique_ptr<SegmentWalk>>& walks = current ? kept->current : kept->previous;
        for (size_t i = 0; i < walks.size(); ++i) {
            if (walks[i] == nullptr) continue;
            kept->index.emplace(KeyOfSegment(walks[i]->prep, walks[i]->frequency), WalkSlot{current, i});
        }
    }
    kept->indexed = true;
}

// The slot of a kept walk of `key`'s segment, or nullptr.
std::unique_ptr<SegmentWalk>* FindKept(KeptWalks* kept, const SegmentKey& key) {
    if (kept->next < kept->previous.size()) {
        const SegmentWalk* in_order = kept->previous[kept->next].get();
        if (in_order != nullptr && KeyOfSegment(in_order->prep, in_order->frequency) == key) {
            return &kept->previous[kept->next++];
        }
    }
    if (!kept->indexed) BuildIndex(kept);
    auto [it, end] = kept->index.equal_range(key);
    while (it != end && SlotOf(kept, it->second) == nullptr) it = kept->index.erase(it);
    if (it == end) return nullptr;
    const WalkSlot where = it->second;
    kept->index.erase(it);
    if (!where.current) kept->next = where.slot + 1;  // the walks after it are likely to follow
    return &SlotOf(kept, where);
}

}  // namespace

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

size_t KeptWalkCount(const KeptWalks& kept) {
    size_t count = 0;
    for (const auto* walks : {&kept.previous, &kept.current}) {
        for (const std::unique_ptr<SegmentWalk>& walk : *walks) count += walk != nullptr ? 1 : 0;
    }
    return count;
}

void StartWalksOfCheckout(KeptWalks* kept) {
    ++kept->checkouts;
    // Walks that the previous checkout did not use belong to a mask that
    // has moved on: those kept before it and not taken again, and those
    // taken before it but cleaned up only during it.
    for (const std::unique_ptr<SegmentWalk>& walk : kept->previous) {
        if (walk != nullptr) Forget(kept, *walk);
    }
    kept->previous.clear();
    for (std::unique_ptr<SegmentWalk>& walk : kept->current) {
        if (walk == nullptr) continue;
        if (walk->checkout < kept->checkouts - 1) {
            Forget(kept, *walk);
        } else {
            kept->previous.push_back(std::move(walk));
        }
    }
    kept->current.clear();
    kept->next = 0;
    kept->index.clear();
    kept->indexed = false;
}

std::unique_ptr<SegmentWalk> TakeWalk(KeptWalks* kept, const MaskPath& path, int32_t segment, int32_t frequency) {
    const SegmentPrep wanted = SegmentControlPoints(path, segment);
    std::unique_ptr<SegmentWalk> walk;
    if (std::unique_ptr<SegmentWalk>* slot = FindKept(kept, KeyOfSegment(wanted, frequency))) {
        walk = std::move(*slot);
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

void KeepWalk(KeptWalks* kept, std::unique_ptr<SegmentWalk> walk) {
    if (walk == nullptr) return;
    const int64_t bytes = WalkBytes(*walk);
    if (kept->bytes + bytes > MAX_KEPT_WALK_BYTES) {
        kept->points -= static_cast<int64_t>(walk->whole.size());
        return;
    }
    kept->bytes += bytes;
    if (kept->indexed) {
        kept->index.emplace(KeyOfSegment(walk->prep, walk->frequency), WalkSlot{true, kept->current.size()});
    }
    kept->current.push_back(std::move(walk));
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
