// The tool's mask readers on arbitrary text: SVG path data, SVG documents
// and JSON mask records. The first byte picks the reader. Whatever a reader
// accepts is then measured and walked by the host's path geometry, the way
// the effect would see it.
#include <stdint.h>

#include <cmath>
#include <string_view>

#include "cli/mask_file.h"
#include "runner/shot/svg_path.h"
#include "runner/core/mask_path.h"
#include "fuzz_common.h"

namespace {

constexpr int32_t MAX_SEGMENTS_WALKED = 64;

void Walk(const std::vector<runner::MaskPath>& paths) {
    for (const runner::MaskPath& path : paths) {
        const int32_t segments = runner::SegmentCount(path);
        fuzz::Check(segments >= 0, "negative segment count");
        for (int32_t s = 0; s < segments && s < MAX_SEGMENTS_WALKED; ++s) {
            const runner::SegmentPrep prep = runner::PrepareSegment(path, s, 100);
            const double length = runner::SegmentLength(prep);
            fuzz::Check(std::isnan(length) || length >= 0.0, "negative segment length");
            const double probes[] = {0.0, 0.5, length * 0.5, length, length + 1.0, -1.0};
            for (double t : probes) {
                double x = 0, y = 0, dx = 0, dy = 0;
                runner::EvalAtLength(prep, t, &x, &y, &dx, &dy);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    if (which == 0) {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        runner::Result<std::vector<runner::MaskPath>> paths = runner::ParsePathData(text);
        if (!paths) {
            fuzz::Check(!paths.error().message.empty(), "a refusal without a message");
            return 0;
        }
        for (const runner::MaskPath& p : *paths) {
            for (const runner::MaskVertex& v : p.vertices) {
                fuzz::Check(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.in_x) &&
                                std::isfinite(v.in_y) && std::isfinite(v.out_x) && std::isfinite(v.out_y),
                            "path data accepted with a coordinate that is not finite");
            }
        }
        Walk(*paths);
        return 0;
    }
    const std::string file = fuzz::WriteScratch(which == 1 ? ".svg" : ".json", data, size);
    runner::Result<std::vector<runner::MaskPath>> paths =
        which == 1 ? runner::cli::ReadSvgMask(file) : runner::cli::ReadJsonMask(file);
    if (!paths) {
        fuzz::Check(!paths.error().message.empty(), "a refusal without a message");
        return 0;
    }
    Walk(*paths);
    return 0;
}
