// From the subpaths a mask source gave to the one mask handed to the host:
// pick one by index, refuse an empty one, check its numbers. Shared by
// every front-end that takes a mask (files, path data, strings from a
// plug-in host).
#ifndef FOLVEK_RUNNER_SHOT_MASK_CHOICE_H
#define FOLVEK_RUNNER_SHOT_MASK_CHOICE_H

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "runner/core/mask_path.h"
#include "runner/core/error.h"

namespace runner {

// Subpath `index` (from 0) of `paths`; `what` names the source in messages,
// `index_name` the index (a front-end's own option, say).
Result<MaskPath> ChooseSubpath(const std::vector<MaskPath>& paths, int32_t index, const std::string& what,
                               const std::string& index_name = "subpath");

// SVG path data read and its subpath `index` chosen and checked.
Result<MaskPath> MaskFromPathData(std::string_view data, int32_t index, const std::string& what);

// A mask typed as text: an SVG document when its first character that is
// not blank is '<' (the first path or shape it draws, on a layer of the
// given size, not fitted onto it), SVG path data otherwise; every subpath,
// unchecked. `what` starts every message.
Result<std::vector<MaskPath>> MaskPathsFromText(std::string_view text, int32_t layer_width, int32_t layer_height,
                                                const std::string& what);

// The same text's subpath `index` chosen and checked.
Result<MaskPath> MaskFromText(std::string_view text, int32_t index, int32_t layer_width, int32_t layer_height,
                              const std::string& what);

}  // namespace runner

#endif
