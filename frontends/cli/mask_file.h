// Masks from files: a path or basic shape of an SVG document, or a JSON
// record of vertices and tangents. Both give layer-pixel subpaths.
#ifndef FOLVEK_CLI_MASK_FILE_H
#define FOLVEK_CLI_MASK_FILE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner::cli {

struct SvgOptions {
    std::string element_id;     // empty: the first path or basic shape drawn
    int32_t layer_width = 0;    // the layer: what a root width or height in %
    int32_t layer_height = 0;   // is of, and what --mask-fit layer fits onto
    bool fit_layer = false;     // scale the document's viewport onto the layer
};

// The subpaths of the first <path> or basic shape the document draws (or
// of the element with the given id, or the first one inside it), in layer
// pixels: user units mapped as SVG maps them (the transforms of the element
// and its ancestors, nested viewports, the root's width and height with
// their units, viewBox and preserveAspectRatio), 1 CSS pixel to a layer
// pixel unless fitted onto the layer. Plain or gzip-compressed.
Result<std::vector<MaskPath>> ReadSvgMask(const std::string& file, const SvgOptions& options = {});

// {"vertices": [[x,y],...], "in_tangents": [...], "out_tangents": [...],
//  "closed": bool}; tangents are optional and default to zero.
Result<std::vector<MaskPath>> ReadJsonMask(const std::string& file);

// Either of the above, chosen by the file's extension (.svg, .svgz, .json).
Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file, const SvgOptions& svg = {});

}  // namespace runner::cli

#endif
