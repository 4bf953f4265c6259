#include "runner/cli/mask_select.h"

#include <cmath>

#include "runner/cli/mask_file.h"
#include "runner/cli/path_util.h"
#include "runner/cli/svg_path.h"

namespace runner::cli {
namespace {

bool Sane(double v) { return std::isfinite(v) && std::fabs(v) <= MAX_COORDINATE; }

}  // namespace

Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file) {
    const std::string ext = LowerExtension(file);
    if (ext == ".svg") return ReadSvgMask(file);
    if (ext == ".json") return ReadJsonMask(file);
    return Error{file + ": unknown mask format \"" + ext + "\" (use .svg or .json)"};
}

Status CheckMask(const MaskPath& path, const std::string& what) {
    for (size_t i = 0; i < path.vertices.size(); ++i) {
        const MaskVertex& v = path.vertices[i];
        const double points[][2] = {{v.x, v.y}, {v.x + v.in_x, v.y + v.in_y}, {v.x + v.out_x, v.y + v.out_y}};
        const char* names[] = {"", " (in tangent)", " (out tangent)"};
        for (int k = 0; k < 3; ++k) {
            if (!Sane(points[k][0]) || !Sane(points[k][1]) || !std::isfinite(v.in_x) || !std::isfinite(v.in_y) ||
                !std::isfinite(v.out_x) || !std::isfinite(v.out_y)) {
                return Error{what + ": vertex " + std::to_string(i) + names[k] +
                             " is not a finite coordinate within +-1e7"};
            }
        }
    }
    return Success();
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
