// The C library's allocator, tuned for a process that makes the same
// frame-sized allocations frame after frame (inside the image libraries as
// well as ours): freed memory is kept for the next frame rather than given
// back to the system, whose fresh pages cost a fault each.
#ifndef FOLVEK_CLI_PROCESS_MEMORY_H
#define FOLVEK_CLI_PROCESS_MEMORY_H

namespace runner::cli {

// Call once at the start of main, before any thread starts.
void KeepFreedMemoryForReuse();

}  // namespace runner::cli

#endif
