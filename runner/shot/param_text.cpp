#include "runner/shot/param_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace runner {

std::string TrimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsNumeric(const ParamDefinition& def) {
    return def.type == PF_Param_SLIDER || def.type == PF_Param_FIX_SLIDER || def.type == PF_Param_FLOAT_SLIDER;
}

// A whole-text decimal number; a trailing % is allowed for percent sliders.
bool ReadNumber(const std::string& text, bool percent, double* out) {
    std::string t = TrimBlanks(text);
    if (percent && !t.empty() && t.back() == '%') t = TrimBlanks(t.substr(0, t.size() - 1));
    if (t.empty()) return false;
    for (char c : t) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            return false;  // no "nan", "inf" or hex
        }
    }
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseHexColour(std::string_view text, PF_Pixel* colour) {
    if (!text.empty() && text[0] == '#') text.remove_prefix(1);
    bool good = text.size() == 6;
    for (char c : text) good = good && HexDigit(c) >= 0;
    if (!good) return false;
    auto byte = [&](size_t k) { return static_cast<uint8_t>(HexDigit(text[k]) * 16 + HexDigit(text[k + 1])); };
    *colour = {255, byte(0), byte(2), byte(4)};
    return true;
}

std::string NormalizeLabel(const std::string& text) {
    std::string out;
    bool blank = false;
    for (char c : TrimBlanks(text)) {
        if (c == '-' || c == '_' || std::isspace(static_cast<unsigned char>(c))) {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string FormatNumber(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string ExactNumber(double v) {
    char buf[40];
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return buf;
    }
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

std::string FormatHexColour(const PF_Pixel& c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.red, c.green, c.blue);
    return buf;
}

std::string DescribeType(const ParamDefinition& def) {
    switch (def.type) {
    case PF_Param_SLIDER: return "integer slider";
    case PF_Param_FIX_SLIDER: return def.IsPercent() ? "percent slider" : "fixed-point slider";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POPUP: return "popup";
    case PF_Param_PATH: return "mask path";
    case PF_Param_LAYER: return "layer";
    default: return "type " + std::to_string(def.type);
    }
}

std::string DescribeAllowed(const ParamDefinition& def) {
    switch (def.type) {
    case PF_Param_SLIDER:
    case PF_Param_FIX_SLIDER:
    case PF_Param_FLOAT_SLIDER: {
        const std::string unit = def.IsPercent() ? " %" : "";
        return FormatNumber(def.valid_min) + unit + " to " + FormatNumber(def.valid_max) + unit;
    }
    case PF_Param_POPUP: {
        std::string s;
        for (size_t i = 0; i < def.choices.size(); ++i) {
            s += (i ? ", " : "") + std::to_string(i + 1) + " " + def.choices[i];
        }
        return s;
    }
    case PF_Param_CHECKBOX: return "on, off, true, false, 1 or 0";
    case PF_Param_COLOR: return "#RRGGBB";
    case PF_Param_PATH: return "a mask";
    default: return "not settable";
    }
}

Result<const ParamDefinition*> FindParam(const std::string& label, const std::vector<ParamDefinition>& params,
                                         const std::string& where) {
    const std::string name = NormalizeLabel(label);
    std::string known;
    for (size_t i = 1; i < params.size(); ++i) {
        known += (known.empty() ? "" : ", ") + params[i].label;
        if (NormalizeLabel(params[i].label) == name && !name.empty()) return &params[i];
    }
    return Error{where + ": no parameter \"" + TrimBlanks(label) + "\" (known: " + known + ")"};
}

Status CheckNumber(const ParamDefinition& def, double v, const std::string& where) {
    const std::string quoted = "\"" + def.label + "\"";
    if (!IsNumeric(def)) return Error{where + ": " + quoted + " is a " + DescribeType(def) + ", not a number"};
    if (!std::isfinite(v) || v < def.valid_min || v > def.valid_max) {
        return Error{where + ": " + FormatNumber(v) + " is out of range for " + quoted + " (" + DescribeAllowed(def) +
                     ")"};
    }
    if (def.type == PF_Param_SLIDER && v != std::floor(v)) {
        return Error{where + ": " + quoted + " takes whole numbers (" + DescribeAllowed(def) + ")"};
    }
    return Success();
}

Result<ParamSetting> ParseParam(const std::string& assignment, const std::vector<ParamDefinition>& params,
                                bool allow_ranges, const std::string& where, const ValueTerms& terms) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos) return Error{where + ": expected NAME=VALUE"};
    Result<const ParamDefinition*> found = FindParam(assignment.substr(0, eq), params, where);
    if (!found) return found.error();
    return ParseParamValue(**found, TrimBlanks(assignment.substr(eq + 1)), where, allow_ranges, terms);
}

Result<ParamSetting> ParseParamValue(const ParamDefinition& param, const std::string& text, const std::string& where,
                                     bool allow_ranges, const ValueTerms& terms) {
    const ParamDefinition* def = &param;
    const std::string value = TrimBlanks(text);
    const std::string quoted = "\"" + def->label + "\"";
    ParamSetting out;
    out.index = def->index;
    out.label = def->label;
    if (value.empty()) {
        const bool mask_named = def->type == PF_Param_PATH && !terms.mask.empty();
        return Error{where + ": no value for " + quoted + " (" + (mask_named ? "set with " + terms.mask : DescribeAllowed(*def)) +
                     ")"};
    }

    if (IsNumeric(*def)) {
        const bool percent = def->IsPercent();
        const size_t dots = value.find("..");
        double from = 0.0, to = 0.0;
        if (dots != std::string::npos) {
            if (!allow_ranges) {
                return Error{where + ": " + quoted + " takes one value here" +
                             (terms.ranges.empty() ? std::string() : "; FROM..TO ranges are for " + terms.ranges)};
            }
            if (!ReadNumber(value.substr(0, dots), percent, &from) || !ReadNumber(value.substr(dots + 2), percent, &to)) {
                return Error{where + ": " + quoted + " expects FROM..TO with two numbers in " + DescribeAllowed(*def)};
            }
            out.animated = true;
        } else if (!ReadNumber(value, percent, &from)) {
            return Error{where + ": " + quoted + " expects a number in " + DescribeAllowed(*def)};
        } else {
            to = from;
        }
        for (double v : {from, to}) {
            if (Status ok = CheckNumber(*def, v, where); !ok) return ok.error();
        }
        out.from = from;
        out.to = to;
        return out;
    }
    if (value.find("..") != std::string::npos) {
        return Error{where + ": only sliders can be animated; " + quoted + " is a " + DescribeType(*def)};
    }
    switch (def->type) {
    case PF_Param_POPUP: {
        const std::string wanted = NormalizeLabel(value);
        for (size_t i = 0; i < def->choices.size(); ++i) {
            if (NormalizeLabel(def->choices[i]) == wanted) {
                out.from = out.to = static_cast<double>(i + 1);
                return out;
            }
        }
        double number = 0.0;
        if (ReadNumber(value, false, &number) && number == std::floor(number) && number >= 1 &&
            number <= static_cast<double>(def->choices.size())) {
            out.from = out.to = number;
            return out;
        }
        return Error{where + ": " + quoted + " has no choice \"" + value + "\" (choices: " + DescribeAllowed(*def) + ")"};
    }
    case PF_Param_CHECKBOX: {
        const std::string v = Lower(value);
        if (v == "on" || v == "true" || v == "1" || v == "yes") {
            out.from = out.to = 1.0;
        } else if (v == "off" || v == "false" || v == "0" || v == "no") {
            out.from = out.to = 0.0;
        } else {
            return Error{where + ": " + quoted + " is a checkbox (" + DescribeAllowed(*def) + ")"};
        }
        return out;
    }
    case PF_Param_COLOR:
        if (!ParseHexColour(value, &out.color)) return Error{where + ": " + quoted + " expects a colour as #RRGGBB"};
        out.is_color = true;
        return out;
    case PF_Param_PATH:
        return Error{where + ": " + quoted + " is the mask" + (terms.mask.empty() ? ", not a value" : "; give it with " + terms.mask)};
    default:
        return Error{where + ": " + quoted + " (" + DescribeType(*def) + ") cannot be set as a value"};
    }
}

}  // namespace runner
