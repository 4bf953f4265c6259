#include "runner/shot/svg_path.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "runner/shot/arc_to_cubic.h"
#include "runner/shot/svg_scan.h"

namespace runner {
namespace {

std::string Describe(std::string_view data, size_t pos) {
    if (pos >= data.size()) {
        return "end of data";
    }
    return std::string("'") + data[pos] + "'";
}

Error Fail(size_t pos, const std::string& what) {
    return Error{"path data: at character " + std::to_string(pos + 1) + ": " + what};
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

// What the commands draw with, and what they leave for the next one.
struct Pen {
    PathBuilder path;
    Point current;
    Point last_control;       // of the last C, S, Q or T, for the next S or T to reflect
    char last_kind = 0;       // 'C' or 'Q' when the next S or T may reflect a handle
    bool have_point = false;  // a moveto has been read
};

constexpr size_t MAX_NUMBERS = 7;  // an arc's

// One command with its numbers read, coordinates made absolute.
struct Step {
    char letter;  // as written, for messages
    size_t pos;   // where the command, or its repeat, starts
    Point from;
    Point end;
    double v[MAX_NUMBERS];
    char kind = 0;  // what it leaves for the next S or T
};

Status CheckPoint(const Step& s, Point p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > MAX_COORDINATE ||
        std::fabs(p.y) > MAX_COORDINATE) {
        return Fail(s.pos, std::string("point of '") + s.letter + "' lies beyond the coordinate limit of 1e7");
    }
    return Success();
}

// The last control point mirrored about the current one when the command
// before was of `kind`; otherwise the current point itself.
Point Reflected(const Pen& pen, char kind, Point from) {
    if (pen.last_kind != kind) return from;
    return {2 * from.x - pen.last_control.x, 2 * from.y - pen.last_control.y};
}

Status MoveTo(Pen& pen, Step& s) {
    pen.path.MoveTo(s.end);
    pen.have_point = true;
    return Success();
}

Status LineTo(Pen& pen, Step& s) {
    pen.path.LineTo(s.from, s.end);
    return Success();
}

Status Cubic(Pen& pen, Step& s, Point c1, Point c2) {
    if (Status ok = CheckPoint(s, c1); !ok) return ok;
    if (Status ok = CheckPoint(s, c2); !ok) return ok;
    pen.path.CubicTo(c1, c2, s.end);
    pen.last_control = c2;
    s.kind = 'C';
    return Success();
}

Status CurveTo(Pen& pen, Step& s) { return Cubic(pen, s, {s.v[0], s.v[1]}, {s.v[2], s.v[3]}); }
Status SmoothCurveTo(Pen& pen, Step& s) { return Cubic(pen, s, Reflected(pen, 'C', s.from), {s.v[0], s.v[1]}); }

// The cubic with handles two thirds of the way to the quadratic's control
// point traces the same curve.
Status Quadratic(Pen& pen, Step& s, Point q) {
    if (Status ok = CheckPoint(s, q); !ok) return ok;
    const Point from = s.from, end = s.end;
    pen.path.CubicTo({from.x + 2.0 / 3.0 * (q.x - from.x), from.y + 2.0 / 3.0 * (q.y - from.y)},
                     {end.x + 2.0 / 3.0 * (q.x - end.x), end.y + 2.0 / 3.0 * (q.y - end.y)}, end);
    pen.last_control = q;
    s.kind = 'Q';
    return Success();
}

Status QuadTo(Pen& pen, Step& s) { return Quadratic(pen, s, {s.v[0], s.v[1]}); }
Status SmoothQuadTo(Pen& pen, Step& s) { return Quadratic(pen, s, Reflected(pen, 'Q', s.from)); }

Status ArcTo(Pen& pen, Step& s) {
    for (const CubicPiece& piece : ArcToCubics(s.from, s.v[0], s.v[1], s.v[2], s.v[3] != 0.0, s.v[4] != 0.0, s.end)) {
        if (Status ok = CheckPoint(s, piece.c1); !ok) return ok;
        if (Status ok = CheckPoint(s, piece.c2); !ok) return ok;
        pen.path.CubicTo(piece.c1, piece.c2, piece.end);
    }
    return Success();
}

// Z reads nothing; the current point it goes back to was checked when it
// was reached.
Status Close(Pen& pen, Step& s) {
    pen.path.Close();
    s.end = pen.path.Start();
    return Success();
}

struct CommandRule {
    char letter;          // the absolute form; its lower case is relative
    const char* numbers;  // what each number is: an x or y coordinate (made
                          // absolute in the relative form), 'n' any other
                          // finite number, 'f' an arc flag (0 or 1)
    char repeats_as;      // the command more numbers after its own make; 0: none may follow
    bool draws;           // draws from the current point: after Z, a new subpath starts there
    Status (*draw)(Pen&, Step&);
};

// The end point is the command's last x and last y (the current point's
// for the one it lacks).
constexpr CommandRule COMMANDS[] = {
    {'M', "xy", 'L', false, MoveTo},
    {'L', "xy", 'L', true, LineTo},
    {'H', "x", 'H', true, LineTo},
    {'V', "y", 'V', true, LineTo},
    {'C', "xyxyxy", 'C', true, CurveTo},
    {'S', "xyxy", 'S', true, SmoothCurveTo},
    {'Q', "xyxy", 'Q', true, QuadTo},
    {'T', "xy", 'T', true, SmoothQuadTo},
    // Radii and rotation are not coordinates: a radius far beyond the
    // limit still makes a (nearly straight) arc between two points within it.
    {'A', "nnnffxy", 'A', true, ArcTo},
    {'Z', "", 0, false, Close},
};

constexpr bool NumbersFitAStep() {
    for (const CommandRule& rule : COMMANDS) {
        if (std::string_view(rule.numbers).size() > MAX_NUMBERS) return false;
    }
    return true;
}
static_assert(NumbersFitAStep(), "a command takes more numbers than a Step holds");

const CommandRule* FindCommand(char upper) {
    for (const CommandRule& rule : COMMANDS) {
        if (rule.letter == upper) return &rule;
    }
    return nullptr;
}

class Parser {
public:
    explicit Parser(std::string_view data) : data_(data) {}

    Result<std::vector<MaskPath>> Run() {
        pos_ = SkipSvgBlanks(data_, 0);
        if (pos_ >= data_.size()) {
            return Fail(pos_, "empty path data");
        }
        const CommandRule* rule = nullptr;
        bool relative = false;
        while (true) {
            pos_ = SkipSvgBlanks(data_, pos_);
            if (pos_ >= data_.size()) {
                break;
            }
            const char c = data_[pos_];
            if (IsAsciiLetter(c)) {
                rule = FindCommand(ToAsciiUpper(c));
                if (rule == nullptr) {
                    return Fail(pos_, std::string("unknown command '") + c + "'");
                }
                relative = c != rule->letter;
                letter_ = c;
                command_pos_ = pos_++;
            } else if (rule == nullptr) {
                return Fail(pos_, "path data must start with a moveto (M or m), found " + Describe(data_, pos_));
            } else if (rule->repeats_as == 0) {
                return Fail(pos_, std::string("expected a command after '") + rule->letter + "', found " +
                                      Describe(data_, pos_));
            } else {
                // Repeated arguments without a new letter: the command again,
                // except that a moveto repeats as a lineto.
                rule = FindCommand(rule->repeats_as);
                command_pos_ = pos_;
            }
            if (rule->draws && !pen_.path.Open()) {
                if (!pen_.have_point) {
                    return Fail(command_pos_, "path data must start with a moveto (M or m)");
                }
                // A drawing command after Z starts a new subpath at the last start.
                pen_.path.MoveTo(pen_.current);
            }
            if (Status step = Execute(*rule, relative); !step) {
                return step.error();
            }
        }
        return pen_.path.Finish();
    }

private:
    void SkipSeparator() {
        pos_ = SkipSvgBlanks(data_, pos_);
        if (pos_ < data_.size() && data_[pos_] == ',') {
            pos_ = SkipSvgBlanks(data_, pos_ + 1);
        }
    }

    // A coordinate must lie within the coordinate limit; any other number
    // (an arc's radii and rotation) only has to be finite.
    Result<double> Number(bool coordinate) {
        const size_t begin = pos_ = SkipSvgBlanks(data_, pos_);
        size_t bare_exponent = std::string_view::npos;
        const size_t p = SvgNumberEnd(data_, begin, &bare_exponent);
        if (p == begin) {
            return Fail(begin, std::string("expected a number for '") + letter_ + "', found " + Describe(data_, begin));
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

    Result<double> Flag() {
        pos_ = SkipSvgBlanks(data_, pos_);
        if (pos_ < data_.size() && (data_[pos_] == '0' || data_[pos_] == '1')) {
            const double flag = data_[pos_] == '1' ? 1.0 : 0.0;
            ++pos_;
            SkipSeparator();
            return flag;
        }
        return Fail(pos_, "expected an arc flag (0 or 1), found " + Describe(data_, pos_));
    }

    // Reads the command's numbers (the first error wins), checks where it
    // ends and draws it.
    Status Execute(const CommandRule& rule, bool relative) {
        Step s{letter_, command_pos_, pen_.current, pen_.current, {}};
        const std::string_view numbers = rule.numbers;
        for (size_t i = 0; i < numbers.size(); ++i) {
            const char what = numbers[i];
            Result<double> v = what == 'f' ? Flag() : Number(what != 'n');
            if (!v) return v.error();
            s.v[i] = *v;
            if (what == 'x') s.end.x = s.v[i] = relative ? s.from.x + *v : *v;
            if (what == 'y') s.end.y = s.v[i] = relative ? s.from.y + *v : *v;
        }
        if (Status ok = CheckPoint(s, s.end); !ok) return ok;
        if (Status ok = rule.draw(pen_, s); !ok) return ok;
        pen_.current = s.end;
        pen_.last_kind = s.kind;
        return Success();
    }

    std::string_view data_;
    size_t pos_ = 0;
    size_t command_pos_ = 0;
    char letter_ = 0;
    Pen pen_;
};

}  // namespace

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
