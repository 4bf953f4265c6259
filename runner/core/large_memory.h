// Frame-sized memory straight from the system: zero-filled, aligned to 2 MiB
// and advised for transparent huge pages where the system allows, so that
// touching a fresh frame costs one page fault per 2 MiB instead of one per
// 4 KiB. Smaller blocks are better served by the C library's allocator.
#ifndef FOLVEK_RUNNER_CORE_LARGE_MEMORY_H
#define FOLVEK_RUNNER_CORE_LARGE_MEMORY_H

#include <stddef.h>

namespace runner {

// Blocks at least this big are worth a mapping of their own.
constexpr size_t LARGE_BLOCK_BYTES = size_t{1} << 20;

// Null when the memory cannot be had. Every byte is zero.
void* AllocateLarge(size_t bytes);
// `bytes` as it was asked of AllocateLarge. Null is ignored.
void FreeLarge(void* block, size_t bytes);

}  // namespace runner

#endif
