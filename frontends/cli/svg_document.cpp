#include "cli/svg_document.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "runner/shot/svg_scan.h"

namespace runner::cli {
namespace {

bool IsNone(std::string_view value) {
    value = TrimSvgBlanks(value);
    const size_t important = value.find('!');
    if (important != std::string_view::npos) value = TrimSvgBlanks(value.substr(0, important));
    return EqualsIgnoringCase(value, "none");
}

struct GzCloser {
    void operator()(gzFile_s* f) const { gzclose(f); }
};

}  // namespace

Status LoadSvgDocument(const std::string& file, tinyxml2::XMLDocument* doc) {
    // zlib reads a file that is not compressed as it is, so one reader
    // serves .svg and .svgz alike.
    std::unique_ptr<gzFile_s, GzCloser> in(gzopen(file.c_str(), "rb"));
    if (!in) return Error{file + ": cannot open the mask file (" + std::strerror(errno) + ")"};
    std::string text;
    char buffer[1 << 16];
    while (true) {
        const int got = gzread(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            int code = 0;
            const char* why = gzerror(in.get(), &code);
            if (code == Z_ERRNO) return Error{file + ": cannot read the mask file (" + std::strerror(errno) + ")"};
            return Error{file + ": not a readable gzip-compressed SVG document (" + why + ")"};
        }
        if (got == 0) break;
        if (text.size() + static_cast<size_t>(got) > MAX_SVG_BYTES) {
            return Error{file + ": the SVG document is larger than " + std::to_string(MAX_SVG_BYTES >> 20) + " MiB"};
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    // A compressed file cut short ends without an error from gzread.
    int code = 0;
    const char* why = gzerror(in.get(), &code);
    if (code != Z_OK) return Error{file + ": not a readable gzip-compressed SVG document (" + why + ")"};
    if (doc->Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return Error{file + ": not a readable SVG document (" + std::string(doc->ErrorStr()) + ")"};
    }
    return Success();
}

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

}  // namespace runner::cli
