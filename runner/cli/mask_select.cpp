#include "runner/cli/mask_select.h"

#include <cmath>

#include "runner/cli/mask_file.h"
#include "runner/cli/path_util.h"
#include "runner/svg_path.h"

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
    const std::string what = options.file.empty() ? std::string("--mask-d") : options.file;
    Result<std::vector<MaskPath>> paths =
        options.file.empty() ? ParsePathData(options.path_data) : ReadMaskFile(options.file);
    if (!paths) {
        return options.file.empty() ? Error{"--mask-d: " + paths.Message()} : paths.TakeError();
    }
    const size_t count = paths->size();
    if (options.index < 0 || static_cast<size_t>(options.index) >= count) {
        const std::string range = count == 1 ? "only index 0" : "indices 0 to " + std::to_string(count - 1);
        return Error{what + ": --mask-index " + std::to_string(options.index) + " does not exist (the mask has " +
                     std::to_string(count) + (count == 1 ? " subpath, " : " subpaths, ") + range + ")"};
    }
    MaskPath chosen = (*paths)[static_cast<size_t>(options.index)];
    if (chosen.vertices.empty()) {
        return Error{what + ": the mask has no vertices"};
    }
    if (Status ok = CheckMask(chosen, what); !ok) return ok.TakeError();
    return std::optional<MaskPath>{std::move(chosen)};
}

}  // namespace runner::cli
