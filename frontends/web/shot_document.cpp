#include "web/shot_document.h"

#include <nlohmann/json.hpp>

#include "runner/shot/apply_settings.h"
#include "runner/shot/json_mask.h"
#include "runner/shot/keys_file.h"
#include "runner/shot/param_text.h"
#include "web/page_text.h"

namespace runner::web {
namespace {

using nlohmann::json;

struct Document {
    json doc;
    ShotKeys keys;  // placed at the rate
    Fraction rate;
};

Result<Document> ReadDocument(const std::string& text, const std::string& name, const std::string& rate,
                              const std::vector<ParamDefinition>& params) {
    Document out;
    Result<Fraction> fps = ParseFrameRate(rate, "fps");
    if (!fps) return fps.error();
    out.rate = *fps;
    Result<json> doc = ParseJsonText(text, name);
    if (!doc) return doc.error();
    out.doc = std::move(*doc);
    Result<ShotKeys> keys = ParseKeys(out.doc, name, params);
    if (!keys) return keys.error();
    Result<ShotKeys> placed = PlaceKeys(*keys, out.rate);
    if (!placed) return placed.error();
    out.keys = std::move(*placed);
    return out;
}

json PageValue(const ParamDefinition& def, double v) {
    const size_t k = static_cast<size_t>(v);
    if (def.type == PF_Param_POPUP && v >= 1 && k <= def.choices.size()) return def.choices[k - 1];
    if (def.type == PF_Param_CHECKBOX) return v != 0.0;
    return v;
}

json Track(const ParamTrack& t, const ParamDefinition& def) {
    json keys = json::array();
    const size_t n = t.is_color ? t.color_keys.size() : t.keys.size();
    for (size_t k = 0; k < n; ++k) {
        const double time = t.is_color ? t.color_keys[k].time : t.keys[k].time;
        const KeyInterpolation how = t.is_color ? t.color_keys[k].interpolation : t.keys[k].interpolation;
        const json value =
            t.is_color ? json(FormatHexColour(t.color_keys[k].value)) : PageValue(def, t.keys[k].value);
        keys.push_back({{"time", time}, {"value", value}, {"interpolation", InterpolationName(how)}});
    }
    if (n == 1) return keys[0]["value"];
    return keys;
}

}  // namespace

Status ResetToDefaults(Session* session) {
    const std::vector<ParamDefinition>& params = session->Params();
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        Status ok;
        switch (def.type) {
        case PF_Param_COLOR: ok = session->SetColor(def.index, def.default_color); break;
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_POPUP:
        case PF_Param_CHECKBOX: ok = session->SetValue(def.index, def.default_value); break;
        default: continue;  // the mask (below), and types a document cannot set
        }
        if (!ok) return ok;
    }
    return ApplyMask(session, std::nullopt, MASK_ID);
}

Result<Timing> ApplyDocument(const std::string& text, const std::string& name, const std::string& at,
                             const std::string& rate, Session* session) {
    Result<Fraction> seconds = ParseSeconds(at, "time");
    if (!seconds) return seconds.error();
    Result<Timing> timing = TimingAt(*seconds);
    if (!timing) return timing.error();
    Result<Document> document = ReadDocument(text, name, rate, session->Params());
    if (!document) return document.error();
    const ShotKeys& keys = document->keys;
    if (Status ok = ResetToDefaults(session); !ok) return ok.error();
    const PF_ParamIndex mask_param = MaskParamIndex(session->Params());
    if (!keys.mask.empty()) {
        if (mask_param < 0) return Error{name + ": the effect has no mask path parameter"};
        if (Status ok = session->SetValue(mask_param, MASK_ID); !ok) return ok.error();
    }
    if (Status ok = ApplyKeys(keys, MASK_ID, session); !ok) return ok.error();
    session->SetTime(timing->TimeOf(0), timing->time_step, timing->time_scale);
    return timing;
}

Result<json> PageDocument(const std::string& text, const std::string& name, const std::string& rate,
                          const std::vector<ParamDefinition>& params) {
    Result<Document> document = ReadDocument(text, name, rate, params);
    if (!document) return document.error();
    json out = json::object();
    if (!document->keys.params.empty()) {
        json tracks = json::object();
        for (const ParamTrack& t : document->keys.params) {
            tracks[t.label] = Track(t, params[static_cast<size_t>(t.index)]);
        }
        out["params"] = tracks;
    }
    const std::vector<MaskKey>& mask = document->keys.mask;
    if (mask.size() == 1) {
        out["mask"] = MasksJson({mask[0].path})[0];
    } else if (!mask.empty()) {
        json keys = json::array();
        for (const MaskKey& k : mask) {
            json key = MasksJson({k.path})[0];
            key["time"] = k.time;
            key["interpolation"] = InterpolationName(k.interpolation);
            keys.push_back(std::move(key));
        }
        out["mask"] = keys;
    }
    return out;
}

}  // namespace runner::web
