// For now the command line's SVG reader serves the page: the text goes
// into a file of the module's own file system, which the reader opens
// (through bridge/zlib.h, as it is). This folder goes once the shot part
// reads SVG documents from text.
#include "web/svg_import.h"

#include <cstdio>

#include "cli/mask_file.h"

namespace runner::web {

Result<std::vector<MaskPath>> SvgMask(const std::string& text, const std::string& name, const std::string& id,
                                      int32_t width, int32_t height, bool fit) {
    std::string file = name.empty() ? std::string("mask.svg") : name;
    for (char& c : file) {
        if (c == '/') c = '_';
    }
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) return Error{name + ": cannot hand the document to the reader"};
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    std::fclose(out);
    if (!written) return Error{name + ": cannot hand the document to the reader"};
    cli::SvgOptions options;
    options.element_id = id;
    options.layer_width = width;
    options.layer_height = height;
    options.fit_layer = fit;
    Result<std::vector<MaskPath>> paths = cli::ReadSvgMask(file, options);
    std::remove(file.c_str());
    return paths;
}

}  // namespace runner::web
