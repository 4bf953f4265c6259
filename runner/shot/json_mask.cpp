#include "runner/shot/json_mask.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

namespace runner {
namespace {

using nlohmann::json;

Result<std::vector<std::pair<double, double>>> Pairs(const json& doc, const char* key, const std::string& what) {
    std::vector<std::pair<double, double>> out;
    if (!doc.contains(key)) return out;
    const json& list = doc.at(key);
    if (!list.is_array()) return Error{what + ": \"" + key + "\" must be a list of [x, y] pairs"};
    for (size_t i = 0; i < list.size(); ++i) {
        const json& item = list[i];
        if (!item.is_array() || item.size() != 2 || !item[0].is_number() || !item[1].is_number()) {
            return Error{what + ": \"" + key + "\" entry " + std::to_string(i) + " is not a pair of numbers"};
        }
        out.emplace_back(item[0].get<double>(), item[1].get<double>());
    }
    return out;
}

}  // namespace

Result<json> ReadJsonFile(const std::string& file, const std::string& kind) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{file + ": cannot open the " + kind};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseJsonText(text, file);
}

Result<json> ParseJsonText(const std::string& text, const std::string& file) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        // The byte the parser stopped at, as a line and column counted from 1.
        const size_t at = e.byte == 0 ? 0 : std::min(e.byte - 1, text.size());
        size_t line = 1, column = 1;
        for (size_t i = 0; i < at; ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        std::string why = e.what();
        const size_t colon = why.rfind(": ");
        if (colon != std::string::npos) why = why.substr(colon + 2);
        return Error{file + ": not valid JSON at line " + std::to_string(line) + ", column " + std::to_string(column) +
                     ": " + why};
    } catch (const json::exception& e) {
        return Error{file + ": not valid JSON: " + e.what()};
    }
}

Result<MaskPath> MaskFromJson(const json& doc, const std::string& what) {
    if (!doc.is_object()) return Error{what + ": the mask must be a JSON object"};
    if (!doc.contains("vertices")) return Error{what + ": the mask has no \"vertices\""};
    auto vertices = Pairs(doc, "vertices", what);
    if (!vertices) return vertices.error();
    auto in_tangents = Pairs(doc, "in_tangents", what);
    if (!in_tangents) return in_tangents.error();
    auto out_tangents = Pairs(doc, "out_tangents", what);
    if (!out_tangents) return out_tangents.error();
    const size_t n = vertices->size();
    for (const auto& [name, list] : {std::make_pair("in_tangents", &*in_tangents),
                                     std::make_pair("out_tangents", &*out_tangents)}) {
        if (!list->empty() && list->size() != n) {
            return Error{what + ": \"" + name + "\" has " + std::to_string(list->size()) + " entries for " +
                         std::to_string(n) + " vertices"};
        }
    }
    MaskPath path;
    if (doc.contains("closed")) {
        if (!doc["closed"].is_boolean()) return Error{what + ": \"closed\" must be true or false"};
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
    return path;
}

}  // namespace runner
