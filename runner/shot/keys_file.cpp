#include "runner/shot/keys_file.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "runner/shot/json_mask.h"
#include "runner/shot/param_text.h"
#include "runner/shot/svg_path.h"

namespace runner {
namespace {

using nlohmann::json;

std::string KeyName(size_t k, double time) { return "key " + std::to_string(k + 1) + " (time " + FormatNumber(time) + ")"; }

Result<KeyInterpolation> ReadInterpolation(const json& key, const std::string& where) {
    if (!key.contains("interpolation")) return KEY_LINEAR;
    const json& v = key.at("interpolation");
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        if (s == "linear") return KEY_LINEAR;
        if (s == "hold") return KEY_HOLD;
        if (s == "ease") return KEY_EASE;
    }
    return Error{where + ": \"interpolation\" must be \"linear\", \"hold\" or \"ease\""};
}

// One value of a parameter, as --param takes it; JSON numbers and booleans
// are read as such.
Result<ParamSetting> ReadValue(const ParamDefinition& def, const json& v, const std::string& where) {
    if (v.is_number() && (def.type == PF_Param_SLIDER || def.type == PF_Param_FIX_SLIDER ||
                          def.type == PF_Param_FLOAT_SLIDER)) {
        const double number = v.get<double>();
        if (Status ok = CheckNumber(def, number, where); !ok) return ok.error();
        ParamSetting s;
        s.index = def.index;
        s.label = def.label;
        s.from = s.to = number;
        return s;
    }
    if (v.is_boolean()) return ParseParamValue(def, v.get<bool>() ? "on" : "off", where, false);
    if (v.is_number()) return ParseParamValue(def, FormatNumber(v.get<double>()), where, false);
    if (v.is_string()) return ParseParamValue(def, v.get<std::string>(), where, false);
    return Error{where + ": the value must be a number, a text or true/false"};
}

Status CheckFields(const json& key, std::initializer_list<const char*> allowed, const std::string& where) {
    for (auto it = key.begin(); it != key.end(); ++it) {
        bool known = false;
        for (const char* a : allowed) known = known || it.key() == a;
        if (!known) return Error{where + ": unknown entry \"" + it.key() + "\""};
    }
    return Success();
}

Result<double> ReadTime(const json& key, const std::string& where, bool has_previous, double previous) {
    if (!key.contains("time") || !key.at("time").is_number()) return Error{where + ": needs a \"time\" in seconds"};
    const double t = key.at("time").get<double>();
    if (!std::isfinite(t)) return Error{where + ": the time must be a finite number of seconds"};
    if (has_previous && !(t > previous)) {
        return Error{where + ": time " + FormatNumber(t) + " does not follow " + FormatNumber(previous) +
                     " (times must increase)"};
    }
    return t;
}

Result<ParamTrack> ReadTrack(const ParamDefinition& def, const json& entry, const std::string& where) {
    ParamTrack track;
    track.index = def.index;
    track.label = def.label;
    track.is_color = def.type == PF_Param_COLOR;
    auto add = [&](const ParamSetting& s, double time, KeyInterpolation how) {
        if (track.is_color) {
            track.color_keys.push_back(ColorKey{time, s.color, how});
        } else {
            track.keys.push_back(ScalarKey{time, s.from, how});
        }
    };
    if (!entry.is_array()) {
        Result<ParamSetting> s = ReadValue(def, entry, where);
        if (!s) return s.error();
        add(*s, 0.0, KEY_LINEAR);
        return track;
    }
    if (entry.empty()) return Error{where + ": the list of keys is empty"};
    double previous = 0.0;
    for (size_t k = 0; k < entry.size(); ++k) {
        const json& key = entry[k];
        std::string here = where + " key " + std::to_string(k + 1);
        if (!key.is_object()) return Error{here + ": a key is {\"time\": seconds, \"value\": ...}"};
        if (Status ok = CheckFields(key, {"time", "value", "interpolation"}, here); !ok) return ok.error();
        Result<double> time = ReadTime(key, here, k > 0, previous);
        if (!time) return time.error();
        here = where + " " + KeyName(k, *time);
        if (!key.contains("value")) return Error{here + ": needs a \"value\""};
        Result<KeyInterpolation> how = ReadInterpolation(key, here);
        if (!how) return how.error();
        Result<ParamSetting> s = ReadValue(def, key.at("value"), here);
        if (!s) return s.error();
        add(*s, *time, *how);
        previous = *time;
    }
    return track;
}

Result<std::vector<MaskKey>> ReadMaskKeys(const json& entry, const std::string& where) {
    const json list = entry.is_array() ? entry : json::array({entry});
    if (list.empty()) return Error{where + ": the list of mask keys is empty"};
    std::vector<MaskKey> keys;
    for (size_t k = 0; k < list.size(); ++k) {
        const json& key = list[k];
        std::string here = where + " key " + std::to_string(k + 1);
        if (!key.is_object()) return Error{here + ": a mask key is an object with \"time\" and \"vertices\""};
        if (Status ok = CheckFields(key, {"time", "interpolation", "vertices", "in_tangents", "out_tangents", "closed"},
                                    here);
            !ok) {
            return ok.error();
        }
        MaskKey mask_key;
        if (entry.is_array() || key.contains("time")) {
            Result<double> time = ReadTime(key, here, k > 0, k > 0 ? keys.back().time : 0.0);
            if (!time) return time.error();
            mask_key.time = *time;
        }
        here = where + " " + KeyName(k, mask_key.time);
        Result<KeyInterpolation> how = ReadInterpolation(key, here);
        if (!how) return how.error();
        mask_key.interpolation = *how;
        Result<MaskPath> path = MaskFromJson(key, here);
        if (!path) return path.error();
        if (path->vertices.empty()) return Error{here + ": the mask has no vertices"};
        if (Status ok = CheckMask(*path, here); !ok) return ok.error();
        mask_key.path = std::move(*path);
        if (!keys.empty()) {
            const MaskKey& before = keys.back();
            if (before.path.vertices.size() != mask_key.path.vertices.size() ||
                before.path.closed != mask_key.path.closed) {
                return Error{where + ": the keys at times " + FormatNumber(before.time) + " and " +
                             FormatNumber(mask_key.time) + " differ in " +
                             (before.path.closed != mask_key.path.closed ? std::string("\"closed\"")
                                                                           : std::string("vertex count")) +
                             " (" + std::to_string(before.path.vertices.size()) + " and " +
                             std::to_string(mask_key.path.vertices.size()) + " vertices); neighbouring keys must "
                             "agree"};
            }
        }
        keys.push_back(std::move(mask_key));
    }
    return keys;
}

}  // namespace

Result<ShotKeys> ParseKeys(const json& doc, const std::string& file, const std::vector<ParamDefinition>& params) {
    if (!doc.is_object()) return Error{file + ": the keys must be a JSON object with \"params\" and \"mask\""};
    if (Status ok = CheckFields(doc, {"params", "mask"}, file); !ok) return ok.error();
    ShotKeys shot;
    if (doc.contains("params")) {
        const json& all = doc.at("params");
        if (!all.is_object()) return Error{file + ": \"params\" must map parameter labels to values or keys"};
        for (auto it = all.begin(); it != all.end(); ++it) {
            const std::string where = file + ": \"" + it.key() + "\"";
            Result<const ParamDefinition*> def = FindParam(it.key(), params, file);
            if (!def) return def.error();
            if ((*def)->type == PF_Param_PATH) return Error{where + ": the mask is keyed under \"mask\""};
            for (const ParamTrack& t : shot.params) {
                if (t.index == (*def)->index) return Error{where + ": \"" + t.label + "\" is keyed twice"};
            }
            Result<ParamTrack> track = ReadTrack(**def, it.value(), where);
            if (!track) return track.error();
            shot.params.push_back(std::move(*track));
        }
    }
    if (doc.contains("mask")) {
        Result<std::vector<MaskKey>> mask = ReadMaskKeys(doc.at("mask"), file + ": mask");
        if (!mask) return mask.error();
        shot.mask = std::move(*mask);
    }
    return shot;
}

Result<ShotKeys> ReadKeysFile(const std::string& file, const std::vector<ParamDefinition>& params) {
    Result<json> doc = ReadJsonFile(file, "keys file");
    if (!doc) return doc.error();
    return ParseKeys(*doc, file, params);
}

Status ApplyKeys(const ShotKeys& keys, PF_PathID mask_id, Session* session) {
    for (const ParamTrack& t : keys.params) {
        Status ok = t.is_color ? session->SetColorKeys(t.index, t.color_keys) : session->SetKeys(t.index, t.keys);
        if (!ok) return ok;
    }
    if (!keys.mask.empty()) return session->SetMaskKeys(mask_id, keys.mask);
    return Success();
}

}  // namespace runner
