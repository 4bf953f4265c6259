#include "runner/shot/mask_choice.h"

#include "runner/shot/svg_document.h"
#include "runner/shot/svg_path.h"

namespace runner {

Result<MaskPath> ChooseSubpath(const std::vector<MaskPath>& paths, int32_t index, const std::string& what,
                               const std::string& index_name) {
    const size_t count = paths.size();
    if (index < 0 || static_cast<size_t>(index) >= count) {
        const std::string range = count == 1 ? "only index 0" : "indices 0 to " + std::to_string(count - 1);
        return Error{what + ": " + index_name + " " + std::to_string(index) + " does not exist (the mask has " +
                     std::to_string(count) + (count == 1 ? " subpath, " : " subpaths, ") + range + ")"};
    }
    const MaskPath& chosen = paths[static_cast<size_t>(index)];
    if (chosen.vertices.empty()) {
        return Error{what + ": the mask has no vertices"};
    }
    if (Status ok = CheckMask(chosen, what); !ok) return ok.error();
    return chosen;
}

Result<MaskPath> MaskFromPathData(std::string_view data, int32_t index, const std::string& what) {
    Result<std::vector<MaskPath>> paths = ParsePathData(data);
    if (!paths) return Error{what + ": " + paths.error().message};
    return ChooseSubpath(*paths, index, what);
}

Result<std::vector<MaskPath>> MaskPathsFromText(std::string_view text, int32_t layer_width, int32_t layer_height,
                                                const std::string& what) {
    if (!LooksLikeSvgDocument(text)) {
        Result<std::vector<MaskPath>> paths = ParsePathData(text);
        if (!paths) return Error{what + ": " + paths.error().message};
        return paths;
    }
    SvgOptions svg;
    svg.layer_width = layer_width;
    svg.layer_height = layer_height;
    return ParseSvgDocument(text, what, svg);
}

Result<MaskPath> MaskFromText(std::string_view text, int32_t index, int32_t layer_width, int32_t layer_height,
                              const std::string& what) {
    Result<std::vector<MaskPath>> paths = MaskPathsFromText(text, layer_width, layer_height, what);
    if (!paths) return paths.error();
    return ChooseSubpath(*paths, index, what);
}

}  // namespace runner
