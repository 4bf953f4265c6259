// How much memory a run will take, worked out from the frame size before
// anything frame-sized is allocated, and held against a limit the user can
// raise (--max-memory): a small file may declare a picture of gigabytes.
//
// The estimate counts whole frames: the picture of a still (once), per
// worker thread its input, its output and the effect's working copy (plus
// the full-size frame of a downsampled clip), the frames finished but not
// yet handed to the sink (two per worker, with a video's packed copy), and
// for a video source the frames the decoder holds. It leaves out what does
// not grow with the frame (libraries, the effect's tables).
#ifndef FOLVEK_CLI_MEMORY_BUDGET_H
#define FOLVEK_CLI_MEMORY_BUDGET_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner::cli {

// "8G", "512M", "1.5GiB", "300 MB", "2000000000": bytes; K, M, G and T
// count in 1024s, with or without "B" or "iB".
Result<int64_t> ParseMemorySize(const std::string& text);

// "6.0 GiB", "512.0 MiB", "900 bytes".
std::string DescribeBytes(int64_t bytes);

// Half of the machine's memory, and no more than the memory cap the
// process runs under (its cgroup's memory.max, its address-space limit).
int64_t DefaultMemoryLimit();

// --max-memory as given, or the default when empty.
Result<int64_t> MemoryLimit(const std::string& text);

struct FrameShape {
    int64_t full_width = 0;   // the source's frames
    int64_t full_height = 0;
    int64_t width = 0;        // the rendered frames
    int64_t height = 0;
    int32_t bits = 8;         // render depth
    bool still = false;       // one picture, read once and copied to every worker
    bool video_source = false;
    int32_t packed_bytes_per_pixel = 0;  // a video output's copy of each finished frame
};

// Bytes for `workers` threads rendering with two finished frames each in
// flight; `workers` 0 is a single render.
int64_t EstimateMemory(const FrameShape& shape, int32_t workers);

// The most workers (up to `wanted`) that fit within `limit`, or an error
// that says what the run needs and how to raise the limit; `fixed`: the
// count was given (--threads) and is not lowered.
Result<int32_t> WorkersWithin(const FrameShape& shape, int32_t wanted, bool fixed, int64_t limit,
                              const std::string& what);

}  // namespace runner::cli

#endif
