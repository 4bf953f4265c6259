// Image files in and out through OpenImageIO, and the conversion between a
// file's samples and the host's three pixel depths.
//
// Samples stay straight (unassociated) colour wherever the format allows:
// inputs are opened with oiio:UnassociatedAlpha = 1 and outputs are tagged
// the same way, and colour under zero alpha is kept as the file holds it.
// OpenEXR is the exception: its convention is premultiplied colour, so EXR
// inputs are divided by alpha on reading (where alpha is not 0) and EXR
// outputs are multiplied by alpha on writing. Colour conventions (sRGB or
// linear) are described in colour.h.
//
// Pixels go between file and world a band of rows at a time, through one
// small buffer per thread that is kept from frame to frame.
#ifndef FOLVEK_RUNNER_MEDIA_IMAGE_IO_H
#define FOLVEK_RUNNER_MEDIA_IMAGE_IO_H

#include <stdint.h>

#include <string>

#include "runner/shot/colour.h"
#include "runner/media/compression.h"
#include "runner/core/error.h"
#include "runner/core/world.h"

namespace runner {


// What a file's header says.
struct ImageInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = DEPTH_BITS_8;  // 8, 16, or 32 for anything else (read as float)
    bool exr = false;             // an OpenEXR file: premultiplied, scene-linear
};

// The effect addresses an image of width * height * 4 bytes with 32-bit
// unsigned sizes and each dimension as a 32-bit signed integer.
Status CheckAddressable(int64_t width, int64_t height, const std::string& what);

// Reads `file` into `world`, which must have the file's size and may have
// any depth and row padding: the frames of a clip can go into the same world
// one after another. Before any pixel is read, the file is checked (exists,
// readable, a sound PNG, addressable). Grey files are spread to R, G, B; files without alpha get
// opaque. Samples become the world's depth by
//   8-bit file c  -> 16: round(c * 32768 / 255), float: c / 255
//   16-bit file f -> 16: round(f * 32768 / 65535), 8: round(f * 255 / 65535), float: f / 65535
//   float file v  -> float as is; 8 and 16 bits from v clamped to 0..1 (NaN as 0)
// and an EXR's linear colour is encoded to sRGB first for an 8- or 16-bit
// world, unless `raw_colour`.
Status ReadImageInto(const std::string& file, bool raw_colour, World* world);

// The header of `file`, checked as ReadImageInto checks it.
Result<ImageInfo> ReadImageInfo(const std::string& file);

// A new world of `bits` (0: the file's own depth) holding `file`; `info`,
// when given, receives the file's header.
Result<World> ReadWorld(const std::string& file, int32_t bits, bool raw_colour, ImageInfo* info = nullptr);

// Fails unless the extension is one we write and the folder exists and
// takes new files. Checked before any rendering starts.
Status CheckOutputFile(const std::string& file);

struct WriteOptions {
    Compression compression;                      // no method: the format's default
    RenderValues values = RenderValues::ENCODED;  // what the world's numbers stand for
    bool raw_colour = false;                      // no conversion, no colour tags
};

// Writes through a temporary file in the same folder, renamed at the end, so
// that the file under its name is always whole and a failure leaves no
// partial output; every write and the close are checked, and a failure
// names the file and its cause ("No space left on device"). .png: 8-bit for 8-bit worlds,
// else 16-bit (host v -> round(v * 65535 / 32768); float clamped to 0..1),
// tagged sRGB; .tif/.tiff: the world's depth, float as 32-bit float samples
// exactly as rendered; .exr: float, scene-linear, premultiplied.
Status WriteImage(const World& world, const std::string& file, const WriteOptions& options = WriteOptions{});

// OpenImageIO's last error as one line, or `fallback` when it has none.
std::string OiioError(const std::string& fallback);

}  // namespace runner

#endif
