// A shot's keyframes from a JSON file:
//   {"params": {"Time": [{"time": 0, "value": 0},
//                        {"frame": 48, "value": 100, "interpolation": "ease"}],
//               "Mode": "Discrete 1", "Seed": 7},
//    "mask": [{"time": 0, "vertices": [[x, y], ...], ...},
//             {"frame": 36, "d": "M 10 90 C 60 10 160 10 210 90"}, ...]}
// Labels and values as --param takes them (JSON numbers, strings, true and
// false for checkboxes); a key is at "time" seconds or at "frame" N of the
// shot (placed once the shot's rate is known), strictly increasing per
// track; "interpolation" ("linear", "hold" or "ease") governs the stretch
// from its key to the next. A plain value instead of a list is a constant.
// Mask keys take the form of a JSON mask file (json_mask.h).
#ifndef FOLVEK_RUNNER_SHOT_KEYS_FILE_H
#define FOLVEK_RUNNER_SHOT_KEYS_FILE_H

#include <stdint.h>

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "runner/core/error.h"
#include "runner/core/keyframes.h"
#include "runner/core/session.h"
#include "runner/shot/frame_rate.h"

namespace runner {

// When a key is, as the file gives it: seconds, or a frame of the shot.
struct KeyWhen {
    double seconds = 0.0;
    bool by_frame = false;
    int64_t frame = 0;
};

struct ParamTrack {
    PF_ParamIndex index = 0;
    std::string label;
    bool is_color = false;
    std::vector<ScalarKey> keys;        // everything but colours
    std::vector<ColorKey> color_keys;   // colours
    std::vector<KeyWhen> when;          // one per key
};

// Keys given by frame have their time in seconds only once PlaceKeys has
// been told the shot's rate.
struct ShotKeys {
    std::string file;  // for messages
    std::vector<ParamTrack> params;
    std::vector<MaskKey> mask;  // empty: the mask is not keyed
    std::vector<KeyWhen> mask_when;
};

// A key's "interpolation" as the file writes it: "linear", "hold", "ease".
const char* InterpolationName(KeyInterpolation how);

// Every error names the file, the track and the key (counted from 1).
Result<ShotKeys> ParseKeys(const nlohmann::json& doc, const std::string& file,
                           const std::vector<ParamDefinition>& params);
// The file read as ReadJsonFile reads it: a label, key field or "params"
// given twice is refused.
Result<ShotKeys> ReadKeysFile(const std::string& file, const std::vector<ParamDefinition>& params);

// Every key's time in seconds of a shot at `rate` (frame f at exactly
// f / rate), checked to increase along each track.
Result<ShotKeys> PlaceKeys(const ShotKeys& keys, const Fraction& rate);

// Hands the tracks to a session, as PlaceKeys returns them (every key's time
// in seconds); the mask goes in under `mask_id`.
Status ApplyKeys(const ShotKeys& placed, PF_PathID mask_id, Session* session);

}  // namespace runner

#endif
