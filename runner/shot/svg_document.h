// Masks from SVG documents held as text: the first path or basic shape the
// document draws (or the element a caller names), in layer pixels. Reading
// files, and inflating .svgz, is the front-ends' business.
#ifndef FOLVEK_RUNNER_SHOT_SVG_DOCUMENT_H
#define FOLVEK_RUNNER_SHOT_SVG_DOCUMENT_H

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner {

struct SvgOptions {
    std::string element_id;    // empty: the first path or basic shape drawn
    int32_t layer_width = 0;   // the layer: what a root width or height in %
    int32_t layer_height = 0;  // is of, and what fit_layer fits onto
    bool fit_layer = false;    // scale the document's viewport onto the layer
    std::string fit_name = "fitting onto the layer";  // what messages call fit_layer
};

// The subpaths of the first <path> or basic shape the document draws (or
// of the element with the given id, or the first one inside it), in layer
// pixels: user units mapped as SVG maps them (the transforms of the element
// and its ancestors, nested viewports, the root's width and height with
// their units, viewBox and preserveAspectRatio), 1 CSS pixel to a layer
// pixel unless fitted onto the layer. `what` names the source in messages.
Result<std::vector<MaskPath>> ParseSvgDocument(std::string_view text, const std::string& what,
                                               const SvgOptions& options = {});

// True when `text` is to be read as an SVG document rather than as path
// data: its first character that is not blank is '<'.
bool LooksLikeSvgDocument(std::string_view text);

}  // namespace runner

#endif
