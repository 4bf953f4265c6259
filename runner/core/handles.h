// Host memory handles: a PF_Handle points at a pointer to the block, as the
// effect expects. Every handle is really allocated, its lock count kept, and
// the live ones counted so that tests can find leaks and double disposals.
//
// Large blocks outlive their handles: a disposed block of RECYCLE_MIN_BYTES
// or more is kept, and the next request of exactly its size gets it back, so
// that an effect that allocates a frame-sized block every frame (the
// occupancy grid) works in the same warm memory each time.
#ifndef FOLVEK_RUNNER_CORE_HANDLES_H
#define FOLVEK_RUNNER_CORE_HANDLES_H

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <unordered_map>

#include "host/host_api.h"

namespace runner {

// Blocks this big or bigger are recycled; a few at most are kept.
constexpr uint32_t RECYCLE_MIN_BYTES = 64u * 1024u;
constexpr size_t RECYCLE_KEPT = 2;

class HandleTable {
public:
    HandleTable();
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // Null when the memory cannot be had. A fresh block is zero-filled; a
    // recycled one holds what its last owner left in it, as memory from a
    // host's allocator may.
    PF_Handle New(uint32_t size);
    // Null for a handle we did not hand out (or already disposed of).
    void* Lock(PF_Handle handle);
    void Unlock(PF_Handle handle);
    // Unknown handles (null, foreign, disposed) are counted, not freed.
    void Dispose(PF_Handle handle);

    bool IsLive(PF_Handle handle) const;
    size_t LiveCount() const { return records_.size(); }
    uint32_t SizeOf(PF_Handle handle) const;     // 0 when not live
    int32_t LockCount(PF_Handle handle) const;   // 0 when not live
    int32_t BadDisposals() const { return bad_disposals_; }
    int32_t BadUnlocks() const { return bad_unlocks_; }
    int32_t Allocations() const { return allocations_; }
    // Of the allocations, how many were served with a recycled block.
    int32_t Recycled() const { return recycled_; }

private:
    struct Record;
    struct Spare {
        void* allocation;
        uint32_t size;
    };
    // Spare i's block, the spares after it moving up one place.
    void* TakeSpare(size_t i);
    std::unordered_map<PF_Handle, std::unique_ptr<Record>> records_;
    Spare spares_[RECYCLE_KEPT] = {};  // disposed large blocks, oldest first
    size_t spare_count_ = 0;
    int32_t bad_disposals_ = 0;
    int32_t bad_unlocks_ = 0;
    int32_t allocations_ = 0;
    int32_t recycled_ = 0;
};

}  // namespace runner

#endif
