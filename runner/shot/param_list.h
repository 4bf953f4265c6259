// Several NAME=VALUE assignments in one text, for front-ends whose host
// hands over a single string: "max radius=1200; seed=40000".
#ifndef FOLVEK_RUNNER_SHOT_PARAM_LIST_H
#define FOLVEK_RUNNER_SHOT_PARAM_LIST_H

#include <string>
#include <vector>

#include "runner/shot/param_text.h"
#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner {

// Assignments are separated by ';' or line breaks; blank ones are skipped.
// Each is read as ParseParam reads one (no FROM..TO ranges), and a label
// named twice keeps its last value. A mask path parameter is refused: it
// is not a value. Messages begin with `where` and the assignment at fault.
Result<std::vector<ParamSetting>> ParseParamList(const std::string& text, const std::vector<ParamDefinition>& params,
                                                 const std::string& where);

}  // namespace runner

#endif
