// Changes one channel of one pixel of a frame file by one unit in its
// lowest byte, for the test that frame_compare notices a difference.
//
//     frame_alter FRAME X Y
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "frame_file.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: frame_alter FRAME X Y\n");
        return 2;
    }
    scenes::Frame frame;
    std::string error;
    if (!scenes::ReadFrame(argv[1], &frame, &error)) {
        fprintf(stderr, "frame_alter: %s\n", error.c_str());
        return 1;
    }
    const long x = strtol(argv[2], nullptr, 10), y = strtol(argv[3], nullptr, 10);
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) {
        fprintf(stderr, "frame_alter: (%ld, %ld) is outside the frame\n", x, y);
        return 1;
    }
    // The red channel follows alpha.
    const size_t bpp = static_cast<size_t>(frame.bytes_per_pixel);
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(frame.width) +
                       static_cast<size_t>(x)) * bpp + bpp / 4;
    frame.pixels[at] ^= 1;
    if (!scenes::WriteFrame(argv[1], frame, &error)) {
        fprintf(stderr, "frame_alter: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
