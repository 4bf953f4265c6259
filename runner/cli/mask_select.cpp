#include "runner/cli/mask_select.h"

#include <cmath>

#include "runner/cli/mask_file.h"
#include "runner/cli/path_util.h"
#include "runner/mask_choice.h"

namespace runner::cli {
Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file) {
    const std::string ext = LowerExtension(file);
    if (ext == ".svg") return ReadSvgMask(file);
    if (ext == ".json") return ReadJsonMask(file);
    return Error{file + ": unknown mask format \"" + ext + "\" (use .svg or .json)"};
}

Result<std::optional<MaskPath>> LoadMask(const MaskOptions& options) {
    if (options.file.empty() && options.path_data.empty()) {
        return std::optional<MaskPath>{};
    }
    if (options.file.empty()) {
        Result<MaskPath> mask = MaskFromPathData(options.path_data, options.index, "--mask-d");
        if (!mask) return mask.TakeError();
        return std::optional<MaskPath>{std::move(*mask)};
    }
    Result<std::vector<MaskPath>> paths = ReadMaskFile(options.file);
    if (!paths) return paths.TakeError();
    Result<MaskPath> mask = ChooseSubpath(*paths, options.index, options.file);
    if (!mask) return mask.TakeError();
    return std::optional<MaskPath>{std::move(*mask)};
}

}  // namespace runner::cli
