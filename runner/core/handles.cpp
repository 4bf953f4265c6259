// Host memory handles. Each block carries its size in front of it, as a
// host's allocator would, and the handle is the address of the block pointer.
#include "runner/core/handles.h"

#include <stdlib.h>
#include <string.h>

#include "runner/core/large_memory.h"

namespace runner {

struct HandleTable::Record {
    void* block = nullptr;  // must stay the first member: PF_Handle points here
    uint32_t size = 0;
    int32_t lock_count = 0;
    void* allocation = nullptr;  // size prefix + block
};

namespace {

// Keeps the block aligned for any of the records the effect stores in it.
constexpr size_t PREFIX_BYTES = 16;

size_t AllocationBytes(uint32_t size) { return PREFIX_BYTES + static_cast<size_t>(size); }

void* Allocate(uint32_t size) {
    const size_t bytes = AllocationBytes(size);
    return bytes >= LARGE_BLOCK_BYTES ? AllocateLarge(bytes) : calloc(1, bytes);
}

void Release(void* allocation, uint32_t size) {
    const size_t bytes = AllocationBytes(size);
    if (bytes >= LARGE_BLOCK_BYTES) {
        FreeLarge(allocation, bytes);
    } else {
        free(allocation);
    }
}

}  // namespace

HandleTable::HandleTable() = default;

HandleTable::~HandleTable() {
    for (auto& entry : records_) Release(entry.second->allocation, entry.second->size);
    for (size_t i = 0; i < spare_count_; ++i) Release(spares_[i].allocation, spares_[i].size);
}

PF_Handle HandleTable::New(uint32_t size) {
    ++allocations_;
    std::unique_ptr<Record> record(new (std::nothrow) Record);
    if (!record) return nullptr;
    void* allocation = nullptr;
    for (size_t i = 0; i < spare_count_ && allocation == nullptr; ++i) {
        if (spares_[i].size == size) {
            allocation = TakeSpare(i);
            ++recycled_;
        }
    }
    if (allocation == nullptr) allocation = Allocate(size);
    if (allocation == nullptr) return nullptr;
    memcpy(allocation, &size, sizeof size);
    record->allocation = allocation;
    record->block = static_cast<uint8_t*>(allocation) + PREFIX_BYTES;
    record->size = size;
    PF_Handle handle = &record->block;
    try {
        records_.emplace(handle, std::move(record));
    } catch (...) {
        Release(allocation, size);
        return nullptr;
    }
    return handle;
}

void* HandleTable::Lock(PF_Handle handle) {
    auto it = records_.find(handle);
    if (it == records_.end()) return nullptr;
    ++it->second->lock_count;
    return it->second->block;
}

void HandleTable::Unlock(PF_Handle handle) {
    auto it = records_.find(handle);
    if (it == records_.end() || it->second->lock_count == 0) {
        ++bad_unlocks_;
        return;
    }
    --it->second->lock_count;
}

void* HandleTable::TakeSpare(size_t i) {
    void* allocation = spares_[i].allocation;
    for (size_t j = i + 1; j < spare_count_; ++j) spares_[j - 1] = spares_[j];
    --spare_count_;
    return allocation;
}

void HandleTable::Dispose(PF_Handle handle) {
    auto it = records_.find(handle);
    if (it == records_.end()) {
        ++bad_disposals_;
        return;
    }
    const Record& record = *it->second;
    if (record.size >= RECYCLE_MIN_BYTES) {
        if (spare_count_ == RECYCLE_KEPT) {  // the oldest goes
            const uint32_t oldest_size = spares_[0].size;
            Release(TakeSpare(0), oldest_size);
        }
        spares_[spare_count_++] = Spare{record.allocation, record.size};
    } else {
        Release(record.allocation, record.size);
    }
    records_.erase(it);
}

bool HandleTable::IsLive(PF_Handle handle) const { return records_.count(handle) != 0; }

uint32_t HandleTable::SizeOf(PF_Handle handle) const {
    auto it = records_.find(handle);
    return it == records_.end() ? 0 : it->second->size;
}

int32_t HandleTable::LockCount(PF_Handle handle) const {
    auto it = records_.find(handle);
    return it == records_.end() ? 0 : it->second->lock_count;
}

}  // namespace runner
