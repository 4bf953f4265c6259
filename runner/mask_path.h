// A mask path as the host keeps it: vertices with in and out tangents, open
// or closed, each segment a cubic Bezier. This is the host side of the path
// suites; the effect only ever sees it through those suites.
#ifndef FOLVEK_RUNNER_MASK_PATH_H
#define FOLVEK_RUNNER_MASK_PATH_H

#include <vector>

namespace runner {

struct MaskVertex {
    double x = 0.0, y = 0.0;          // the vertex, in layer pixels
    double in_x = 0.0, in_y = 0.0;    // in tangent, relative to the vertex
    double out_x = 0.0, out_y = 0.0;  // out tangent, relative to the vertex
};

// Segment i runs from vertex i to vertex i + 1 (to vertex 0 after the last
// one when the path is closed), with control points vertex i + its out
// tangent and vertex i + 1 + its in tangent.
struct MaskPath {
    std::vector<MaskVertex> vertices;
    bool closed = false;
};

}  // namespace runner

#endif
