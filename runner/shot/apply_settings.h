// What every front-end does with a session before it renders: hand it the
// parameter values read from text and the mask. Each refusal is the
// session's own line, naming the parameter.
#ifndef FOLVEK_RUNNER_SHOT_APPLY_SETTINGS_H
#define FOLVEK_RUNNER_SHOT_APPLY_SETTINGS_H

#include <optional>
#include <string>
#include <vector>

#include "runner/shot/param_text.h"
#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner {

// Index of the effect's first mask path parameter, or -1 when it has none.
PF_ParamIndex MaskParamIndex(const std::vector<ParamDefinition>& params);

// Colours and still values as they are; a FROM..TO slider is two linear
// keys, FROM at `first` and TO at `last` seconds (held at FROM when last is
// not after first).
Status ApplySettings(Session* session, const std::vector<ParamSetting>& settings, double first = 0.0,
                     double last = 0.0);

// The mask under path id `id`, and the mask path parameter pointing at it;
// without a mask the parameter is "none" and the id is forgotten.
Status ApplyMask(Session* session, const std::optional<MaskPath>& mask, PF_PathID id);

}  // namespace runner

#endif
