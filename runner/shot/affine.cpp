#include "runner/shot/affine.h"

#include <cmath>
#include <string>
#include <vector>

#include "runner/shot/svg_scan.h"

namespace runner {
namespace {

constexpr double PI = 3.14159265358979323846;

bool IsSeparator(char ch) { return ch == ',' || IsSvgBlank(ch); }

double Radians(double degrees) { return degrees * PI / 180.0; }

// Messages quote a long list by its start only: one line, whatever its size.
constexpr size_t QUOTED_CHARACTERS = 60;

}  // namespace

Affine Compose(const Affine& m, const Affine& n) {
    return {m.a * n.a + m.c * n.b, m.b * n.a + m.d * n.b, m.a * n.c + m.c * n.d,
            m.b * n.c + m.d * n.d, m.a * n.e + m.c * n.f + m.e, m.b * n.e + m.d * n.f + m.f};
}

Result<Affine> ParseTransform(std::string_view text) {
    Affine total;
    size_t pos = 0;
    auto fail = [&](size_t at, const std::string& what) {
        const std::string quoted = text.size() <= QUOTED_CHARACTERS
                                       ? std::string(text)
                                       : std::string(text.substr(0, QUOTED_CHARACTERS)) + "...";
        return Error{"transform \"" + quoted + "\": at character " + std::to_string(at + 1) + ": " + what};
    };
    while (true) {
        while (pos < text.size() && IsSeparator(text[pos])) ++pos;
        if (pos >= text.size()) break;
        const size_t name_begin = pos;
        while (pos < text.size() && IsAsciiLetter(text[pos])) ++pos;
        const std::string name(text.substr(name_begin, pos - name_begin));
        pos = SkipSvgBlanks(text, pos);
        if (name.empty() || pos >= text.size() || text[pos] != '(') {
            return fail(name_begin, "expected a transform such as translate(...)");
        }
        ++pos;
        std::vector<double> args;
        while (true) {
            while (pos < text.size() && IsSeparator(text[pos])) ++pos;
            if (pos < text.size() && text[pos] == ')') {
                ++pos;
                break;
            }
            if (pos >= text.size()) return fail(pos, "missing ')'");
            const size_t number_begin = pos;
            double value = 0.0;
            if (!ScanSvgNumber(text, &pos, &value)) return fail(pos, "expected a number");
            if (!std::isfinite(value)) return fail(number_begin, "number out of range");
            args.push_back(value);
        }
        const size_t n = args.size();
        Affine step;
        if (name == "matrix" && n == 6) {
            step = {args[0], args[1], args[2], args[3], args[4], args[5]};
        } else if (name == "translate" && (n == 1 || n == 2)) {
            step.e = args[0];
            step.f = n == 2 ? args[1] : 0.0;
        } else if (name == "scale" && (n == 1 || n == 2)) {
            step.a = args[0];
            step.d = n == 2 ? args[1] : args[0];
        } else if (name == "rotate" && (n == 1 || n == 3)) {
            const double r = Radians(args[0]);
            Affine rot{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
            if (n == 3) {
                const Affine to{1, 0, 0, 1, args[1], args[2]};
                const Affine back{1, 0, 0, 1, -args[1], -args[2]};
                rot = Compose(to, Compose(rot, back));
            }
            step = rot;
        } else if (name == "skewX" && n == 1) {
            step.c = std::tan(Radians(args[0]));
        } else if (name == "skewY" && n == 1) {
            step.b = std::tan(Radians(args[0]));
        } else {
            return fail(name_begin, "unknown transform or wrong number of arguments: " + name + " with " +
                                        std::to_string(n));
        }
        total = Compose(total, step);
    }
    return total;
}

MaskPath Transformed(const MaskPath& path, const Affine& m) {
    MaskPath out = path;
    for (MaskVertex& v : out.vertices) {
        const MaskVertex o = v;
        v.x = m.a * o.x + m.c * o.y + m.e;
        v.y = m.b * o.x + m.d * o.y + m.f;
        v.in_x = m.a * o.in_x + m.c * o.in_y;
        v.in_y = m.b * o.in_x + m.d * o.in_y;
        v.out_x = m.a * o.out_x + m.c * o.out_y;
        v.out_y = m.b * o.out_x + m.d * o.out_y;
    }
    return out;
}

}  // namespace runner
