// A shot's keyframes from a JSON file:
//   {"params": {"Time": [{"time": 0, "value": 0},
//                        {"time": 2, "value": 100, "interpolation": "ease"}],
//               "Mode": "Discrete 1", "Seed": 7},
//    "mask": [{"time": 0, "vertices": [[x, y], ...], ...}, ...]}
// Labels and values as --param takes them (JSON numbers, strings, true and
// false for checkboxes); times in seconds, strictly increasing per track;
// "interpolation" ("linear", "hold" or "ease") governs the stretch from its
// key to the next. A plain value instead of a list is a constant.
#ifndef FOLVEK_RUNNER_SHOT_KEYS_FILE_H
#define FOLVEK_RUNNER_SHOT_KEYS_FILE_H

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "runner/core/keyframes.h"
#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner {

struct ParamTrack {
    PF_ParamIndex index = 0;
    std::string label;
    bool is_color = false;
    std::vector<ScalarKey> keys;        // everything but colours
    std::vector<ColorKey> color_keys;   // colours
};

struct ShotKeys {
    std::vector<ParamTrack> params;
    std::vector<MaskKey> mask;  // empty: the mask is not keyed
};

// Every error names the file, the track and the key (counted from 1).
Result<ShotKeys> ParseKeys(const nlohmann::json& doc, const std::string& file,
                           const std::vector<ParamDefinition>& params);
Result<ShotKeys> ReadKeysFile(const std::string& file, const std::vector<ParamDefinition>& params);

// Hands the tracks to a session; the mask goes in under `mask_id`.
Status ApplyKeys(const ShotKeys& keys, PF_PathID mask_id, Session* session);

}  // namespace runner

#endif
