// --param NAME=VALUE against the parameters an effect registered: names
// matched by label, values read in the units the user sees.
#ifndef FOLVEK_RUNNER_SHOT_PARAM_TEXT_H
#define FOLVEK_RUNNER_SHOT_PARAM_TEXT_H

#include <string>
#include <string_view>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner {

struct ParamSetting {
    PF_ParamIndex index = 0;
    std::string label;
    bool is_color = false;
    PF_Pixel color{};      // colours
    double from = 0.0;     // everything else, in user units (50 for 50 %)
    double to = 0.0;       // equals `from` unless animated
    bool animated = false;
};

// Without the blanks at either end.
std::string TrimBlanks(const std::string& text);

// Lower case, hyphens and underscores as blanks, runs of blanks as one.
std::string NormalizeLabel(const std::string& text);

// How a front-end names its own means for what a value alone cannot give,
// so that these shared messages point its users to them.
struct ValueTerms {
    std::string mask;    // where the mask is given: "--mask FILE or --mask-d PATHDATA"
    std::string ranges;  // where FROM..TO ranges are taken: "animate"; empty: nowhere
};

// NAME=VALUE; `allow_ranges`: FROM..TO is accepted for sliders. Messages
// begin with `where` ("--param max radius=9000", "Values").
Result<ParamSetting> ParseParam(const std::string& assignment, const std::vector<ParamDefinition>& params,
                                bool allow_ranges, const std::string& where, const ValueTerms& terms = {});

// The parameter a label names (any case, blanks and hyphens alike), or an
// error that lists the known labels. `where` starts every message.
Result<const ParamDefinition*> FindParam(const std::string& label, const std::vector<ParamDefinition>& params,
                                         const std::string& where);

// VALUE as NAME=VALUE takes it for `def`.
Result<ParamSetting> ParseParamValue(const ParamDefinition& def, const std::string& value, const std::string& where,
                                     bool allow_ranges, const ValueTerms& terms = {});

// A number for a slider: finite, in the valid range, whole for integer sliders.
Status CheckNumber(const ParamDefinition& def, double v, const std::string& where);

// A short number: 50, 37.5, 0.05.
std::string FormatNumber(double v);

// The shortest text that reads back as exactly `v`; whole numbers without
// an exponent ("30", "100", not "3e+01"): for text handed to other programs
// (frei0r strings, Kdenlive panels, --param values, path data).
std::string ExactNumber(double v);

// "#RRGGBB", as a colour parameter is written.
std::string FormatHexColour(const PF_Pixel& c);

// "2 to 5000", "Continuous, Discrete 1, Discrete 2": what a value may be.
std::string DescribeAllowed(const ParamDefinition& def);

// "integer slider", "percent slider", "popup", ...
std::string DescribeType(const ParamDefinition& def);

// "#RRGGBB" (the # may be left out) as an opaque colour; false for anything else.
bool ParseHexColour(std::string_view text, PF_Pixel* colour);

}  // namespace runner

#endif
