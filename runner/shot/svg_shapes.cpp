#include "runner/shot/svg_shapes.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdio>

namespace runner {
namespace {

// Reads the shape's length attributes; the first error is kept and the
// remaining reads give 0.
class Lengths {
public:
    Lengths(const tinyxml2::XMLElement& e, const Box& viewport) : e_(e), viewport_(viewport) {}

    // The attribute's value, `fallback` when it is absent or "auto".
    double Get(const char* name, Axis axis, double fallback = 0.0) {
        const char* text = e_.Attribute(name);
        if (text == nullptr || std::string_view(text) == "auto" || !error_.empty()) return fallback;
        Result<double> v = ParseLength(text, axis, viewport_);
        if (!v) {
            error_ = std::string(name) + "=" + v.error().message;
            return fallback;
        }
        return *v;
    }
    bool Has(const char* name) const {
        const char* text = e_.Attribute(name);
        return text != nullptr && std::string_view(text) != "auto";
    }
    const std::string& Failure() const { return error_; }

private:
    const tinyxml2::XMLElement& e_;
    const Box& viewport_;
    std::string error_;
};

// Commands and numbers as path data; numbers keep every bit of their double.
class PathText {
public:
    PathText& Command(char c) {
        text_ += c;
        return *this;
    }
    PathText& Num(double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, " %.17g", v);
        text_ += buffer;
        return *this;
    }
    PathText& Arc(double rx, double ry, double x, double y) {
        return Command('A').Num(rx).Num(ry).Num(0).Num(0).Num(1).Num(x).Num(y);
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// Four quarter arcs clockwise from the rightmost point (SVG's equivalent
// path of a circle and an ellipse).
std::string EllipseData(double cx, double cy, double rx, double ry) {
    PathText d;
    d.Command('M').Num(cx + rx).Num(cy);
    d.Arc(rx, ry, cx, cy + ry).Arc(rx, ry, cx - rx, cy).Arc(rx, ry, cx, cy - ry).Arc(rx, ry, cx + rx, cy);
    return d.Command('Z').Take();
}

// Clockwise from the top edge's left end; corners rounded by (rx, ry),
// each at most half the side. Straight pieces of no length are left out.
std::string RectData(double x, double y, double w, double h, double rx, double ry) {
    PathText d;
    if (rx <= 0.0 || ry <= 0.0) {
        d.Command('M').Num(x).Num(y).Command('H').Num(x + w).Command('V').Num(y + h).Command('H').Num(x);
        return d.Command('Z').Take();
    }
    rx = std::min(rx, w / 2.0);
    ry = std::min(ry, h / 2.0);
    const bool long_x = w > 2.0 * rx, long_y = h > 2.0 * ry;
    d.Command('M').Num(x + rx).Num(y);
    if (long_x) d.Command('H').Num(x + w - rx);
    d.Arc(rx, ry, x + w, y + ry);
    if (long_y) d.Command('V').Num(y + h - ry);
    d.Arc(rx, ry, x + w - rx, y + h);
    if (long_x) d.Command('H').Num(x + rx);
    d.Arc(rx, ry, x, y + h - ry);
    if (long_y) d.Command('V').Num(y + ry);
    d.Arc(rx, ry, x + rx, y);
    return d.Command('Z').Take();
}

Result<std::string> PointsData(const tinyxml2::XMLElement& e, bool closed) {
    const char* text = e.Attribute("points");
    Result<std::vector<double>> n = ParseNumberList(text == nullptr ? "" : text);
    if (!n) return Error{"points: " + n.error().message};
    if (n->size() % 2 != 0) return Error{"points: an odd number of coordinates (" + std::to_string(n->size()) + ")"};
    if (n->size() < 4) return std::string();
    PathText d;
    d.Command('M').Num((*n)[0]).Num((*n)[1]);
    for (size_t i = 2; i < n->size(); i += 2) d.Command('L').Num((*n)[i]).Num((*n)[i + 1]);
    if (closed) d.Command('Z');
    return d.Take();
}

}  // namespace

bool IsBasicShape(std::string_view name) {
    return name == "rect" || name == "circle" || name == "ellipse" || name == "line" || name == "polyline" ||
           name == "polygon";
}

Result<std::string> ShapePathData(const tinyxml2::XMLElement& shape, std::string_view name, const Box& viewport) {
    if (name == "polyline" || name == "polygon") return PointsData(shape, name == "polygon");
    Lengths l(shape, viewport);
    std::string d;
    if (name == "rect") {
        const double x = l.Get("x", Axis::X), y = l.Get("y", Axis::Y);
        const double w = l.Get("width", Axis::X), h = l.Get("height", Axis::Y);
        // A corner radius left out (or "auto") takes the other one's value.
        double rx = l.Get("rx", Axis::X), ry = l.Get("ry", Axis::Y);
        if (!l.Has("rx")) rx = ry;
        if (!l.Has("ry")) ry = rx;
        if (rx < 0.0 || ry < 0.0) return Error{"rx and ry must not be negative"};
        if (w > 0.0 && h > 0.0) d = RectData(x, y, w, h, rx, ry);
    } else if (name == "circle") {
        const double cx = l.Get("cx", Axis::X), cy = l.Get("cy", Axis::Y), r = l.Get("r", Axis::DIAGONAL);
        if (r > 0.0) d = EllipseData(cx, cy, r, r);
    } else if (name == "ellipse") {
        double rx = l.Get("rx", Axis::X), ry = l.Get("ry", Axis::Y);
        if (!l.Has("rx")) rx = ry;
        if (!l.Has("ry")) ry = rx;
        if (rx > 0.0 && ry > 0.0) d = EllipseData(l.Get("cx", Axis::X), l.Get("cy", Axis::Y), rx, ry);
    } else if (name == "line") {
        PathText t;
        t.Command('M').Num(l.Get("x1", Axis::X)).Num(l.Get("y1", Axis::Y));
        t.Command('L').Num(l.Get("x2", Axis::X)).Num(l.Get("y2", Axis::Y));
        d = t.Take();
    }
    if (!l.Failure().empty()) return Error{l.Failure()};
    return d;
}

}  // namespace runner
