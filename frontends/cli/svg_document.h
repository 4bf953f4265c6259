// Reading SVG documents, plain or gzip-compressed (.svgz), and the few
// element properties the mask reader asks about.
#ifndef FOLVEK_CLI_SVG_DOCUMENT_H
#define FOLVEK_CLI_SVG_DOCUMENT_H

#include <tinyxml2.h>

#include <string>
#include <string_view>

#include "runner/core/error.h"

namespace runner::cli {

// Largest document read, after decompression.
constexpr size_t MAX_SVG_BYTES = size_t{256} << 20;

// Parses `file` into `doc`, inflating it first when it is gzip-compressed
// (whatever its extension). Errors name the file.
Status LoadSvgDocument(const std::string& file, tinyxml2::XMLDocument* doc);

// The element's name without a namespace prefix ("svg:path" is "path").
std::string_view LocalName(const tinyxml2::XMLElement& e);

// display="none", as an attribute or in the style attribute.
bool DisplayNone(const tinyxml2::XMLElement& e);

// The element's reference: href, or xlink:href (any prefix); null if none.
const char* Href(const tinyxml2::XMLElement& e);

}  // namespace runner::cli

#endif
