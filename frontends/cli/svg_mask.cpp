// SVG mask files: the document's text read from the file, inflated when it
// is gzip-compressed, and handed to the shot part's reader.
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cli/mask_file.h"

namespace runner::cli {
namespace {

// Largest document read, after decompression.
constexpr size_t MAX_SVG_BYTES = size_t{256} << 20;

struct GzCloser {
    void operator()(gzFile_s* f) const { gzclose(f); }
};

// The file's text, inflated first when it is gzip-compressed (whatever its
// extension). Errors name the file.
Result<std::string> ReadSvgText(const std::string& file) {
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
    return text;
}

}  // namespace

Result<std::vector<MaskPath>> ReadSvgMask(const std::string& file, const SvgOptions& options) {
    Result<std::string> text = ReadSvgText(file);
    if (!text) return text.error();
    SvgOptions named = options;
    named.fit_name = "--mask-fit layer";  // the option that asks for the fit
    return ParseSvgDocument(*text, file, named);
}

}  // namespace runner::cli
