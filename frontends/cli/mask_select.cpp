#include "cli/mask_select.h"

#include <filesystem>
#include <system_error>

#include "cli/mask_file.h"
#include "runner/media/path_util.h"
#include "runner/shot/mask_choice.h"
#include "runner/shot/svg_path.h"

namespace runner::cli {
namespace {

bool IsSvgExtension(const std::string& ext) { return ext == ".svg" || ext == ".svgz"; }

// "--mask-d", or the file as the user named it.
std::string Source(const MaskOptions& options) { return options.file.empty() ? std::string("--mask-d") : options.file; }

}  // namespace

MaskFileName SplitMaskName(const std::string& name) {
    std::error_code ec;
    const size_t hash = name.rfind('#');
    if (hash == std::string::npos || std::filesystem::exists(name, ec)) return {name, std::nullopt};
    const std::string base = name.substr(0, hash);
    const std::string ext = LowerExtension(base);
    if (!IsSvgExtension(ext) && ext != ".json") return {name, std::nullopt};
    return {base, name.substr(hash + 1)};
}

Result<std::vector<MaskPath>> ReadMaskFile(const std::string& file, const SvgOptions& svg) {
    const std::string ext = LowerExtension(file);
    if (IsSvgExtension(ext)) return ReadSvgMask(file, svg);
    if (ext == ".json") return ReadJsonMask(file);
    return Error{file + ": unknown mask format \"" + ext + "\" (use .svg, .svgz or .json)"};
}

Result<std::optional<MaskPath>> LoadMask(const MaskOptions& options, int32_t layer_width, int32_t layer_height) {
    if (options.file.empty() && options.path_data.empty()) {
        return std::optional<MaskPath>{};
    }
    const std::string what = Source(options);
    SvgOptions svg;
    svg.layer_width = layer_width;
    svg.layer_height = layer_height;
    svg.fit_layer = options.fit == MaskFit::LAYER;
    const MaskFileName named = SplitMaskName(options.file);
    const std::string& file = named.file;
    if (named.element_id) {
        if (LowerExtension(file) == ".json") return Error{what + ": an element id after '#' applies to SVG masks only"};
        if (named.element_id->empty()) return Error{what + ": no element id after '#'"};
        svg.element_id = *named.element_id;
    }
    if (svg.fit_layer && !IsSvgExtension(LowerExtension(file))) {
        return Error{what + ": --mask-fit layer applies to SVG masks only (" +
                     (options.file.empty() ? "path data" : "a JSON mask") + " is in layer pixels)"};
    }
    Result<std::vector<MaskPath>> paths =
        options.file.empty() ? ParsePathData(options.path_data) : ReadMaskFile(file, svg);
    if (!paths) {
        return options.file.empty() ? Error{"--mask-d: " + paths.error().message} : paths.error();
    }
    Result<MaskPath> mask = ChooseSubpath(*paths, options.index, what, "--mask-index");
    if (!mask) return mask.error();
    return std::optional<MaskPath>{std::move(*mask)};
}

std::string NothingToWalk(const MaskOptions& options, const MaskPath& mask) {
    if (SegmentCount(mask) > 0) return std::string();
    return Source(options) + ": the mask has a single point and no segment; no circles are drawn";
}

}  // namespace runner::cli
