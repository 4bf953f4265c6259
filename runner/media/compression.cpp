#include "runner/media/compression.h"

#include <cctype>
#include <cstdlib>

#include "runner/media/path_util.h"

namespace runner {
namespace {

constexpr int32_t MAX_DWA_LEVEL = 1000000;

// A method, and the levels it takes (none when max_level is 0).
struct Method {
    const char* name;
    int32_t max_level;
};

constexpr int32_t EXR_DEFAULT_ZIP_LEVEL = 2;

const Method PNG_METHODS[] = {{"zip", 9}};
const Method TIFF_METHODS[] = {{"zip", 9}, {"lzw", 0}, {"none", 0}};
const Method EXR_METHODS[] = {{"piz", 0}, {"zip", 9}, {"zips", 9}, {"rle", 0}, {"dwaa", MAX_DWA_LEVEL}, {"none", 0}};

template <size_t N>
const Method* Find(const Method (&methods)[N], const std::string& name) {
    for (const Method& m : methods) {
        if (name == m.name) return &m;
    }
    return nullptr;
}

const char* Choices(ImageFileFormat format) {
    switch (format) {
    case IMAGE_FORMAT_PNG: return "zip or zip:N with N from 1 to 9";
    case IMAGE_FORMAT_TIFF: return "zip, zip:N with N from 1 to 9, lzw or none";
    default: return "zip, zip:N, zips, zips:N (N from 1 to 9), piz, rle, dwaa or dwaa:N, or none";
    }
}

}  // namespace

const char* const COMPRESSION_HELP =
    "Compression of image files, as oiiotool names it. .png: zip:N, the zlib level 1-9 (default zip:1 with "
    "the SUB row filter; levels 4-9 let libpng choose a filter per row). .tif: zip:N, lzw or none (default "
    "zip:1). .exr: zip:N (default zip:2, deflated by libdeflate; plain zip is OpenEXR's own), zips:N, piz, "
    "rle or none, all lossless, or dwaa:N, which is lossy (N the DWA level, 45 by default). A lossless setting changes only the file's size and the time to write "
    "it, never its pixels; lower levels write faster and larger files.";

ImageFileFormat ImageFormatOf(const std::string& file) {
    const std::string ext = LowerExtension(file);
    if (ext == ".png") return IMAGE_FORMAT_PNG;
    if (ext == ".tif" || ext == ".tiff") return IMAGE_FORMAT_TIFF;
    if (ext == ".exr") return IMAGE_FORMAT_EXR;
    return IMAGE_FORMAT_NONE;
}

Result<Compression> ParseCompression(const std::string& text, const std::string& file) {
    const ImageFileFormat format = ImageFormatOf(file);
    if (text.empty()) return Compression{};
    if (format == IMAGE_FORMAT_NONE) {
        return Error{"--compression " + text + ": applies to .png, .tif and .exr files, not to " + file};
    }
    const size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Method* method = format == IMAGE_FORMAT_PNG    ? Find(PNG_METHODS, name)
                           : format == IMAGE_FORMAT_TIFF ? Find(TIFF_METHODS, name)
                                                         : Find(EXR_METHODS, name);
    const std::string refusal = "--compression " + text + ": " + file + " takes " + Choices(format);
    if (method == nullptr) return Error{refusal};
    Compression chosen{name, 0};
    if (colon == std::string::npos) return chosen;
    const std::string digits = text.substr(colon + 1);
    bool all_digits = !digits.empty() && digits.size() <= 7;
    for (char c : digits) all_digits = all_digits && std::isdigit(static_cast<unsigned char>(c));
    if (method->max_level == 0 || !all_digits) return Error{refusal};
    chosen.level = static_cast<int32_t>(std::strtol(digits.c_str(), nullptr, 10));
    if (chosen.level < 1 || chosen.level > method->max_level) return Error{refusal};
    return chosen;
}

Compression ResolveCompression(const Compression& chosen, ImageFileFormat format) {
    // Deflate's fastest levels are the quickest lossless settings of all
    // three formats on the frames we write (see bench/README.md). EXR's
    // blocks are deflated by libdeflate, whose level 2 is faster than its
    // level 1 on frames of large empty areas, and smaller.
    if (!chosen.method.empty() || format == IMAGE_FORMAT_NONE) return chosen;
    return Compression{"zip", format == IMAGE_FORMAT_EXR ? EXR_DEFAULT_ZIP_LEVEL : 1};
}

std::string DescribeCompression(const Compression& compression) {
    if (compression.level == 0) return compression.method;
    return compression.method + ":" + std::to_string(compression.level);
}

}  // namespace runner
