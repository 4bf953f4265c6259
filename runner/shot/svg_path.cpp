#include "runner/shot/svg_path.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "runner/shot/arc_to_cubic.h"

namespace runner {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Describe(std::string_view data, size_t pos) {
    if (pos >= data.size()) {
        return "end of data";
    }
    return std::string("'") + data[pos] + "'";
}

// Builds the subpaths vertex by vertex while the parser walks the commands.
class PathBuilder {
public:
    void MoveTo(Point p) {
        Flush();
        current_.vertices.push_back({p.x, p.y, 0, 0, 0, 0});
        start_ = p;
        open_ = true;
    }

    void CubicTo(Point c1, Point c2, Point end) {
        MaskVertex& last = current_.vertices.back();
        last.out_x = c1.x - last.x;
        last.out_y = c1.y - last.y;
        current_.vertices.push_back({end.x, end.y, c2.x - end.x, c2.y - end.y, 0, 0});
    }

    void LineTo(Point from, Point to) {
        const double dx = to.x - from.x;
        const double dy = to.y - from.y;
        CubicTo({from.x + dx / 3.0, from.y + dy / 3.0}, {from.x + 2.0 * dx / 3.0, from.y + 2.0 * dy / 3.0},
                to);
    }

    // Closes the subpath; a last vertex that sits on the first is merged
    // into it so the closing segment is not a zero-length one.
    void Close() {
        if (!open_) {
            return;
        }
        std::vector<MaskVertex>& v = current_.vertices;
        if (v.size() > 1 && v.back().x == v.front().x && v.back().y == v.front().y) {
            v.front().in_x = v.back().in_x;
            v.front().in_y = v.back().in_y;
            v.pop_back();
        } else if (v.size() > 1) {
            const double dx = v.front().x - v.back().x;
            const double dy = v.front().y - v.back().y;
            v.back().out_x = dx / 3.0;
            v.back().out_y = dy / 3.0;
            v.front().in_x = -dx / 3.0;
            v.front().in_y = -dy / 3.0;
        }
        current_.closed = true;
        Flush();
    }

    bool Open() const { return open_; }
    Point Start() const { return start_; }

    std::vector<MaskPath> Finish() {
        Flush();
        return std::move(paths_);
    }

private:
    void Flush() {
        if (open_) {
            paths_.push_back(std::move(current_));
            current_ = MaskPath{};
            open_ = false;
        }
    }

    std::vector<MaskPath> paths_;
    MaskPath current_;
    Point start_;
    bool open_ = false;
};

class Parser {
public:
    explicit Parser(std::string_view data) : data_(data) {}

    Result<std::vector<MaskPath>> Run() {
        SkipSpace();
        if (pos_ >= data_.size()) {
            return Fail(pos_, "empty path data");
        }
        char command = 0;
        while (true) {
            SkipSpace();
            if (pos_ >= data_.size()) {
                break;
            }
            const char c = data_[pos_];
            if (std::isalpha(static_cast<unsigned char>(c))) {
                if (std::string_view("MmLlHhVvCcSsQqTtAaZz").find(c) == std::string_view::npos) {
                    return Fail(pos_, std::string("unknown command '") + c + "'");
                }
                command = c;
                letter_ = c;
                command_pos_ = pos_;
                ++pos_;
            } else if (command == 0) {
                return Fail(pos_, "path data must start with a moveto (M or m), found " + Describe(data_, pos_));
            } else if (command == 'Z' || command == 'z') {
                return Fail(pos_, "expected a command after 'Z', found " + Describe(data_, pos_));
            } else {
                // Repeated arguments without a new letter: same command again,
                // except that a moveto repeats as a lineto.
                if (command == 'M') command = 'L';
                if (command == 'm') command = 'l';
                command_pos_ = pos_;
            }
            if (!builder_.Open() && command != 'M' && command != 'm' && command != 'Z' && command != 'z') {
                if (!have_point_) {
                    return Fail(command_pos_, "path data must start with a moveto (M or m)");
                }
                // A drawing command after Z starts a new subpath at the last start.
                builder_.MoveTo(current_);
            }
            Status step = Execute(command);
            if (!step) {
                return step.error();
            }
        }
        return builder_.Finish();
    }

private:
    Error Fail(size_t pos, const std::string& what) const {
        return Error{"path data: at character " + std::to_string(pos + 1) + ": " + what};
    }

    void SkipSpace() {
        while (pos_ < data_.size() && IsSpace(data_[pos_])) ++pos_;
    }

    void SkipSeparator() {
        SkipSpace();
        if (pos_ < data_.size() && data_[pos_] == ',') {
            ++pos_;
            SkipSpace();
        }
    }

    // A coordinate must lie within the coordinate limit; any other number
    // (an arc's radii and rotation) only has to be finite.
    Result<double> Number(bool coordinate = true) {
        SkipSpace();
        const size_t begin = pos_;
        size_t bare_exponent = std::string_view::npos;
        const size_t p = SvgNumberEnd(data_, begin, &bare_exponent);
        if (p == begin) {
            return Fail(begin, std::string("expected a number for '") + command_letter() + "', found " +
                                   Describe(data_, begin));
        }
        if (bare_exponent != std::string_view::npos) {
            return Fail(bare_exponent, "malformed exponent, found " + Describe(data_, bare_exponent));
        }
        const std::string text(data_.substr(begin, p - begin));
        const double value = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(value) || (coordinate && std::fabs(value) > MAX_COORDINATE)) {
            const std::string limit = coordinate ? "limit " + std::to_string(static_cast<int64_t>(MAX_COORDINATE))
                                                 : std::string("not a finite number");
            return Fail(begin, "number " + text + " is out of range (" + limit + ")");
        }
        pos_ = p;
        SkipSeparator();
        return value;
    }

    Result<bool> Flag() {
        SkipSpace();
        if (pos_ < data_.size() && (data_[pos_] == '0' || data_[pos_] == '1')) {
            const bool flag = data_[pos_] == '1';
            ++pos_;
            SkipSeparator();
            return flag;
        }
        return Fail(pos_, "expected an arc flag (0 or 1), found " + Describe(data_, pos_));
    }

    char command_letter() const { return letter_; }

    // Reads n numbers into out; the first error wins.
    Status Numbers(double* out, int n, bool coordinates = true) {
        for (int i = 0; i < n; ++i) {
            Result<double> v = Number(coordinates);
            if (!v) return v.error();
            out[i] = *v;
        }
        return Success();
    }

    Status CheckPoint(Point p) const {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > MAX_COORDINATE ||
            std::fabs(p.y) > MAX_COORDINATE) {
            return Fail(command_pos_, std::string("point of '") + command_letter() + "' lies beyond " +
                                          "the coordinate limit of 1e7");
        }
        return Success();
    }

    Point Resolve(bool relative, double x, double y) const {
        return relative ? Point{current_.x + x, current_.y + y} : Point{x, y};
    }

    Status Execute(char command) {
        const bool relative = std::islower(static_cast<unsigned char>(command)) != 0;
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(command)));
        double a[7] = {};
        Point end;
        switch (upper) {
        case 'Z': {
            builder_.Close();
            current_ = builder_.Start();
            last_kind_ = 0;
            return Success();
        }
        case 'M':
        case 'L':
        case 'T': {
            if (Status s = Numbers(a, 2); !s) return s;
            end = Resolve(relative, a[0], a[1]);
            break;
        }
        case 'H': {
            if (Status s = Numbers(a, 1); !s) return s;
            end = {relative ? current_.x + a[0] : a[0], current_.y};
            break;
        }
        case 'V': {
            if (Status s = Numbers(a, 1); !s) return s;
            end = {current_.x, relative ? current_.y + a[0] : a[0]};
            break;
        }
        case 'C': {
            if (Status s = Numbers(a, 6); !s) return s;
            end = Resolve(relative, a[4], a[5]);
            break;
        }
        case 'S':
        case 'Q': {
            if (Status s = Numbers(a, 4); !s) return s;
            end = Resolve(relative, a[2], a[3]);
            break;
        }
        case 'A': {
            // Radii and rotation are not coordinates: a radius far beyond the
            // limit still makes a (nearly straight) arc between two points
            // within it.
            if (Status s = Numbers(a, 3, false); !s) return s;
            Result<bool> large = Flag();
            if (!large) return large.error();
            Result<bool> sweep = Flag();
            if (!sweep) return sweep.error();
            a[3] = *large ? 1.0 : 0.0;
            a[4] = *sweep ? 1.0 : 0.0;
            if (Status s = Numbers(a + 5, 2); !s) return s;
            end = Resolve(relative, a[5], a[6]);
            break;
        }
        default:
            return Fail(command_pos_, std::string("unknown command '") + command + "'");
        }
        if (Status s = CheckPoint(end); !s) return s;

        const Point from = current_;
        char kind = 0;  // 'C' or 'Q' when the next S or T may reflect a handle
        switch (upper) {
        case 'M':
            builder_.MoveTo(end);
            have_point_ = true;
            break;
        case 'L':
        case 'H':
        case 'V':
            builder_.LineTo(from, end);
            break;
        case 'C': {
            const Point c1 = Resolve(relative, a[0], a[1]);
            const Point c2 = Resolve(relative, a[2], a[3]);
            if (Status s = CheckPoint(c1); !s) return s;
            if (Status s = CheckPoint(c2); !s) return s;
            builder_.CubicTo(c1, c2, end);
            last_control_ = c2;
            kind = 'C';
            break;
        }
        case 'S': {
            const Point c1 = last_kind_ == 'C' ? Point{2 * from.x - last_control_.x, 2 * from.y - last_control_.y}
                                               : from;
            const Point c2 = Resolve(relative, a[0], a[1]);
            if (Status s = CheckPoint(c1); !s) return s;
            if (Status s = CheckPoint(c2); !s) return s;
            builder_.CubicTo(c1, c2, end);
            last_control_ = c2;
            kind = 'C';
            break;
        }
        case 'Q':
        case 'T': {
            Point q;
            if (upper == 'Q') {
                q = Resolve(relative, a[0], a[1]);
            } else {
                q = last_kind_ == 'Q' ? Point{2 * from.x - last_control_.x, 2 * from.y - last_control_.y} : from;
            }
            if (Status s = CheckPoint(q); !s) return s;
            // The cubic with handles two thirds of the way to the quadratic's
            // control point traces the same curve.
            builder_.CubicTo({from.x + 2.0 / 3.0 * (q.x - from.x), from.y + 2.0 / 3.0 * (q.y - from.y)},
                             {end.x + 2.0 / 3.0 * (q.x - end.x), end.y + 2.0 / 3.0 * (q.y - end.y)}, end);
            last_control_ = q;
            kind = 'Q';
            break;
        }
        case 'A': {
            for (const CubicPiece& piece : ArcToCubics(from, a[0], a[1], a[2], a[3] != 0.0, a[4] != 0.0, end)) {
                if (Status s = CheckPoint(piece.c1); !s) return s;
                if (Status s = CheckPoint(piece.c2); !s) return s;
                builder_.CubicTo(piece.c1, piece.c2, piece.end);
            }
            break;
        }
        default:
            break;
        }
        current_ = end;
        last_kind_ = kind;
        return Success();
    }

    std::string_view data_;
    size_t pos_ = 0;
    size_t command_pos_ = 0;
    PathBuilder builder_;
    Point current_;
    Point last_control_;
    char last_kind_ = 0;
    char letter_ = 0;
    bool have_point_ = false;
};

}  // namespace

size_t SvgNumberEnd(std::string_view text, size_t pos, size_t* bare_exponent) {
    *bare_exponent = std::string_view::npos;
    size_t p = pos;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    bool digits = false;
    while (p < text.size() && IsDigit(text[p])) { ++p; digits = true; }
    if (p < text.size() && text[p] == '.') {
        ++p;
        while (p < text.size() && IsDigit(text[p])) { ++p; digits = true; }
    }
    if (!digits) return pos;
    if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        size_t q = p + 1;
        if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
        if (q < text.size() && IsDigit(text[q])) {
            while (q < text.size() && IsDigit(text[q])) ++q;
            p = q;
        } else {
            *bare_exponent = q;
        }
    }
    return p;
}

Result<std::vector<MaskPath>> ParsePathData(std::string_view data) {
    return Parser(data).Run();
}

namespace {

bool Sane(double v) { return std::isfinite(v) && std::fabs(v) <= MAX_COORDINATE; }

}  // namespace

Status CheckMask(const MaskPath& path, const std::string& what) {
    for (size_t i = 0; i < path.vertices.size(); ++i) {
        const MaskVertex& v = path.vertices[i];
        const double points[][2] = {{v.x, v.y}, {v.x + v.in_x, v.y + v.in_y}, {v.x + v.out_x, v.y + v.out_y}};
        const char* names[] = {"", " (in tangent)", " (out tangent)"};
        for (int k = 0; k < 3; ++k) {
            if (!Sane(points[k][0]) || !Sane(points[k][1]) || !std::isfinite(v.in_x) || !std::isfinite(v.in_y) ||
                !std::isfinite(v.out_x) || !std::isfinite(v.out_y)) {
                return Error{what + ": vertex " + std::to_string(i) + names[k] +
                             " is not a finite coordinate within +-1e7"};
            }
        }
    }
    return Success();
}

}  // namespace runner
