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
    std::string file = options.file;
    SvgOptions svg;
    svg.layer_width = layer_width;
    svg.layer_height = layer_height;
    svg.fit_layer = options.fit == MaskFit::LAYER;
    // FILE.svg#ID: a '#' after an SVG file's name names an element; a
    // file whose own name holds a '#' is found first.
    std::error_code ec;
    if (const size_t hash = file.rfind('#'); hash != std::string::npos && !std::filesystem::exists(file, ec)) {
        const std::string base = file.substr(0, hash);
        const std::string base_ext = LowerExtension(base);
        if (base_ext == ".json") return Error{what + ": an element id after '#' applies to SVG masks only"};
        if (IsSvgExtension(base_ext)) {
            svg.element_id = file.substr(hash + 1);
            if (svg.element_id.empty()) return Error{what + ": no element id after '#'"};
            file = base;
        }
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
    const size_t count = paths->size();
    if (options.index < 0 || static_cast<size_t>(options.index) >= count) {
        const std::string range = count == 1 ? "only index 0" : "indices 0 to " + std::to_string(count - 1);
        return Error{what + ": --mask-index " + std::to_string(options.index) + " does not exist (the mask has " +
                     std::to_string(count) + (count == 1 ? " subpath, " : " subpaths, ") + range + ")"};
    }
    Result<MaskPath> mask = ChooseSubpath(*paths, options.index, what);
    if (!mask) return mask.error();
    return std::optional<MaskPath>{std::move(*mask)};
}

std::string NothingToWalk(const MaskOptions& options, const MaskPath& mask) {
    if (SegmentCount(mask) > 0) return std::string();
    return Source(options) + ": the mask has a single point and no segment; no circles are drawn";
}

}  // namespace runner::cli
