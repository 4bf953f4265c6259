#include "runner/shot/svg_elements.h"

#include <tinyxml2.h>

#include "runner/shot/svg_scan.h"

namespace runner {
namespace {

bool IsNone(std::string_view value) {
    value = TrimSvgBlanks(value);
    const size_t important = value.find('!');
    if (important != std::string_view::npos) value = TrimSvgBlanks(value.substr(0, important));
    return EqualsIgnoringCase(value, "none");
}

}  // namespace

std::string_view LocalName(const tinyxml2::XMLElement& e) {
    const std::string_view name = e.Name();
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool DisplayNone(const tinyxml2::XMLElement& e) {
    const char* display = e.Attribute("display");
    bool none = display != nullptr && IsNone(display);
    // The style attribute's declarations, "name: value" separated by
    // semicolons, override the attribute; the last one wins.
    const char* style = e.Attribute("style");
    std::string_view rest = style == nullptr ? "" : style;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string_view declaration = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) continue;
        if (EqualsIgnoringCase(TrimSvgBlanks(declaration.substr(0, colon)), "display")) {
            none = IsNone(declaration.substr(colon + 1));
        }
    }
    return none;
}

const char* Href(const tinyxml2::XMLElement& e) {
    if (const char* href = e.Attribute("href")) return href;
    for (const tinyxml2::XMLAttribute* a = e.FirstAttribute(); a != nullptr; a = a->Next()) {
        const std::string_view name = a->Name();
        const size_t colon = name.rfind(':');
        if (colon != std::string_view::npos && name.substr(colon + 1) == "href") return a->Value();
    }
    return nullptr;
}

}  // namespace runner
