#include "cli/process_memory.h"

#include <malloc.h>

namespace runner::cli {
namespace {

// Blocks below this come from the heaps and are reused there; the default
// (128 KiB, rising to at most 32 MiB) hands the line and strip buffers of
// the image writers back to the system after every file.
constexpr int MMAP_THRESHOLD_BYTES = 64 << 20;
// Free memory at the top of a heap is kept up to this much.
constexpr int TRIM_THRESHOLD_BYTES = 512 << 20;

}  // namespace

void KeepFreedMemoryForReuse() {
    mallopt(M_MMAP_THRESHOLD, MMAP_THRESHOLD_BYTES);
    mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD_BYTES);
}

}  // namespace runner::cli
