#include "peers.h"

#include <cairo.h>

#include <cstring>

namespace bench {

MemoryFloor::MemoryFloor(size_t frame_bytes, size_t grid_bytes)
    : source_(frame_bytes, 1), target_(frame_bytes, 2), grid_(grid_bytes, 3) {}

void MemoryFloor::Run() {
    std::memcpy(target_.data(), source_.data(), source_.size());
    std::memset(grid_.data(), 0, grid_.size());
    // Keep the stores from being dropped.
    asm volatile("" : : "r"(target_.data()), "r"(grid_.data()) : "memory");
}

struct CairoPeer::Surface {
    cairo_surface_t* surface;
    cairo_t* cr;
};

CairoPeer::CairoPeer(int32_t width, int32_t height, std::vector<DrawnCircle> circles, int32_t edge_thickness)
    : surface_(new Surface), circles_(std::move(circles)), thickness_(edge_thickness) {
    surface_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    surface_->cr = cairo_create(surface_->surface);
    cairo_set_antialias(surface_->cr, CAIRO_ANTIALIAS_DEFAULT);
}

CairoPeer::~CairoPeer() {
    cairo_destroy(surface_->cr);
    cairo_surface_destroy(surface_->surface);
    delete surface_;
}

void CairoPeer::Reset() {
    cairo_surface_flush(surface_->surface);
    unsigned char* data = cairo_image_surface_get_data(surface_->surface);
    const int stride = cairo_image_surface_get_stride(surface_->surface);
    std::memset(data, 0, static_cast<size_t>(stride) * static_cast<size_t>(cairo_image_surface_get_height(surface_->surface)));
    cairo_surface_mark_dirty(surface_->surface);
}

const uint8_t* CairoPeer::Pixels(int32_t* stride) const {
    cairo_surface_flush(surface_->surface);
    *stride = cairo_image_surface_get_stride(surface_->surface);
    return cairo_image_surface_get_data(surface_->surface);
}

void CairoPeer::Draw() {
    cairo_t* cr = surface_->cr;
    const double TWO_PI = 6.283185307179586;
    const double t = thickness_;
    // The effect measures distance from pixel corners' integer coordinates,
    // cairo from pixel centres: shift by half a pixel. The effect's disc is
    // half covered at r - t/2 + 0.5 and its ring half covered from
    // r - t - 0.5 to r + 0.5, so the disc gets that radius and the ring is
    // stroked t + 1 wide about r - t/2: the same shapes at the same place.
    cairo_set_line_width(cr, t + 1.0);
    for (const DrawnCircle& c : circles_) {
        const double x = c.cx + 0.5, y = c.cy + 0.5;
        const double r = c.drawn_radius;
        const double disc = r - t * 0.5 + 0.5;
        if (disc > 0.0) {
            cairo_set_source_rgba(cr, c.fill.red / 255.0, c.fill.green / 255.0, c.fill.blue / 255.0,
                                  c.fill.alpha / 255.0);
            cairo_new_path(cr);
            cairo_arc(cr, x, y, disc, 0.0, TWO_PI);
            cairo_fill(cr);
        }
        cairo_set_source_rgba(cr, c.edge.red / 255.0, c.edge.green / 255.0, c.edge.blue / 255.0,
                              c.edge.alpha / 255.0);
        cairo_new_path(cr);
        cairo_arc(cr, x, y, r - t * 0.5 > 0.0 ? r - t * 0.5 : 0.0, 0.0, TWO_PI);
        cairo_stroke(cr);
    }
    cairo_surface_flush(surface_->surface);
}

}  // namespace bench
