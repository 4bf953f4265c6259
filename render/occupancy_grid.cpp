#include "render/occupancy_grid.h"

#include <algorithm>
#include <cmath>

#include "render/circle_rows.h"
#include "render/coverage.h"

bool OccupancyGridBytes(int32_t width, int32_t height, uint32_t* bytes) {
    if (width < 0 || height < 0) return false;
    const uint64_t size = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
    if (size > UINT32_MAX) return false;
    *bytes = static_cast<uint32_t>(size);
    return true;
}

OccupancyGrid OccupancyGridView(PF_Handle handle, int32_t width, int32_t height) {
    int32_t* cells = handle != nullptr ? static_cast<int32_t*>(*handle) : nullptr;
    return OccupancyGrid{cells, width, height};
}

void ClearOccupancyGrid(const OccupancyGrid& grid) {
    if (grid.cells == nullptr) return;
    std::fill_n(grid.cells, static_cast<int64_t>(grid.width) * grid.height, 0);
}

namespace {

// Whether either coverage reaches a cell at distance d.
bool Covered(double d, int32_t radius, int32_t edge_thickness) {
    return FillCoverage(d, radius, edge_thickness) != 0.0 || EdgeCoverage(d, radius, edge_thickness) != 0.0;
}

// Cell by cell over the scan disc: for circles beyond the span limits.
void MarkCirclePlain(const OccupancyGrid& grid, double cx, double cy, int32_t radius, int32_t edge_thickness,
                     int32_t mark, double (*host_sqrt)(double)) {
    const int64_t ci_x = static_cast<int64_t>(cx);
    const int64_t ci_y = static_cast<int64_t>(cy);
    const int64_t reach = static_cast<int64_t>(radius) + 2;
    // Offsets reach about 2^31; their squares are summed unsigned so that
    // two of them cannot overflow.
    const uint64_t reach_sq = static_cast<uint64_t>(reach * reach);
    // The scan from -reach to reach, clipped to the image: the cells left
    // out are exactly the ones outside it.
    const int64_t j_lo = std::max(-reach, -ci_y), j_hi = std::min(reach, grid.height - 1 - ci_y);
    const int64_t i_lo = std::max(-reach, -ci_x), i_hi = std::min(reach, grid.width - 1 - ci_x);
    for (int64_t j = j_lo; j <= j_hi; ++j) {
        const int64_t y = ci_y + j;
        const double ry = static_cast<double>(y) - cy;
        int32_t* row = grid.cells + y * grid.width;
        for (int64_t i = i_lo; i <= i_hi; ++i) {
            if (static_cast<uint64_t>(i * i) + static_cast<uint64_t>(j * j) > reach_sq) continue;
            const int64_t x = ci_x + i;
            const double rx = static_cast<double>(x) - cx;
            if (Covered(host_sqrt(rx * rx + ry * ry), radius, edge_thickness)) row[x] = mark;
        }
    }
}

}  // namespace

void MarkCircle(const OccupancyGrid& grid, double cx, double cy, int32_t radius, int32_t edge_thickness,
                int32_t mark, double (*host_sqrt)(double)) {
    // Placement keeps centres within a few 2^31 of the image; anything else
    // (not finite) marks nothing rather than reach an integer conversion.
    const double limit = 4611686018427387904.0;  // 2^62
    if (!(cx > -limit && cx < limit && cy > -limit && cy < limit)) return;
    if (radius < 0 || radius > SPAN_RADIUS_LIMIT || edge_thickness < 0 || edge_thickness > SPAN_RADIUS_LIMIT ||
        !(std::fabs(cx) < SPAN_CENTRE_LIMIT) || !(std::fabs(cy) < SPAN_CENTRE_LIMIT)) {
        MarkCirclePlain(grid, cx, cy, radius, edge_thickness, mark, host_sqrt);
        return;
    }
    // Row by row. With t >= 0 the coverages reach exactly the cells closer
    // than radius + 1 (the disc's fade overlaps the ring's inner fade), and
    // a cell with q >= (radius + 1)^2 has d >= radius + 1. Coverage only
    // falls as q grows, so the covered cells of a row are one run inside the
    // run q < (radius + 1)^2: only the ends of that run can fall short, where
    // the host's sqrt rounds up to radius + 1, and only they are tested.
    const int64_t ci_x = static_cast<int64_t>(cx);
    const int64_t ci_y = static_cast<int64_t>(cy);
    const int64_t reach = static_cast<int64_t>(radius) + 2;
    const double outer = static_cast<double>(radius) + 1.0;
    const double outer_squared = outer * outer;
    const int64_t j_lo = std::max(-reach, -ci_y), j_hi = std::min(reach, grid.height - 1 - ci_y);
    for (int64_t j = j_lo; j <= j_hi; ++j) {
        const int64_t y = ci_y + j;
        const double ry = static_cast<double>(y) - cy;
        const double ry_squared = ry * ry;
        const int64_t half_width = IntegerSqrt(reach * reach - j * j);
        const int64_t lo = std::max<int64_t>(ci_x - half_width, 0);
        const int64_t hi = std::min<int64_t>(ci_x + half_width, grid.width - 1);
        ColumnSpan run = ThresholdSpan(cx, ry_squared, outer_squared, false, lo, hi);
        while (run.first <= run.last &&
               !Covered(host_sqrt(SquaredDistance(run.first, cx, ry_squared)), radius, edge_thickness)) {
            ++run.first;
        }
        while (run.last >= run.first &&
               !Covered(host_sqrt(SquaredDistance(run.last, cx, ry_squared)), radius, edge_thickness)) {
            --run.last;
        }
        if (run.first > run.last) continue;
        int32_t* row = grid.cells + y * grid.width;
        std::fill(row + run.first, row + run.last + 1, mark);
    }
}
