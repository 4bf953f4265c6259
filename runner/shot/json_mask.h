// JSON documents of our own: reading one with errors that point at the line
// and column, and the mask record that --mask FILE.json and keyed masks use:
//   {"vertices": [[x, y], ...], "in_tangents": [[dx, dy], ...],
//    "out_tangents": [...], "closed": bool}
// in layer pixels, tangents relative to their vertex, optional (zero); or
//   {"d": "M 10 90 C 60 10 160 10 210 90"}
// SVG path data in layer pixels, its first subpath (as path data is read
// everywhere: svg_path.h).
#ifndef FOLVEK_RUNNER_SHOT_JSON_MASK_H
#define FOLVEK_RUNNER_SHOT_JSON_MASK_H

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "runner/core/mask_path.h"
#include "runner/core/error.h"

namespace runner {

// `text` as JSON; "FILE: not valid JSON at line L, column C: ..." when it
// is not, and "FILE: \"Seed\" is given twice in \"params\"" for a name an
// object gives twice (which JSON parsers otherwise let the last one win).
Result<nlohmann::json> ParseJsonText(const std::string& text, const std::string& file);

// The whole file read as ParseJsonText reads it. `kind` names the file in
// messages ("mask file").
Result<nlohmann::json> ReadJsonFile(const std::string& file, const std::string& kind);

// `what` names the record in messages ("keys.json: mask key 2").
Result<MaskPath> MaskFromJson(const nlohmann::json& record, const std::string& what);

}  // namespace runner

#endif
