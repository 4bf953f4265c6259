// The characters and numbers of SVG's attribute grammars, shared by every
// reader of SVG text (path data, lengths and lists, style declarations,
// documents): ASCII only, whatever the process's locale says.
#ifndef FOLVEK_RUNNER_SHOT_SVG_SCAN_H
#define FOLVEK_RUNNER_SHOT_SVG_SCAN_H

#include <stddef.h>

#include <string_view>

namespace runner {

// SVG's white space: space, tab, line feed, carriage return, form feed.
inline bool IsSvgBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char ToAsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char ToAsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The first position at or after `pos` that is not blank (the size at the end).
size_t SkipSvgBlanks(std::string_view text, size_t pos);

// `text` without blanks at either end.
std::string_view TrimSvgBlanks(std::string_view text);

// Equal but for ASCII case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The end of the SVG number that starts at `pos` of `text` (sign, digits
// with an optional fraction, an exponent when digits follow its 'e'; no
// "inf", "nan" or hexadecimal, which strtod would take), or `pos` when no
// number starts there. An 'e' (and sign) with no digits after it is not
// part of the number; where those digits were due is then put in
// `*bare_exponent`, npos otherwise.
size_t SvgNumberEnd(std::string_view text, size_t pos, size_t* bare_exponent);

// The number at *pos (an 'e' without digits after it is left for a unit
// such as "em"), advancing *pos past it; false when there is none. Values
// beyond double's range come out infinite.
bool ScanSvgNumber(std::string_view text, size_t* pos, double* value);

}  // namespace runner

#endif
