#include "runner/shot/keys_file.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "runner/shot/json_mask.h"
#include "runner/shot/param_text.h"
#include "runner/shot/svg_path.h"

namespace runner {
namespace {

using nlohmann::json;

// Frames as far as the host's 32-bit frame times reach, either way.
constexpr double MAX_KEY_FRAME = 2147483647.0;

// "key 2 (time 1.5)", "key 3 (frame 36)"; with the rate known, "key 3
// (frame 36, 1.5 s at 24 fps)".
std::string KeyName(size_t k, const KeyWhen& when, const Fraction* rate = nullptr) {
    std::string at = when.by_frame ? "frame " + std::to_string(when.frame) : "time " + FormatNumber(when.seconds);
    if (when.by_frame && rate != nullptr) {
        at += ", " + FormatNumber(FrameSeconds(when.frame, *rate)) + " s at " + DescribeRate(*rate) + " fps";
    }
    return "key " + std::to_string(k + 1) + " (" + at + ")";
}

Result<KeyWhen> ReadWhen(const json& key, const std::string& where) {
    KeyWhen when;
    const bool has_time = key.contains("time"), has_frame = key.contains("frame");
    if (has_time && has_frame) return Error{where + ": give a \"time\" or a \"frame\", not both"};
    if (has_frame) {
        const json& f = key.at("frame");
        const double v = f.is_number() ? f.get<double>() : 0.5;
        if (!(std::fabs(v) <= MAX_KEY_FRAME) || v != std::floor(v)) {
            return Error{where + ": \"frame\" must be a whole number of frames (frame 0 is at time 0)"};
        }
        when.by_frame = true;
        when.frame = static_cast<int64_t>(v);
        return when;
    }
    if (!has_time || !key.at("time").is_number()) {
        return Error{where + ": needs a \"time\" in seconds or a \"frame\""};
    }
    when.seconds = key.at("time").get<double>();
    if (!std::isfinite(when.seconds)) return Error{where + ": the time must be a finite number of seconds"};
    return when;
}

bool AnyByFrame(const std::vector<KeyWhen>& when) {
    for (const KeyWhen& w : when) {
        if (w.by_frame) return true;
    }
    return false;
}

// Each key's time in seconds (`rate` is only read for keys by frame), and
// the times checked to increase; `where` names the track.
template <typename Key>
Status Place(std::vector<Key>* keys, const std::vector<KeyWhen>& when, const Fraction* rate, const std::string& where) {
    auto name = [&](size_t k) { return KeyName(k, when[k], rate); };
    for (size_t k = 0; k < keys->size() && k < when.size(); ++k) {
        (*keys)[k].time = when[k].by_frame ? FrameSeconds(when[k].frame, *rate) : when[k].seconds;
        if (k == 0) continue;
        const double before = (*keys)[k - 1].time, now = (*keys)[k].time;
        if (now == before) {
            return Error{where + " " + name(k) + ": " + name(k - 1) + " is at the same time; one key per time"};
        }
        if (now < before) {
            return Error{where + " " + name(k) + ": comes before " + name(k - 1) + "; keys go in time order"};
        }
    }
    return Success();
}

Result<KeyInterpolation> ReadInterpolation(const json& key, const std::string& where) {
    if (!key.contains("interpolation")) return KEY_LINEAR;
    const json& v = key.at("interpolation");
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        for (KeyInterpolation how : {KEY_LINEAR, KEY_HOLD, KEY_EASE}) {
            if (s == InterpolationName(how)) return how;
        }
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

Result<ParamTrack> ReadTrack(const ParamDefinition& def, const json& entry, const std::string& where) {
    ParamTrack track;
    track.index = def.index;
    track.label = def.label;
    track.is_color = def.type == PF_Param_COLOR;
    auto add = [&](const ParamSetting& s, const KeyWhen& when, KeyInterpolation how) {
        if (track.is_color) {
            track.color_keys.push_back(ColorKey{when.seconds, s.color, how});
        } else {
            track.keys.push_back(ScalarKey{when.seconds, s.from, how});
        }
        track.when.push_back(when);
    };
    if (!entry.is_array()) {
        Result<ParamSetting> s = ReadValue(def, entry, where);
        if (!s) return s.error();
        add(*s, KeyWhen{}, KEY_LINEAR);
        return track;
    }
    if (entry.empty()) return Error{where + ": the list of keys is empty"};
    for (size_t k = 0; k < entry.size(); ++k) {
        const json& key = entry[k];
        std::string here = where + " key " + std::to_string(k + 1);
        if (!key.is_object()) return Error{here + ": a key is {\"time\": seconds, \"value\": ...}"};
        if (Status ok = CheckFields(key, {"time", "frame", "value", "interpolation"}, here); !ok) return ok.error();
        Result<KeyWhen> when = ReadWhen(key, here);
        if (!when) return when.error();
        here = where + " " + KeyName(k, *when);
        if (!key.contains("value")) return Error{here + ": needs a \"value\""};
        Result<KeyInterpolation> how = ReadInterpolation(key, here);
        if (!how) return how.error();
        Result<ParamSetting> s = ReadValue(def, key.at("value"), here);
        if (!s) return s.error();
        add(*s, *when, *how);
    }
    // Keys by frame are in order or not only once the rate is known.
    if (!AnyByFrame(track.when)) {
        Status ok = track.is_color ? Place(&track.color_keys, track.when, nullptr, where)
                                   : Place(&track.keys, track.when, nullptr, where);
        if (!ok) return ok.error();
    }
    return track;
}

// What tells two neighbouring mask keys apart when they cannot move into
// each other, or nothing.
std::string MaskMismatch(const MaskPath& a, const MaskPath& b) {
    const auto open = [](const MaskPath& p) { return p.closed ? std::string("closed") : std::string("open"); };
    if (a.vertices.size() != b.vertices.size()) {
        return "vertex count (" + std::to_string(a.vertices.size()) + " and " + std::to_string(b.vertices.size()) +
               " vertices)";
    }
    if (a.closed != b.closed) return "\"closed\" (" + open(a) + " and " + open(b) + ")";
    return "";
}

struct MaskTrack {
    std::vector<MaskKey> keys;
    std::vector<KeyWhen> when;
};

Result<MaskTrack> ReadMaskKeys(const json& entry, const std::string& where) {
    const json list = entry.is_array() ? entry : json::array({entry});
    if (list.empty()) return Error{where + ": the list of mask keys is empty"};
    MaskTrack track;
    for (size_t k = 0; k < list.size(); ++k) {
        const json& key = list[k];
        std::string here = where + " key " + std::to_string(k + 1);
        if (!key.is_object()) return Error{here + ": a mask key is an object with \"time\" and \"vertices\" or \"d\""};
        if (Status ok = CheckFields(key, {"time", "frame", "interpolation", "vertices", "in_tangents", "out_tangents",
                                          "closed", "d"},
                                    here);
            !ok) {
            return ok.error();
        }
        KeyWhen when;  // a lone mask without a time: time 0
        if (entry.is_array() || key.contains("time") || key.contains("frame")) {
            Result<KeyWhen> read = ReadWhen(key, here);
            if (!read) return read.error();
            when = *read;
        }
        here = where + " " + KeyName(k, when);
        MaskKey mask_key;
        Result<KeyInterpolation> how = ReadInterpolation(key, here);
        if (!how) return how.error();
        mask_key.interpolation = *how;
        Result<MaskPath> path = MaskFromJson(key, here);
        if (!path) return path.error();
        if (path->vertices.empty()) return Error{here + ": the mask has no vertices"};
        if (Status ok = CheckMask(*path, here); !ok) return ok.error();
        mask_key.path = std::move(*path);
        if (k > 0) {
            if (const std::string differ = MaskMismatch(track.keys.back().path, mask_key.path); !differ.empty()) {
                return Error{where + ": " + KeyName(k - 1, track.when.back()) + " and " + KeyName(k, when) +
                             " differ in " + differ + "; neighbouring keys must agree"};
            }
        }
        track.keys.push_back(std::move(mask_key));
        track.when.push_back(when);
    }
    if (!AnyByFrame(track.when)) {
        if (Status ok = Place(&track.keys, track.when, nullptr, where); !ok) return ok.error();
    }
    return track;
}

}  // namespace

const char* InterpolationName(KeyInterpolation how) {
    switch (how) {
    case KEY_HOLD: return "hold";
    case KEY_EASE: return "ease";
    default: return "linear";
    }
}

Result<ShotKeys> ParseKeys(const json& doc, const std::string& file, const std::vector<ParamDefinition>& params) {
    if (!doc.is_object()) return Error{file + ": the keys must be a JSON object with \"params\" and \"mask\""};
    if (Status ok = CheckFields(doc, {"params", "mask"}, file); !ok) return ok.error();
    ShotKeys shot;
    shot.file = file;
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
        Result<MaskTrack> mask = ReadMaskKeys(doc.at("mask"), file + ": mask");
        if (!mask) return mask.error();
        shot.mask = std::move(mask->keys);
        shot.mask_when = std::move(mask->when);
    }
    return shot;
}

Result<ShotKeys> ReadKeysFile(const std::string& file, const std::vector<ParamDefinition>& params) {
    Result<json> doc = ReadJsonFile(file, "keys file");
    if (!doc) return doc.error();
    return ParseKeys(*doc, file, params);
}

Result<ShotKeys> PlaceKeys(const ShotKeys& keys, const Fraction& rate) {
    ShotKeys placed = keys;
    for (ParamTrack& t : placed.params) {
        const std::string where = keys.file + ": \"" + t.label + "\"";
        Status ok = t.is_color ? Place(&t.color_keys, t.when, &rate, where) : Place(&t.keys, t.when, &rate, where);
        if (!ok) return ok.error();
    }
    if (Status ok = Place(&placed.mask, placed.mask_when, &rate, keys.file + ": mask"); !ok) return ok.error();
    return placed;
}

Status ApplyKeys(const ShotKeys& placed, PF_PathID mask_id, Session* session) {
    for (const ParamTrack& t : placed.params) {
        Status ok = t.is_color ? session->SetColorKeys(t.index, t.color_keys) : session->SetKeys(t.index, t.keys);
        if (!ok) return ok;
    }
    if (!placed.mask.empty()) return session->SetMaskKeys(mask_id, placed.mask);
    return Success();
}

}  // namespace runner
