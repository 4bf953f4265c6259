#include "runner/shot/frame_rate.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <numeric>

namespace runner {
namespace {

constexpr int64_t INT32_LIMIT = std::numeric_limits<int32_t>::max();

Fraction Reduced(int64_t num, int64_t den) {
    const int64_t g = std::gcd(num, den);
    return g > 1 ? Fraction{num / g, den / g} : Fraction{num, den};
}

// Digits with at most one '.', or two such numbers around a '/': exact.
bool ReadFraction(const std::string& text, Fraction* out) {
    const size_t slash = text.find('/');
    if (slash != std::string::npos) {
        Fraction a, b;
        if (!ReadFraction(text.substr(0, slash), &a) || !ReadFraction(text.substr(slash + 1), &b) || b.num == 0) {
            return false;
        }
        if (a.num > INT32_LIMIT || b.num > INT32_LIMIT || a.den > INT32_LIMIT || b.den > INT32_LIMIT) return false;
        *out = Reduced(a.num * b.den, a.den * b.num);
        return true;
    }
    int64_t num = 0, den = 1;
    bool digits = false, dot = false;
    for (char c : text) {
        if (c == '.' && !dot) {
            dot = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            if (num > INT32_LIMIT || den > INT32_LIMIT) return false;
            num = num * 10 + (c - '0');
            if (dot) den *= 10;
            digits = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    *out = Reduced(num, den);
    return true;
}

}  // namespace

Result<Fraction> ParseFrameRate(const std::string& text, const std::string& what) {
    struct Named {
        const char* name;
        Fraction rate;
    };
    static const Named NAMED[] = {
        {"23.976", {24000, 1001}}, {"23.98", {24000, 1001}}, {"ntsc-film", {24000, 1001}},
        {"29.97", {30000, 1001}},  {"ntsc", {30000, 1001}},  {"47.952", {48000, 1001}},
        {"59.94", {60000, 1001}},  {"pal", {25, 1}},         {"film", {24, 1}},
    };
    for (const Named& n : NAMED) {
        if (text == n.name) return n.rate;
    }
    Fraction rate;
    if (!ReadFraction(text, &rate)) {
        return Error{what + " " + text + ": expected frames per second as a number (12.5) or a fraction (30000/1001)"};
    }
    // Between 0.01 and 1000 frames per second.
    if (rate.num * 100 < rate.den || rate.num > 1000 * rate.den) {
        return Error{what + " " + text + ": must be between 0.01 and 1000 frames per second"};
    }
    return rate;
}

Result<Fraction> ParseSeconds(const std::string& text, const std::string& what) {
    Fraction t;
    if (!ReadFraction(text, &t)) {
        return Error{what + " " + text + ": expected seconds as a number (1.5) or a fraction (1001/30000), 0 or more"};
    }
    return t;
}

std::string DescribeRate(const Fraction& rate) {
    if (rate.den == 1) return std::to_string(rate.num);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lld/%lld (%.6g)", static_cast<long long>(rate.num),
                  static_cast<long long>(rate.den), static_cast<double>(rate.num) / static_cast<double>(rate.den));
    return buf;
}

Result<Timing> MakeTiming(int32_t frames, const Fraction& rate) {
    if (frames < 1 || frames > 1000000) return Error{"--frames " + std::to_string(frames) + ": must be 1 to 1000000"};
    if (rate.num < 1 || rate.den < 1 || rate.num > INT32_LIMIT || rate.den > INT32_LIMIT ||
        (frames - 1) * rate.den > INT32_LIMIT) {
        return Error{"--fps " + DescribeRate(rate) + ": " + std::to_string(frames) +
                     " frames at this rate do not fit the host's frame times; use a simpler fraction"};
    }
    Timing t;
    t.frames = frames;
    t.time_step = static_cast<int32_t>(rate.den);
    t.time_scale = static_cast<uint32_t>(rate.num);
    return t;
}

Result<Timing> TimingAt(const Fraction& seconds) {
    if (seconds.num > INT32_LIMIT || seconds.den > INT32_LIMIT) {
        return Error{"--at: the time does not fit the host's frame times; use a simpler fraction"};
    }
    Timing t;
    t.frames = 1;
    t.start_time = static_cast<int32_t>(seconds.num);
    t.time_step = 1;
    t.time_scale = static_cast<uint32_t>(seconds.den);
    return t;
}

}  // namespace runner
