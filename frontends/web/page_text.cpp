#include "web/page_text.h"

#include <nlohmann/json.hpp>

#include "runner/shot/apply_settings.h"
#include "runner/shot/param_text.h"

namespace runner::web {
namespace {

using nlohmann::json;

const char* Kind(PF_ParamType type) {
    switch (type) {
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FIX_SLIDER: return "fixed";
    case PF_Param_FLOAT_SLIDER: return "float";
    case PF_Param_POPUP: return "popup";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "color";
    case PF_Param_PATH: return "path";
    default: return "other";
    }
}

json Pair(double x, double y) { return json::array({x, y}); }

}  // namespace

json ParamsJson(const std::vector<ParamDefinition>& params) {
    json out = json::array();
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        json p = {{"index", def.index},
                  {"label", def.label},
                  {"kind", Kind(def.type)},
                  {"description", DescribeType(def)},
                  {"allowed", DescribeAllowed(def)}};
        switch (def.type) {
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER:
            p["valid_min"] = def.valid_min;
            p["valid_max"] = def.valid_max;
            p["slider_min"] = def.slider_min;
            p["slider_max"] = def.slider_max;
            p["precision"] = def.type == PF_Param_SLIDER ? 0 : def.precision;
            p["percent"] = def.IsPercent();
            p["default"] = def.default_value;
            break;
        case PF_Param_POPUP:
            p["choices"] = def.choices;
            p["default"] = def.default_value;
            break;
        case PF_Param_CHECKBOX:
            p["checkbox_text"] = def.checkbox_text;
            p["default"] = def.default_value != 0.0;
            break;
        case PF_Param_COLOR: p["default"] = FormatHexColour(def.default_color); break;
        default: break;
        }
        out.push_back(std::move(p));
    }
    return out;
}

json ValuesAt(const Session& session, int32_t time) {
    json out = json::object();
    const std::vector<ParamDefinition>& params = session.Params();
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        switch (def.type) {
        case PF_Param_COLOR: out[def.label] = FormatHexColour(session.DefAt(def.index, time).u.cd.value); break;
        case PF_Param_CHECKBOX: out[def.label] = session.ValueAt(def.index, time) != 0.0; break;
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_POPUP: out[def.label] = session.ValueAt(def.index, time); break;
        default: break;
        }
    }
    return out;
}

json MasksJson(const std::vector<MaskPath>& paths) {
    json out = json::array();
    for (const MaskPath& path : paths) {
        json vertices = json::array(), in = json::array(), outs = json::array();
        for (const MaskVertex& v : path.vertices) {
            vertices.push_back(Pair(v.x, v.y));
            in.push_back(Pair(v.in_x, v.in_y));
            outs.push_back(Pair(v.out_x, v.out_y));
        }
        out.push_back({{"vertices", vertices}, {"in_tangents", in}, {"out_tangents", outs}, {"closed", path.closed}});
    }
    return out;
}

std::string PathDataOf(const MaskPath& path) {
    if (path.vertices.empty()) return std::string();
    auto point = [](double x, double y) { return ExactNumber(x) + " " + ExactNumber(y); };
    const MaskVertex& first = path.vertices.front();
    std::string d = "M " + point(first.x, first.y);
    const size_t n = path.vertices.size();
    const size_t segments = path.closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const MaskVertex& a = path.vertices[i];
        const MaskVertex& b = path.vertices[(i + 1) % n];
        d += " C " + point(a.x + a.out_x, a.y + a.out_y) + " " + point(b.x + b.in_x, b.y + b.in_y) + " " +
             point(b.x, b.y);
    }
    if (path.closed) d += " Z";
    return d;
}

Frei0rText Frei0rAt(const Session& session, const MaskPath* mask, int32_t time) {
    Frei0rText text;
    if (mask != nullptr) text.path = PathDataOf(*mask);
    const std::vector<ParamDefinition>& params = session.Params();
    for (size_t i = 1; i < params.size(); ++i) {
        const ParamDefinition& def = params[i];
        const double v = session.ValueAt(def.index, time);
        std::string value;
        switch (def.type) {
        case PF_Param_COLOR: value = FormatHexColour(session.DefAt(def.index, time).u.cd.value); break;
        case PF_Param_CHECKBOX: value = v != 0.0 ? "on" : "off"; break;
        case PF_Param_POPUP: {
            const size_t k = static_cast<size_t>(v);
            value = k >= 1 && k <= def.choices.size() ? def.choices[k - 1] : ExactNumber(v);
            break;
        }
        case PF_Param_SLIDER:
        case PF_Param_FIX_SLIDER:
        case PF_Param_FLOAT_SLIDER: value = ExactNumber(v); break;
        default: continue;
        }
        if (!text.values.empty()) text.values += "; ";
        text.values += def.label + "=" + value;
    }
    return text;
}

}  // namespace runner::web
