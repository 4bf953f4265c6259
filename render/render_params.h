// The records handed from pre-render to render, and from the render driver
// to placement, drawing and compositing.
#ifndef FOLVEK_RENDER_PARAMS_H
#define FOLVEK_RENDER_PARAMS_H

#include "host/host_api.h"

// One frame's parameter values, in the units rendering works in: pixel sizes
// at the current resolution, percentages as fractions.
struct RenderParams {
    double downsample;
    int32_t mode;
    int32_t direction;
    PF_PathID path_id;
    double time;
    int32_t max_radius;
    double min_radius;
    int32_t edge_thickness;
    int32_t edge_mode;
    PF_Pixel edge_color;
    double edge_brightness;
    int32_t invert;
    int32_t seed;
    int32_t on_original;
};

enum Depth : uint8_t { DEPTH_8 = 0, DEPTH_16 = 1, DEPTH_FLOAT = 2 };

// One render call's view of its host records and images. Pixel (x, y) is
// element y * stride + x from the pixel address of the current depth.
struct RenderContext {
    PF_InData* in_data;
    PF_OutData* out_data;
    PF_EffectWorld* input;
    PF_EffectWorld* output;
    PF_Pixel* input_pixels8;
    PF_Pixel* output_pixels8;
    int32_t width;
    int32_t height;
    int32_t input_stride;
    int32_t output_stride;
    int32_t input_padding;
    int32_t output_padding;
    uint8_t depth;
    PF_Pixel16* input_pixels16;
    PF_PixelFloat* input_pixels_float;
    PF_Pixel16* output_pixels16;
    PF_PixelFloat* output_pixels_float;
};

// A pixel size at full resolution scaled to the current resolution; a
// positive size never scales to 0.
int32_t ScalePixelSize(int32_t value, double downsample);

// A percent slider's fixed-point value as a fraction: 50 % gives 0.5.
double PercentToFraction(PF_Fixed value);

// The host's rational downsample factor in double precision.
double DownsampleFactor(PF_RationalScale scale);

#endif
