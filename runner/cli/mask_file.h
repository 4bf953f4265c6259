// Masks from files: the first path element of an SVG document, or a JSON
// record of vertices and tangents. Both give layer-pixel subpaths.
#ifndef FOLVEK_RUNNER_CLI_MASK_FILE_H
#define FOLVEK_RUNNER_CLI_MASK_FILE_H

#include <string>
#include <vector>

#include "runner/result.h"
#include "runner/mask_path.h"

namespace runner::cli {

// The "d" of the first <path> in document order, with the transforms of the
// element and all its ancestors applied.
Result<std::vector<MaskPath>> ReadSvgMask(const std::string& file);

// {"vertices": [[x,y],...], "in_tangents": [...], "out_tangents": [...],
//  "closed": bool}; tangents are optional and default to zero.
Result<std::vector<MaskPath>> ReadJsonMask(const std::string& file);

// Either of the above, chosen by the file's extension.
Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file);

}  // namespace runner::cli

#endif
