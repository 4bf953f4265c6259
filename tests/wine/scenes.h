// The fixed scenes that the Windows and the Linux builds both render, so
// that their frames can be compared bit for bit. One list, compiled into
// both renderers and into the comparison.
#ifndef FOLVEK_TESTS_WINE_SCENES_H
#define FOLVEK_TESTS_WINE_SCENES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "host/host_api.h"

namespace scenes {

enum MaskShape : int32_t {
    MASK_S_CURVE = 0,  // an open curve across the frame
    MASK_LOOP = 1,     // a closed loop, partly outside the frame
};

struct Scene {
    std::string name;  // unique, usable as a file name
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    int32_t width = 0;   // at full resolution
    int32_t height = 0;
    int32_t input_row_padding = 0;   // bytes after each input row
    int32_t output_row_padding = 0;  // bytes after each output row
    PF_RationalScale downsample{1, 1};  // both axes
    MaskShape mask = MASK_S_CURVE;

    // Parameter values in the host's user units.
    int32_t mode = 1;
    int32_t direction = 1;
    double time = 50.0;  // percent
    int32_t max_radius = 12;
    double min_radius = 30.0;  // percent of max_radius
    int32_t edge_thickness = 2;
    int32_t edge_mode = 1;
    double edge_brightness = 1.0;
    PF_Pixel edge_color{255, 255, 255, 255};
    int32_t invert = 0;
    int32_t seed = 0;
    int32_t on_original = 0;

    // Whether the effect must leave something other than the starting
    // picture: a path is chosen and Time lies strictly inside 0..100 %.
    bool expect_drawing = true;
};

const std::vector<Scene>& AllScenes();

// The scene's input layer size at its resolution.
int32_t ScaledSize(int32_t full, PF_RationalScale scale);

}  // namespace scenes

#endif
