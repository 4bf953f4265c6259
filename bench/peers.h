// The references every scene is measured against in the same run: the
// memory floor and a peer rasteriser drawing the same circles.
#ifndef FOLVEK_BENCH_PEERS_H
#define FOLVEK_BENCH_PEERS_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "core_rig.h"

namespace bench {

// The least a frame can cost: one copy of the input frame and one clear of
// an occupancy grid of the same pixel count. Buffers are allocated and
// touched once up front so that page faults stay out of the timing.
class MemoryFloor {
public:
    MemoryFloor(size_t frame_bytes, size_t grid_bytes);
    void Run();

private:
    std::vector<uint8_t> source_, target_, grid_;
};

// Cairo drawing the circle list into an 8-bit image surface of the frame's
// size: an anti-aliased filled disc, then an anti-aliased stroked ring in
// the edge colour over it, like the effect's disc and ring.
class CairoPeer {
public:
    CairoPeer(int32_t width, int32_t height, std::vector<DrawnCircle> circles, int32_t edge_thickness);
    ~CairoPeer();
    CairoPeer(const CairoPeer&) = delete;
    CairoPeer& operator=(const CairoPeer&) = delete;

    void Reset();  // transparent black, untimed
    void Draw();
    size_t CircleCount() const { return circles_.size(); }
    // The surface's pixels: premultiplied ARGB in native-endian 32-bit words.
    const uint8_t* Pixels(int32_t* stride) const;

private:
    struct Surface;
    Surface* surface_;
    std::vector<DrawnCircle> circles_;
    int32_t thickness_;
};

}  // namespace bench

#endif
