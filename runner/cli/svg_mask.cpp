#include <tinyxml2.h>

#include <cstring>

#include "runner/cli/affine.h"
#include "runner/cli/mask_file.h"
#include "runner/svg_path.h"

namespace runner::cli {
namespace {

// Element names may carry a namespace prefix ("svg:path").
bool IsPath(const tinyxml2::XMLElement* e) {
    const char* name = e->Name();
    const char* colon = std::strrchr(name, ':');
    return std::strcmp(colon ? colon + 1 : name, "path") == 0;
}

const tinyxml2::XMLElement* FirstPath(const tinyxml2::XMLElement* e) {
    for (; e != nullptr; e = e->NextSiblingElement()) {
        if (IsPath(e)) return e;
        if (const tinyxml2::XMLElement* inner = FirstPath(e->FirstChildElement())) return inner;
    }
    return nullptr;
}

}  // namespace

Result<std::vector<MaskPath>> ReadSvgMask(const std::string& file) {
    tinyxml2::XMLDocument doc;
    const tinyxml2::XMLError loaded = doc.LoadFile(file.c_str());
    if (loaded == tinyxml2::XML_ERROR_FILE_NOT_FOUND || loaded == tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED) {
        return Error{file + ": cannot open the mask file"};
    }
    if (loaded != tinyxml2::XML_SUCCESS) {
        return Error{file + ": not a readable SVG document (" + std::string(doc.ErrorStr()) + ")"};
    }
    const tinyxml2::XMLElement* path = FirstPath(doc.RootElement());
    if (path == nullptr) {
        return Error{file + ": the SVG document has no <path> element"};
    }
    const char* d = path->Attribute("d");
    if (d == nullptr) {
        return Error{file + ": the first <path> element has no \"d\" attribute"};
    }
    Affine total;
    for (const tinyxml2::XMLNode* node = path; node != nullptr; node = node->Parent()) {
        const tinyxml2::XMLElement* e = node->ToElement();
        if (e == nullptr) continue;
        if (const char* t = e->Attribute("transform")) {
            Result<Affine> m = ParseTransform(t);
            if (!m) return Error{file + ": " + m.Message()};
            total = Compose(*m, total);  // an ancestor's transform applies after its child's
        }
    }
    Result<std::vector<MaskPath>> paths = ParsePathData(d);
    if (!paths) return Error{file + ": " + paths.Message()};
    for (MaskPath& p : *paths) {
        p = Transformed(p, total);
    }
    return paths;
}

}  // namespace runner::cli
