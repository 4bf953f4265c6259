#include <nlohmann/json.hpp>

#include "cli/mask_file.h"
#include "runner/shot/json_mask.h"

namespace runner::cli {

Result<std::vector<MaskPath>> ReadJsonMask(const std::string& file) {
    Result<nlohmann::json> doc = ReadJsonFile(file, "mask file");
    if (!doc) return doc.error();
    Result<MaskPath> path = MaskFromJson(*doc, file);
    if (!path) return path.error();
    return std::vector<MaskPath>{std::move(*path)};
}

}  // namespace runner::cli
