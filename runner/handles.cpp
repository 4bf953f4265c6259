// Host memory handles. Each block carries its size in front of it, as a
// host's allocator would, and the handle is the address of the block pointer.
#include "runner/handles.h"

#include <stdlib.h>
#include <string.h>

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

}  // namespace

HandleTable::HandleTable() = default;

HandleTable::~HandleTable() {
    for (auto& entry : records_) free(entry.second->allocation);
}

PF_Handle HandleTable::New(uint32_t size) {
    ++allocations_;
    std::unique_ptr<Record> record(new (std::nothrow) Record);
    if (!record) return nullptr;
    void* allocation = calloc(1, PREFIX_BYTES + static_cast<size_t>(size));
    if (allocation == nullptr) return nullptr;
    memcpy(allocation, &size, sizeof size);
    record->allocation = allocation;
    record->block = static_cast<uint8_t*>(allocation) + PREFIX_BYTES;
    record->size = size;
    PF_Handle handle = &record->block;
    try {
        records_.emplace(handle, std::move(record));
    } catch (...) {
        free(allocation);
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

void HandleTable::Dispose(PF_Handle handle) {
    auto it = records_.find(handle);
    if (it == records_.end()) {
        ++bad_disposals_;
        return;
    }
    free(it->second->allocation);
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
