// Placement's working memory: one 32-bit cell per input pixel, row-major,
// holding the mark of the latest circle that covered the pixel (0: none).
// The cells live in a host handle; this is only a view of its block.
#ifndef FOLVEK_OCCUPANCY_GRID_H
#define FOLVEK_OCCUPANCY_GRID_H

#include <stdint.h>

#include "host/host_api.h"

struct OccupancyGrid {
    int32_t* cells;
    int32_t width;
    int32_t height;
};

// The size in bytes of a width x height grid; false when either side is
// negative or the size does not fit the host's 32-bit allocation size, so
// a grid is never allocated shorter than its cells.
bool OccupancyGridBytes(int32_t width, int32_t height, uint32_t* bytes);

// A view of the handle's block as a width x height grid.
OccupancyGrid OccupancyGridView(PF_Handle handle, int32_t width, int32_t height);

void ClearOccupancyGrid(const OccupancyGrid& grid);

// The cell of (x, y), which must lie inside the grid.
inline int32_t GridCell(const OccupancyGrid& grid, int32_t x, int32_t y) {
    return grid.cells[static_cast<int64_t>(y) * grid.width + x];
}

// Writes `mark` into every cell of the scanned disc of radius radius + 2
// around (trunc(cx), trunc(cy)) that the circle's fill or ring covers,
// i.e. every cell closer than radius + 1 to the exact centre (cx, cy).
// Only cells inside the grid are visited, so a circle that is huge or lies
// mostly outside costs no more than the image. `host_sqrt` is the host's
// square root, so the marks match the host's arithmetic.
void MarkCircle(const OccupancyGrid& grid, double cx, double cy, int32_t radius, int32_t edge_thickness,
                int32_t mark, double (*host_sqrt)(double));

#endif
