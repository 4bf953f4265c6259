#include "runner/core/large_memory.h"

#include <stdint.h>
#include <stdlib.h>

#ifndef _WIN32
#include <sys/mman.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FOLVEK_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FOLVEK_ADDRESS_SANITIZER 1
#endif

namespace runner {

#if defined(_WIN32) || defined(__EMSCRIPTEN__) || defined(FOLVEK_ADDRESS_SANITIZER)

// The Windows build serves tests only; WebAssembly cannot give back part of
// a mapping (the trimmed ends would leak with every frame); and under the
// address sanitizer a mapping of our own would hide overruns from it: the
// C library's allocator.
void* AllocateLarge(size_t bytes) { return calloc(1, bytes == 0 ? 1 : bytes); }
void FreeLarge(void* block, size_t) { free(block); }

#else

namespace {

constexpr size_t HUGE_PAGE = size_t{2} << 20;

size_t Mapped(size_t bytes) { return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE; }

}  // namespace

void* AllocateLarge(size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - 2 * HUGE_PAGE) return nullptr;
    const size_t size = Mapped(bytes);
    // Over-map by one huge page, then give back the ends so that the block
    // starts on a huge-page boundary.
    void* raw = mmap(nullptr, size + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    if (aligned > start) munmap(raw, aligned - start);
    const size_t tail = start + size + HUGE_PAGE - (aligned + size);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(block, size, MADV_HUGEPAGE);  // a hint: refused where huge pages are off
#endif
    return block;
}

void FreeLarge(void* block, size_t bytes) {
    if (block != nullptr) munmap(block, Mapped(bytes));
}

#endif

}  // namespace runner
