// One rendered frame as a file: a small header, then the image's pixels
// row after row without row padding, in the host's channel order.
//
// Layout, little-endian: the 8 bytes "RSFRAME1", then 32-bit fields
// err, format, width, height, bytes_per_pixel, padding_intact, drew and
// pixel_bytes, then pixel_bytes bytes.
#ifndef FOLVEK_TESTS_WINE_FRAME_FILE_H
#define FOLVEK_TESTS_WINE_FRAME_FILE_H

#include <stdint.h>

#include <string>
#include <vector>

namespace scenes {

struct Frame {
    int32_t err = 0;             // the render's PF_Err
    int32_t format = 0;          // PF_PixelFormat of the output
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytes_per_pixel = 0;
    int32_t padding_intact = 0;  // 1: no byte after a row's image was written
    int32_t drew = 0;            // 1: the output differs from the starting picture
    std::vector<uint8_t> pixels;
};

constexpr size_t FRAME_HEADER_SIZE = 8 + 8 * 4;

// "DIR/NNN_name.frame" for scene `index`.
std::string FramePath(const std::string& dir, size_t index, const std::string& scene_name);

bool WriteFrame(const std::string& path, const Frame& frame, std::string* error);
bool ReadFrame(const std::string& path, Frame* frame, std::string* error);

}  // namespace scenes

#endif
