// What the page asks of the host library in text: the effect's parameters
// for its controls, masks as SVG path data, and the shot at one instant as
// the frei0r filter's Path and Values strings.
#ifndef FOLVEK_WEB_PAGE_TEXT_H
#define FOLVEK_WEB_PAGE_TEXT_H

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "runner/core/mask_path.h"
#include "runner/core/session.h"

namespace runner::web {

// Every parameter after the layer, as `ringstride info` describes it:
// index, label, kind, valid and slider range, precision, percent, choices,
// checkbox text, default (colours as "#RRGGBB").
nlohmann::json ParamsJson(const std::vector<ParamDefinition>& params);

// Every parameter's value at `time` by label: sliders in user units,
// popups their choice from 1, checkboxes true or false, colours "#RRGGBB".
nlohmann::json ValuesAt(const Session& session, int32_t time);

// Mask paths as the page keeps them: the record of --mask FILE.json.
nlohmann::json MasksJson(const std::vector<MaskPath>& paths);

// "M x y C ... Z": absolute cubics, closed paths with their closing segment;
// read back by the path data reader it gives the same vertices and tangents
// wherever vertex + tangent - vertex is exact (whole and half pixels).
std::string PathDataOf(const MaskPath& path);

struct Frei0rText {
    std::string path;    // the mask at the session's time as path data; empty for none
    std::string values;  // every other parameter at that time, "label=value; ..."
};

// At `time` (in the session's time scale), with `mask` the mask at that
// time (null for none).
Frei0rText Frei0rAt(const Session& session, const MaskPath* mask, int32_t time);

}  // namespace runner::web

#endif
