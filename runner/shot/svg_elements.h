// The few properties of an SVG element that decide whether and what it
// draws, as the mask reader asks about them.
#ifndef FOLVEK_RUNNER_SHOT_SVG_ELEMENTS_H
#define FOLVEK_RUNNER_SHOT_SVG_ELEMENTS_H

#include <string_view>

namespace tinyxml2 {
class XMLElement;
}

namespace runner {

// The element's name without a namespace prefix ("svg:path" is "path").
std::string_view LocalName(const tinyxml2::XMLElement& e);

// display="none", as an attribute or in the style attribute.
bool DisplayNone(const tinyxml2::XMLElement& e);

// The element's reference: href, or xlink:href (any prefix); null if none.
const char* Href(const tinyxml2::XMLElement& e);

}  // namespace runner

#endif
