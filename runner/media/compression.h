// How image files are compressed: the --compression text in oiiotool's form
// ("zip:1", "piz", "dwaa:45", "none"), checked against the output's format,
// and the defaults, chosen for speed among the lossless settings.
#ifndef FOLVEK_RUNNER_MEDIA_COMPRESSION_H
#define FOLVEK_RUNNER_MEDIA_COMPRESSION_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner {

enum ImageFileFormat : int32_t { IMAGE_FORMAT_NONE, IMAGE_FORMAT_PNG, IMAGE_FORMAT_TIFF, IMAGE_FORMAT_EXR };

// By extension: .png, .tif/.tiff, .exr; NONE for anything else.
ImageFileFormat ImageFormatOf(const std::string& file);

struct Compression {
    std::string method;  // "zip", "zips", "lzw", "piz", "rle", "dwaa", "none"; empty: the format's default
    int32_t level = 0;   // zip/zips: zlib level 1..9; dwaa: DWA level; 0: the library's own default
};

// The --compression help text: every method for every format.
extern const char* const COMPRESSION_HELP;

// An empty text is the format's default. The error names the text and what
// the file's format takes instead.
Result<Compression> ParseCompression(const std::string& text, const std::string& file);

// What a file of `format` is written with: `chosen`, or the format's
// default when `chosen` names no method.
Compression ResolveCompression(const Compression& chosen, ImageFileFormat format);

// "zip:1", "piz", ...
std::string DescribeCompression(const Compression& compression);

}  // namespace runner

#endif
