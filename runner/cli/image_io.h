// Image files in and out through OpenImageIO, and the conversion between a
// file's samples and the host's three pixel depths.
//
// Samples stay straight (unassociated) colour wherever the format allows:
// inputs are opened with oiio:UnassociatedAlpha = 1 and outputs are tagged
// the same way. OpenEXR is the exception: its convention is premultiplied
// colour, so EXR inputs are divided by alpha on reading and EXR outputs are
// multiplied by alpha on writing.
#ifndef FOLVEK_RUNNER_CLI_IMAGE_IO_H
#define FOLVEK_RUNNER_CLI_IMAGE_IO_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/result.h"
#include "runner/world.h"

namespace runner::cli {

constexpr int32_t DEPTH_BITS_8 = 8;
constexpr int32_t DEPTH_BITS_16 = 16;
constexpr int32_t DEPTH_BITS_FLOAT = 32;

// A file's pixels as R, G, B, A per pixel, row by row, in the file's own
// sample type: 8-bit and 16-bit files keep their integers, anything else is
// float. Grey files are spread to R, G, B; files without alpha get opaque.
struct FileImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = DEPTH_BITS_8;  // 8, 16, or 32 for float
    std::vector<uint8_t> u8;
    std::vector<uint16_t> u16;
    std::vector<float> f32;
};

// The effect addresses an image of width * height * 4 bytes with 32-bit
// unsigned sizes and each dimension as a 32-bit signed integer.
Status CheckAddressable(int64_t width, int64_t height, const std::string& what);

Result<FileImage> ReadImage(const std::string& file);

// Into a host world of `bits` depth:
//   8-bit file c  -> 16: round(c * 32768 / 255), float: c / 255
//   16-bit file f -> 16: round(f * 32768 / 65535), 8: round(f * 255 / 65535), float: f / 65535
//   float file v  -> float as is; 8 and 16 bits from v clamped to 0..1 (NaN as 0)
Result<World> ToWorld(const FileImage& image, int32_t bits);

// The host format for a depth in bits.
PF_PixelFormat FormatForBits(int32_t bits);
int32_t BitsOfFormat(PF_PixelFormat format);

// Fails unless the extension is one we write and the folder exists and
// takes new files. Checked before any rendering starts.
Status CheckOutputFile(const std::string& file);

// Writes through a temporary file in the same folder, renamed at the end, so
// that a failure leaves no partial output. .png: 8-bit for 8-bit worlds,
// else 16-bit (host v -> round(v * 65535 / 32768); float clamped to 0..1);
// .tif/.tiff: the world's depth, float as 32-bit float samples; .exr: float.
Status WriteImage(const World& world, const std::string& file);

}  // namespace runner::cli

#endif
