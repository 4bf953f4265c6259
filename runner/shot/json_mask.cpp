#include "runner/shot/json_mask.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "runner/shot/mask_choice.h"

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

// Where the parser is, as "\"params\" \"Time\" entry 2" (entries of lists
// counted from 1), and the first name an object gives twice: the parser
// itself keeps the last and says nothing.
class DuplicateFinder {
public:
    bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            CountElement();
            levels_.push_back(Level{event == json::parse_event_t::array_start, 0, "", {}});
            break;
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (!levels_.empty()) levels_.pop_back();
            break;
        case json::parse_event_t::key:
            if (!levels_.empty() && parsed.is_string()) {
                Level& here = levels_.back();
                here.name = parsed.get<std::string>();
                if (!here.seen.insert(here.name).second && duplicate_.empty()) {
                    const std::string inside = Place(levels_.size() - 1);
                    duplicate_ = "\"" + here.name + "\" is given twice" + (inside.empty() ? "" : " in " + inside);
                }
            }
            break;
        case json::parse_event_t::value: CountElement(); break;
        }
        return true;
    }
    const std::string& Duplicate() const { return duplicate_; }

private:
    struct Level {
        bool array = false;
        size_t count = 0;  // elements of a list so far
        std::string name;  // the member of an object being read
        std::set<std::string> seen;
    };
    void CountElement() {
        if (!levels_.empty() && levels_.back().array) ++levels_.back().count;
    }
    // The path to the container at `depth` (0 is the document).
    std::string Place(size_t depth) const {
        std::string out;
        for (size_t i = 0; i < depth; ++i) {
            out += (out.empty() ? "" : " ") +
                   (levels_[i].array ? "entry " + std::to_string(levels_[i].count) : "\"" + levels_[i].name + "\"");
        }
        return out;
    }
    std::vector<Level> levels_;
    std::string duplicate_;
};

}  // namespace

Result<json> ParseJsonText(const std::string& text, const std::string& file) {
    DuplicateFinder finder;
    json doc;
    try {
        doc = json::parse(text, std::ref(finder));
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
    if (!finder.Duplicate().empty()) return Error{file + ": " + finder.Duplicate()};
    return doc;
}

Result<json> ReadJsonFile(const std::string& file, const std::string& kind) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{file + ": cannot open the " + kind};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseJsonText(text, file);
}

Result<MaskPath> MaskFromJson(const json& doc, const std::string& what) {
    if (!doc.is_object()) return Error{what + ": the mask must be a JSON object"};
    if (doc.contains("d")) {
        for (const char* other : {"vertices", "in_tangents", "out_tangents", "closed"}) {
            if (doc.contains(other)) {
                return Error{what + ": \"d\" draws the whole mask; leave out \"" + std::string(other) + "\""};
            }
        }
        const json& d = doc.at("d");
        if (!d.is_string() || d.get<std::string>().find_first_not_of(" \t\r\n") == std::string::npos) {
            return Error{what + ": \"d\" must be SVG path data in a text, such as \"M 0 0 L 10 10\""};
        }
        return MaskFromPathData(d.get<std::string>(), 0, what);
    }
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
