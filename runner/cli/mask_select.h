// From the user's mask options to the one mask path handed to the host:
// read it, pick the subpath, check its numbers. It stays in full-resolution
// layer pixels; the host scales it to the render resolution.
#ifndef FOLVEK_RUNNER_CLI_MASK_SELECT_H
#define FOLVEK_RUNNER_CLI_MASK_SELECT_H

#include <optional>
#include <string>
#include <vector>

#include "runner/result.h"
#include "runner/mask_path.h"

namespace runner::cli {

struct MaskOptions {
    std::string file;       // --mask, empty if not given
    std::string path_data;  // --mask-d, empty if not given
    int32_t index = 0;      // --mask-index, counted from 0
};

// No mask option: nothing. Otherwise the chosen subpath, checked.
Result<std::optional<MaskPath>> LoadMask(const MaskOptions& options);

}  // namespace runner::cli

#endif
