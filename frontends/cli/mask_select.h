// From the user's mask options to the one mask path handed to the host:
// read it, pick the subpath, check its numbers. It stays in full-resolution
// layer pixels; the host scales it to the render resolution.
#ifndef FOLVEK_CLI_MASK_SELECT_H
#define FOLVEK_CLI_MASK_SELECT_H

#include <optional>
#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner::cli {

// How an SVG document's viewport meets the layer.
enum class MaskFit {
    NONE,   // 1 CSS pixel is 1 layer pixel
    LAYER   // the document's viewport is scaled onto the layer
};

struct MaskOptions {
    std::string file;       // --mask, empty if not given; FILE.svg#ID names an element
    std::string path_data;  // --mask-d, empty if not given
    int32_t index = 0;      // --mask-index, counted from 0
    MaskFit fit = MaskFit::NONE;  // --mask-fit
};

// A --mask name: "FILE.svg#ID" (or .svgz, or .json, which takes no id) is
// FILE and the id of one of its elements, unless a file is named so;
// anything else is the name itself, with no id.
struct MaskFileName {
    std::string file;
    std::optional<std::string> element_id;
};
MaskFileName SplitMaskName(const std::string& name);

// No mask option: nothing. Otherwise the chosen subpath, checked. The
// layer's size (full resolution) is what SVG percentages and
// --mask-fit layer refer to.
Result<std::optional<MaskPath>> LoadMask(const MaskOptions& options, int32_t layer_width, int32_t layer_height);

// The one line to show when the chosen mask has no segment to walk (a
// lone moveto: no circles are drawn); empty when it has one.
std::string NothingToWalk(const MaskOptions& options, const MaskPath& mask);

}  // namespace runner::cli

#endif
