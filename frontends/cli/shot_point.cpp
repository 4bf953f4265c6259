#include "cli/shot_point.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace runner::cli {
namespace {

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// Ten million seconds (16 weeks): further than any shot, near enough for exact products.
constexpr int64_t LONGEST = 10000000;

}  // namespace

std::string Length(int32_t frames, const Fraction& rate) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g s", FrameSeconds(frames, rate));
    return buf;
}

Result<ShotPoint> ParseShotPoint(const std::string& text, const std::string& what) {
    const std::string bad = what + " " + text + ": expected seconds (1.5, 1001/30000 or [HH:]MM:SS.ss) or a frame "
                                                "number with an f (36f)";
    ShotPoint p;
    if (!text.empty() && (text.back() == 'f' || text.back() == 'F')) {
        const std::string digits = text.substr(0, text.size() - 1);
        if (!AllDigits(digits)) return Error{bad};
        p.is_frame = true;
        p.frame = std::stoll(digits);
        return p;
    }
    // ffmpeg's [HH:]MM:SS[.fraction]: whole hours and minutes, then seconds.
    int64_t whole = 0;
    std::string rest = text;
    for (int fields = 0; rest.find(':') != std::string::npos; ++fields) {
        const size_t colon = rest.find(':');
        if (fields == 2 || !AllDigits(rest.substr(0, colon))) return Error{bad};
        whole = whole * 60 + std::stoll(rest.substr(0, colon));
        if (whole > LONGEST) return Error{bad};
        rest = rest.substr(colon + 1);
    }
    Result<Fraction> s = ParseSeconds(rest, what);
    if (!s || (rest != text && (rest.find('/') != std::string::npos || s->num >= 60 * s->den))) return Error{bad};
    if (s->num / s->den + whole * 60 > LONGEST) return Error{what + " " + text + ": further than any shot"};
    p.seconds = Fraction{s->num + whole * 60 * s->den, s->den};
    return p;
}

Result<std::optional<Fraction>> ParseFps(const std::string& text) {
    if (text.empty()) return std::optional<Fraction>();
    Result<Fraction> rate = ParseFrameRate(text, "--fps");
    if (!rate) return rate.error();
    return std::optional<Fraction>(*rate);
}

int64_t FrameAt(const ShotPoint& point, const Fraction& rate, bool after) {
    if (point.is_frame) return point.frame;
    // seconds x rate = (n x rate.num) / (d x rate.den), exact (all positive).
    const __int128 num = static_cast<__int128>(point.seconds.num) * rate.num;
    const __int128 den = static_cast<__int128>(point.seconds.den) * rate.den;
    return static_cast<int64_t>(after ? (num + den - 1) / den : num / den);
}

Result<FrameRange> ParseRange(const std::string& text, int32_t frames) {
    const std::string bad = "--range " + text + ": ";
    const size_t dash = text.find('-', 1);
    char* end = nullptr;
    FrameRange r;
    if (dash == std::string::npos || dash == 0) return Error{bad + "expected A-B, first and last frame counted from 0"};
    const std::string a = text.substr(0, dash), b = text.substr(dash + 1);
    if (!AllDigits(a) || !AllDigits(b)) return Error{bad + "expected A-B, first and last frame counted from 0"};
    r.first = static_cast<int32_t>(std::strtol(a.c_str(), &end, 10));
    r.last = static_cast<int32_t>(std::strtol(b.c_str(), &end, 10));
    if (r.first > r.last) return Error{bad + "the first frame comes after the last"};
    if (r.last >= frames) {
        return Error{bad + "the animation has frames 0 to " + std::to_string(frames - 1)};
    }
    return r;
}

Result<FrameRange> TrimRange(const std::string& in, const std::string& out, const Fraction& rate, int32_t frames) {
    FrameRange r{0, frames - 1};
    if (!in.empty()) {
        Result<ShotPoint> p = ParseShotPoint(in, "--in");
        if (!p) return p.error();
        const int64_t first = FrameAt(*p, rate);
        if (first >= frames) {
            return Error{"--in " + in + ": past the end of the shot (" + std::to_string(frames) + " frames, " +
                         Length(frames, rate) + ")"};
        }
        r.first = static_cast<int32_t>(first);
    }
    if (!out.empty()) {
        Result<ShotPoint> p = ParseShotPoint(out, "--out");
        if (!p) return p.error();
        const int64_t end = FrameAt(*p, rate, true);
        if (end > frames) {
            return Error{"--out " + out + ": past the end of the shot (" + std::to_string(frames) + " frames, " +
                         Length(frames, rate) + ")"};
        }
        if (end <= r.first) return Error{"--out " + out + ": comes before --in or on the same frame"};
        r.last = static_cast<int32_t>(end - 1);
    }
    return r;
}

}  // namespace runner::cli
