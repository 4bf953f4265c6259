#include "runner/shot/svg_scan.h"

#include <cstdlib>
#include <string>

namespace runner {

size_t SkipSvgBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && IsSvgBlank(text[pos])) ++pos;
    return pos;
}

std::string_view TrimSvgBlanks(std::string_view text) {
    while (!text.empty() && IsSvgBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSvgBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (ToAsciiLower(a[i]) != ToAsciiLower(b[i])) return false;
    }
    return true;
}

size_t SvgNumberEnd(std::string_view text, size_t pos, size_t* bare_exponent) {
    *bare_exponent = std::string_view::npos;
    auto digits_from = [&](size_t p) {
        while (p < text.size() && IsAsciiDigit(text[p])) ++p;
        return p;
    };
    size_t p = pos;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    const size_t whole = p;
    p = digits_from(p);
    bool digits = p > whole;
    if (p < text.size() && text[p] == '.') {
        const size_t fraction = p + 1;
        p = digits_from(fraction);
        digits = digits || p > fraction;
    }
    if (!digits) return pos;
    if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        size_t q = p + 1;
        if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
        const size_t end = digits_from(q);
        if (end > q) {
            p = end;
        } else {
            *bare_exponent = q;
        }
    }
    return p;
}

bool ScanSvgNumber(std::string_view text, size_t* pos, double* value) {
    size_t bare_exponent = 0;
    const size_t end = SvgNumberEnd(text, *pos, &bare_exponent);
    if (end == *pos) return false;
    // strtod needs a terminated string; the number's own characters are
    // all it is shown, so it reads exactly what the grammar took.
    const std::string number(text.substr(*pos, end - *pos));
    *value = std::strtod(number.c_str(), nullptr);
    *pos = end;
    return true;
}

}  // namespace runner
