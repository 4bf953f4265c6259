#include <fstream>
#include <nlohmann/json.hpp>

#include "runner/cli/mask_file.h"

namespace runner::cli {
namespace {

using nlohmann::json;

Result<std::vector<std::pair<double, double>>> Pairs(const json& doc, const char* key, const std::string& file) {
    std::vector<std::pair<double, double>> out;
    if (!doc.contains(key)) return out;
    const json& list = doc.at(key);
    if (!list.is_array()) return Error{file + ": \"" + key + "\" must be a list of [x, y] pairs"};
    for (size_t i = 0; i < list.size(); ++i) {
        const json& item = list[i];
        if (!item.is_array() || item.size() != 2 || !item[0].is_number() || !item[1].is_number()) {
            return Error{file + ": \"" + key + "\" entry " + std::to_string(i) + " is not a pair of numbers"};
        }
        out.emplace_back(item[0].get<double>(), item[1].get<double>());
    }
    return out;
}

}  // namespace

Result<std::vector<MaskPath>> ReadJsonMask(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{file + ": cannot open the mask file"};
    json doc = json::parse(in, nullptr, false);
    if (doc.is_discarded()) return Error{file + ": not valid JSON"};
    if (!doc.is_object()) return Error{file + ": the mask must be a JSON object"};
    if (!doc.contains("vertices")) return Error{file + ": the mask has no \"vertices\""};

    auto vertices = Pairs(doc, "vertices", file);
    if (!vertices) return vertices.TakeError();
    auto in_tangents = Pairs(doc, "in_tangents", file);
    if (!in_tangents) return in_tangents.TakeError();
    auto out_tangents = Pairs(doc, "out_tangents", file);
    if (!out_tangents) return out_tangents.TakeError();
    const size_t n = vertices->size();
    if (!in_tangents->empty() && in_tangents->size() != n) {
        return Error{file + ": \"in_tangents\" has " + std::to_string(in_tangents->size()) + " entries for " +
                     std::to_string(n) + " vertices"};
    }
    if (!out_tangents->empty() && out_tangents->size() != n) {
        return Error{file + ": \"out_tangents\" has " + std::to_string(out_tangents->size()) + " entries for " +
                     std::to_string(n) + " vertices"};
    }
    MaskPath path;
    if (doc.contains("closed")) {
        if (!doc["closed"].is_boolean()) return Error{file + ": \"closed\" must be true or false"};
        path.closed = doc["closed"].get<bool>();
    }
    for (size_t i = 0; i < n; ++i) {
        MaskVertex v;
        v.x = (*vertices)[i].first;
        v.y = (*vertices)[i].second;
        if (!in_tangents->empty()) {
            v.in_x = (*in_tangents)[i].first;
            v.in_y = (*in_tangents)[i].second;
        }
        if (!out_tangents->empty()) {
            v.out_x = (*out_tangents)[i].first;
            v.out_y = (*out_tangents)[i].second;
        }
        path.vertices.push_back(v);
    }
    return std::vector<MaskPath>{path};
}

}  // namespace runner::cli
