// What the numbers of a render stand for, and the sRGB transfer function
// between display-encoded values and scene-linear light.
//
// Integer image files (PNG, 8/16-bit TIFF) hold sRGB-encoded values by
// convention, OpenEXR files scene-linear ones. Each file is written in its
// format's convention from what the render holds:
//   ENCODED: sRGB-encoded values, from an integer file or of any 8/16-bit
//            render. EXR: decoded to linear. PNG, TIFF: as they are.
//   LINEAR:  scene-linear values, from an EXR rendered in float. PNG:
//            encoded to sRGB. EXR, float TIFF: as they are.
//   AS_IS:   other float files (float TIFF) rendered in float, whose
//            convention nothing records: written unchanged everywhere.
// An EXR read into an 8- or 16-bit render is encoded to sRGB on reading.
// With --raw-colour nothing is converted and no file is tagged.
#ifndef FOLVEK_RUNNER_SHOT_COLOUR_H
#define FOLVEK_RUNNER_SHOT_COLOUR_H

#include <stdint.h>

namespace runner {

enum class RenderValues : int32_t { ENCODED, LINEAR, AS_IS };

// The values of a render at `bits` (8, 16, 32) from a file of `file_bits`
// that is (or is not) an EXR file.
RenderValues ValuesOfRender(int32_t file_bits, bool exr_file, int32_t bits);

// The sRGB transfer function and its inverse, for any finite value (the
// linear piece extends below 0, the power piece above 1); NaN stays NaN.
double SrgbToLinear(double encoded);
double LinearToSrgb(double linear);

// SrgbToLinear(c / 255) for every 8-bit value c, and of v / 32768 for every
// 16-bit host value v (0..32768).
const double* SrgbToLinearTable8();
const double* SrgbToLinearTable16();

}  // namespace runner

#endif
