#include "runner/shot/frame_rate.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace runner {
namespace {

constexpr int64_t INT32_LIMIT = std::numeric_limits<int32_t>::max();

Fraction Reduced(int64_t num, int64_t den) {
    const int64_t g = std::gcd(num, den);
    return g > 1 ? Fraction{num / g, den / g} : Fraction{num, den};
}

// How a text reads as an exact fraction whose numerator and denominator
// both fit the host's 32-bit frame times: it fits, it is no number, it is
// beyond INT32_LIMIT, or it needs a finer fraction than those.
enum class Reading { FITS, MALFORMED, TOO_LARGE, TOO_FINE };

// 10^k for 0 <= k <= 18.
int64_t PowerOfTen(int64_t k) {
    int64_t p = 1;
    while (k-- > 0) p *= 10;
    return p;
}

// Digits with at most one '.' and an optional exponent (1.5, 2e3, 15e-1):
// the decimal's exact value, reduced, and roughly in `*approx`.
Reading ReadDecimal(const std::string& text, Fraction* out, double* approx) {
    std::string digits;  // significant digits, without leading zeros
    int64_t exponent = 0;
    bool any = false, dot = false;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !dot) {
            dot = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            any = true;
            if (!(digits.empty() && c == '0')) digits += c;
            if (dot) --exponent;
        } else {
            break;
        }
    }
    if (!any) return Reading::MALFORMED;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return Reading::MALFORMED;
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        int64_t e = 0;
        bool exponent_digits = false;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            e = std::min<int64_t>(e * 10 + (text[i] - '0'), 1000000);  // far beyond either limit
            exponent_digits = true;
        }
        if (!exponent_digits || i != text.size()) return Reading::MALFORMED;
        exponent += negative ? -e : e;
    }
    *approx = std::strtod(text.c_str(), nullptr);
    if (digits.empty()) {
        *out = Fraction{0, 1};
        return Reading::FITS;
    }
    if (*approx > static_cast<double>(INT32_LIMIT)) return Reading::TOO_LARGE;
    while (digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    // Below the limit, so exponent <= 9; more than 18 digits or 18
    // decimals is finer than any denominator within the limit.
    if (digits.size() > 18 || exponent < -18) return Reading::TOO_FINE;
    const int64_t mantissa = std::stoll(digits);
    const Fraction f = exponent >= 0 ? Fraction{mantissa * PowerOfTen(exponent), 1}
                                     : Reduced(mantissa, PowerOfTen(-exponent));
    if (f.num > INT32_LIMIT) return Reading::TOO_LARGE;
    if (f.den > INT32_LIMIT) return Reading::TOO_FINE;
    *out = f;
    return Reading::FITS;
}

// A decimal, or two around one '/': exact.
Reading ReadFraction(const std::string& text, Fraction* out) {
    const size_t slash = text.find('/');
    double approx = 0.0;
    if (slash == std::string::npos) return ReadDecimal(text, out, &approx);
    if (text.find('/', slash + 1) != std::string::npos) return Reading::MALFORMED;
    Fraction a, b;
    double approx_b = 0.0;
    const Reading ra = ReadDecimal(text.substr(0, slash), &a, &approx);
    const Reading rb = ReadDecimal(text.substr(slash + 1), &b, &approx_b);
    if (ra == Reading::MALFORMED || rb == Reading::MALFORMED || approx_b == 0.0) return Reading::MALFORMED;
    if (approx / approx_b > static_cast<double>(INT32_LIMIT)) return Reading::TOO_LARGE;
    if (ra != Reading::FITS || rb != Reading::FITS) return Reading::TOO_FINE;
    const Fraction f = Reduced(a.num * b.den, a.den * b.num);
    if (f.num > INT32_LIMIT) return Reading::TOO_LARGE;
    if (f.den > INT32_LIMIT) return Reading::TOO_FINE;
    *out = f;
    return Reading::FITS;
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
    const Reading reading = ReadFraction(text, &rate);
    if (reading == Reading::MALFORMED) {
        return Error{what + " " + text + ": expected frames per second as a number (12.5) or a fraction (30000/1001)"};
    }
    // Between 0.01 and 1000 frames per second.
    if (reading != Reading::FITS || rate.num * 100 < rate.den || rate.num > 1000 * rate.den) {
        return Error{what + " " + text + ": must be between 0.01 and 1000 frames per second"};
    }
    return rate;
}

Result<Fraction> ParseSeconds(const std::string& text, const std::string& what) {
    Fraction t;
    switch (ReadFraction(text, &t)) {
    case Reading::FITS: return t;
    case Reading::TOO_LARGE:
        return Error{what + " " + text + ": out of range; seconds go from 0 to " + std::to_string(INT32_LIMIT)};
    case Reading::TOO_FINE:
        return Error{what + " " + text + ": does not fit the host's frame times (numerator and denominator up to " +
                     std::to_string(INT32_LIMIT) + "); use a simpler fraction"};
    case Reading::MALFORMED: break;
    }
    return Error{what + " " + text + ": expected seconds as a number (1.5) or a fraction (1001/30000), 0 or more"};
}

std::string DescribeRate(const Fraction& rate) {
    if (rate.den == 1) return std::to_string(rate.num);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lld/%lld (%.6g)", static_cast<long long>(rate.num),
                  static_cast<long long>(rate.den), static_cast<double>(rate.num) / static_cast<double>(rate.den));
    return buf;
}

double FrameSeconds(int64_t frame, const Fraction& rate) {
    return static_cast<double>(frame * rate.den) / static_cast<double>(rate.num);
}

Result<Timing> MakeTiming(int32_t frames, const Fraction& rate) {
    if (frames < 1 || frames > 1000000) return Error{std::to_string(frames) + " frames: must be 1 to 1000000"};
    if (rate.num < 1 || rate.den < 1 || rate.num > INT32_LIMIT || rate.den > INT32_LIMIT ||
        (frames - 1) * rate.den > INT32_LIMIT) {
        return Error{std::to_string(frames) + " frames at " + DescribeRate(rate) +
                     " fps do not fit the host's frame times; use a simpler fraction"};
    }
    Timing t;
    t.frames = frames;
    t.time_step = static_cast<int32_t>(rate.den);
    t.time_scale = static_cast<uint32_t>(rate.num);
    return t;
}

Result<Timing> TimingAt(const Fraction& seconds) {
    if (seconds.num < 0 || seconds.den < 1 || seconds.num > INT32_LIMIT || seconds.den > INT32_LIMIT) {
        return Error{"the time does not fit the host's frame times; use a simpler fraction"};
    }
    Timing t;
    t.frames = 1;
    t.start_time = static_cast<int32_t>(seconds.num);
    t.time_step = 1;
    t.time_scale = static_cast<uint32_t>(seconds.den);
    return t;
}

}  // namespace runner
