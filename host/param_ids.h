// Parameter indices and popup values. A parameter's index in the parameter
// array is also its identifier with the host.
#ifndef FOLVEK_PARAM_IDS_H
#define FOLVEK_PARAM_IDS_H

#include <stdint.h>

enum ParamIndex : int32_t {
    PARAM_INPUT = 0,
    PARAM_PATH,
    PARAM_MODE,
    PARAM_DIRECTION,
    PARAM_TIME,
    PARAM_MAX_RADIUS,
    PARAM_MIN_RADIUS,
    PARAM_EDGE_THICKNESS,
    PARAM_EDGE_MODE,
    PARAM_EDGE_BRIGHTNESS,
    PARAM_EDGE_COLOR,
    PARAM_INVERT,
    PARAM_SEED,
    PARAM_ON_ORIGINAL,
    PARAM_COUNT
};

constexpr int32_t MODE_CONTINUOUS = 1;
constexpr int32_t MODE_DISCRETE_1 = 2;
constexpr int32_t MODE_DISCRETE_2 = 3;

constexpr int32_t DIRECTION_PATH = 1;
constexpr int32_t DIRECTION_NORMAL = 2;

constexpr int32_t EDGE_MODE_BRIGHTNESS = 1;
constexpr int32_t EDGE_MODE_COLOR = 2;

#endif
