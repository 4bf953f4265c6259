// Circle placement: walks the chosen mask path one unit of arc length at a
// time and starts a circle wherever the path, inside the image, leaves the
// latest circle.
#ifndef FOLVEK_PLACEMENT_H
#define FOLVEK_PLACEMENT_H

#include <stdint.h>

#include "host/host_api.h"
#include "render/circle_list.h"
#include "render/render_params.h"

struct PathSuites {
    const PF_PathQuerySuite1* query;
    const PF_PathDataSuite1* data;
};

// The sampling hint passed when a segment is prepared.
constexpr int32_t PATH_SAMPLING_FREQUENCY = 100;

// A segment is walked for at most this many units of arc length. An
// infinite, NaN-free but enormous, or otherwise absurd length would
// otherwise never end the walk (past 2^53 the step of 1.0 stops advancing).
constexpr double MAX_SEGMENT_WALK = 16777216.0;  // 2^24

// The whole path is walked for at most this many points, every segment
// counting as at least one, so that a host reporting enormous lengths or
// thousands of millions of segments cannot keep a render going for minutes.
// One segment walked up to MAX_SEGMENT_WALK (t = 0 .. 2^24) fits exactly.
constexpr int64_t MAX_PATH_WALK = 16777217;  // 2^24 + 1

// The radius for the generator's draw u: between trunc((max_radius - 2) *
// min_radius) + 2 and max_radius - 1 (max_radius itself when min_radius is
// 1). Values outside the 32-bit range saturate; NaN counts as 0.
int32_t CircleRadius(double u, int32_t max_radius, double min_radius);

// The pixel of a path point, truncated toward zero; false when the point
// lies outside the width x height image or is not finite (an image with no
// pixels has none for any point).
bool PathPointPixel(double x, double y, int32_t width, int32_t height, int32_t* px, int32_t* py);

// Walks the path and fills `result`; *grid receives the occupancy grid's host handle (null if none was allocated) — the caller disposes of it with in_data->utils->host_dispose_handle.
PF_Err PlaceCircles(const RenderParams& params, PF_InData* in_data, PF_OutData* out_data, const PathSuites& suites,
                    int32_t width, int32_t height, PlacementResult* result, PF_Handle* grid);

#endif
