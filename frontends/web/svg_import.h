// SVG documents the page imports as masks, read as `ringstride --mask`
// reads them.
#ifndef FOLVEK_WEB_SVG_IMPORT_H
#define FOLVEK_WEB_SVG_IMPORT_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/core/mask_path.h"

namespace runner::web {

// The subpaths of the document's first path or basic shape (or of element
// `id`) in pixels of a width x height layer; `fit` scales the document's
// viewport onto the layer (--mask-fit layer). Messages name `name`.
Result<std::vector<MaskPath>> SvgMask(const std::string& text, const std::string& name, const std::string& id,
                                      int32_t width, int32_t height, bool fit);

}  // namespace runner::web

#endif
