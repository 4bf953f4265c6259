#include "runner/shot/svg_units.h"

#include <cmath>
#include <string>

#include "runner/shot/svg_scan.h"

namespace runner {
namespace {

struct Unit {
    const char* name;
    double pixels;
};

constexpr Unit UNITS[] = {{"", 1.0},           {"px", 1.0},          {"in", 96.0}, {"cm", 96.0 / 2.54},
                          {"mm", 96.0 / 25.4}, {"pt", 96.0 / 72.0}, {"pc", 16.0}};

}  // namespace

bool IsPercentage(std::string_view text) {
    text = TrimSvgBlanks(text);
    return !text.empty() && text.back() == '%';
}

Result<double> ParseLength(std::string_view text, Axis axis, const Box& viewport) {
    const std::string_view t = TrimSvgBlanks(text);
    size_t pos = 0;
    double value = 0.0;
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (!ScanSvgNumber(t, &pos, &value)) return Error{quoted + " is not a length"};
    if (!std::isfinite(value)) return Error{quoted + " is out of range"};
    const std::string_view unit = t.substr(pos);
    if (unit == "%") {
        const double reference = axis == Axis::X   ? viewport.width
                                 : axis == Axis::Y ? viewport.height
                                                   : std::sqrt((viewport.width * viewport.width +
                                                                viewport.height * viewport.height) / 2.0);
        return value / 100.0 * reference;
    }
    for (const Unit& u : UNITS) {
        if (EqualsIgnoringCase(unit, u.name)) return value * u.pixels;
    }
    return Error{quoted + ": unknown unit \"" + std::string(unit) + "\" (use px, pt, pc, mm, cm, in or %)"};
}

Result<std::vector<double>> ParseNumberList(std::string_view text) {
    std::vector<double> out;
    size_t pos = SkipSvgBlanks(text, 0);
    while (pos < text.size()) {
        double value = 0.0;
        const size_t begin = pos;
        if (!ScanSvgNumber(text, &pos, &value)) {
            return Error{"expected a number at character " + std::to_string(begin + 1) + " of \"" +
                         std::string(text) + "\""};
        }
        if (!std::isfinite(value)) {
            return Error{"number " + std::string(text.substr(begin, pos - begin)) + " is out of range"};
        }
        out.push_back(value);
        pos = SkipSvgBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
            pos = SkipSvgBlanks(text, pos + 1);
            if (pos >= text.size()) return Error{"\"" + std::string(text) + "\" ends with a comma"};
        }
    }
    return out;
}

Result<Box> ParseViewBox(std::string_view text) {
    Result<std::vector<double>> n = ParseNumberList(text);
    const std::string quoted = "viewBox=\"" + std::string(text) + "\"";
    if (!n) return Error{quoted + ": " + n.error().message};
    if (n->size() != 4) return Error{quoted + ": expected four numbers: min-x min-y width height"};
    const Box box{(*n)[0], (*n)[1], (*n)[2], (*n)[3]};
    if (!(box.width > 0.0) || !(box.height > 0.0)) return Error{quoted + ": width and height must be positive"};
    return box;
}

Result<AspectRatio> ParseAspectRatio(std::string_view text) {
    AspectRatio out;
    std::vector<std::string_view> words;
    for (size_t pos = 0; pos < text.size();) {
        pos = SkipSvgBlanks(text, pos);
        const size_t begin = pos;
        while (pos < text.size() && !IsSvgBlank(text[pos])) ++pos;
        if (pos > begin) words.push_back(text.substr(begin, pos - begin));
    }
    size_t i = 0;
    if (i < words.size() && words[i] == "defer") ++i;
    const std::string bad = "preserveAspectRatio=\"" + std::string(text) +
                            "\": expected none or xMinYMin ... xMaxYMax, then meet or slice";
    if (i < words.size()) {
        const std::string_view align = words[i++];
        if (align == "none") {
            out.none = true;
        } else {
            auto position = [](std::string_view part, double* where) {
                if (part == "Min") *where = 0.0;
                else if (part == "Mid") *where = 0.5;
                else if (part == "Max") *where = 1.0;
                else return false;
                return true;
            };
            if (align.size() != 8 || align[0] != 'x' || align[4] != 'Y' ||
                !position(align.substr(1, 3), &out.align_x) || !position(align.substr(5, 3), &out.align_y)) {
                return Error{bad};
            }
        }
    } else if (!words.empty()) {
        return Error{bad};
    }
    if (i < words.size()) {
        if (words[i] == "slice") out.slice = true;
        else if (words[i] != "meet") return Error{bad};
        ++i;
    }
    if (i < words.size()) return Error{bad};
    return out;
}

Affine FitBox(const Box& box, const Box& viewport, const AspectRatio& aspect) {
    double sx = viewport.width / box.width;
    double sy = viewport.height / box.height;
    double tx = viewport.x, ty = viewport.y;
    if (!aspect.none) {
        const double s = aspect.slice ? std::fmax(sx, sy) : std::fmin(sx, sy);
        sx = sy = s;
        tx += aspect.align_x * (viewport.width - box.width * s);
        ty += aspect.align_y * (viewport.height - box.height * s);
    }
    return Affine{sx, 0, 0, sy, tx - box.x * sx, ty - box.y * sy};
}

}  // namespace runner
