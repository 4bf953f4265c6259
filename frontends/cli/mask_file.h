// Masks from files: a path or basic shape of an SVG document, or a JSON
// record of vertices and tangents. Both give layer-pixel subpaths.
#ifndef FOLVEK_CLI_MASK_FILE_H
#define FOLVEK_CLI_MASK_FILE_H

#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"
#include "runner/shot/svg_document.h"

namespace runner::cli {

// The file's document read as ParseSvgDocument reads it (the fit is called
// --mask-fit layer in messages), plain or gzip-compressed, up to 256 MiB of
// text. Errors name the file.
Result<std::vector<MaskPath>> ReadSvgMask(const std::string& file, const SvgOptions& options = {});

// {"vertices": [[x,y],...], "in_tangents": [...], "out_tangents": [...],
//  "closed": bool}; tangents are optional and default to zero.
Result<std::vector<MaskPath>> ReadJsonMask(const std::string& file);

// Either of the above, chosen by the file's extension (.svg, .svgz, .json).
Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file, const SvgOptions& svg = {});

}  // namespace runner::cli

#endif
