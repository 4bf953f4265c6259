// OpenEXR files of four float channels with ZIP compression, written by us:
// one scanline part, blocks of 16 rows, each block's bytes reordered,
// delta-coded and deflated into a zlib stream, exactly as OpenEXR lays
// them out, but deflated by libdeflate, which at the same level is several
// times faster than zlib. Every OpenEXR reader reads the files.
#ifndef FOLVEK_RUNNER_MEDIA_EXR_ZIP_H
#define FOLVEK_RUNNER_MEDIA_EXR_ZIP_H

#include <stdint.h>

#include <functional>
#include <string>

#include "runner/core/error.h"

namespace runner {

// Rows per compressed block of a ZIP file.
constexpr int32_t EXR_ZIP_BLOCK_ROWS = 16;

// Fills row y (0 at the top) with `width` pixels of R, G, B, A floats.
using ExrRowSource = std::function<void(int32_t y, float* rgba)>;

// Writes `file` (width and height at least 1; level 1..12, as libdeflate's,
// which matches zlib's for 1..9). The error says what failed, without the
// file's name.
Status WriteExrZip(const std::string& file, int32_t width, int32_t height, int32_t level, const ExrRowSource& rows);

}  // namespace runner

#endif
