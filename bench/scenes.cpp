#include "scenes.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "host/param_ids.h"

namespace bench {

namespace {

struct SceneBase {
    const char* id;
    const char* what;
    int32_t width, height, crossings, max_radius, edge_thickness, on_original;
};

// (a) defaults along a long sweep, (b) big circles with a thick ring at
// 3840x2160, (c) the smallest circles, tens of thousands of them, (e) a few
// hundred mid-sized circles at 3840x2160, (d) no mask: only the starting
// picture, as a copy and as a fill.
const SceneBase BASES[] = {
    {"a", "1920x1080 defaults, sweep x6", 1920, 1080, 6, 50, 1, 0},
    {"b", "3840x2160 Max Radius 500, Edge 20", 3840, 2160, 6, 500, 20, 0},
    {"c", "1920x1080 Max Radius 2, sweep x60", 1920, 1080, 60, 2, 1, 0},
    {"e", "3840x2160 Max Radius 120, sweep x10", 3840, 2160, 10, 120, 1, 0},
    {"d-copy", "1920x1080 no mask, On Original", 1920, 1080, 0, 50, 1, 1},
    {"d-fill", "1920x1080 no mask, transparent", 1920, 1080, 0, 50, 1, 0},
};

const PF_PixelFormat FORMATS[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

}  // namespace

int32_t BytesPerPixelOf(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return 4;
        case PF_PixelFormat_ARGB64: return 8;
        case PF_PixelFormat_ARGB128: return 16;
        default: return 0;
    }
}

const char* DepthName(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return "8";
        case PF_PixelFormat_ARGB64: return "16";
        case PF_PixelFormat_ARGB128: return "float";
        default: return "?";
    }
}

std::vector<BenchScene> AllBenchScenes() {
    std::vector<BenchScene> scenes;
    for (const SceneBase& base : BASES) {
        for (PF_PixelFormat format : FORMATS) {
            BenchScene s;
            s.name = std::string(base.id) + "/" + DepthName(format);
            s.what = base.what;
            s.format = format;
            s.width = base.width;
            s.height = base.height;
            s.crossings = base.crossings;
            s.max_radius = base.max_radius;
            s.edge_thickness = base.edge_thickness;
            s.on_original = base.on_original;
            scenes.push_back(s);
        }
    }
    return scenes;
}

runner::MaskPath SweepMask(int32_t width, int32_t height, int32_t crossings) {
    runner::MaskPath path;
    const double w = width, h = height;
    const double top = 0.06 * h, bottom = 0.94 * h;
    const double step = crossings > 0 ? (bottom - top) / crossings : 0.0;
    // Vertices alternate just beyond the left and right borders with
    // vertical tangents, so the path is smooth through every vertex: each
    // segment is an S across the frame and each turn a round bend, partly
    // outside the image.
    for (int32_t i = 0; i <= crossings; ++i) {
        runner::MaskVertex v;
        v.x = (i % 2) == 0 ? -0.02 * w : 1.02 * w;
        v.y = top + step * i;
        v.in_y = -0.6 * step;
        v.out_y = 0.6 * step;
        path.vertices.push_back(v);
    }
    return path;
}

bool ApplyScene(const BenchScene& scene, runner::Session* session, std::string* error) {
    constexpr PF_PathID MASK_ID = 1;
    const std::pair<PF_ParamIndex, double> values[] = {
        {PARAM_TIME, scene.time},
        {PARAM_MAX_RADIUS, static_cast<double>(scene.max_radius)},
        {PARAM_EDGE_THICKNESS, static_cast<double>(scene.edge_thickness)},
        {PARAM_ON_ORIGINAL, static_cast<double>(scene.on_original)}};
    runner::Status ok = runner::Success();
    for (const auto& [index, value] : values) {
        if (ok) ok = session->SetValue(index, value);
    }
    if (ok && scene.crossings > 0) ok = session->SetMask(MASK_ID, SweepMask(scene.width, scene.height, scene.crossings));
    if (ok && scene.crossings > 0) ok = session->SetValue(PARAM_PATH, MASK_ID);
    if (!ok) *error = ok.error().message;
    return ok.has_value();
}

std::string SweepPathData(const runner::MaskPath& mask) {
    const std::vector<runner::MaskVertex>& v = mask.vertices;
    if (v.empty()) return std::string();
    char buf[256];
    snprintf(buf, sizeof buf, "M %.17g %.17g", v[0].x, v[0].y);
    std::string d = buf;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        snprintf(buf, sizeof buf, " C %.17g %.17g %.17g %.17g %.17g %.17g", v[i].x + v[i].out_x, v[i].y + v[i].out_y,
                 v[i + 1].x + v[i + 1].in_x, v[i + 1].y + v[i + 1].in_y, v[i + 1].x, v[i + 1].y);
        d += buf;
    }
    return d;
}

void FillPattern(PF_PixelFormat format, int32_t width, int32_t height, int32_t row_bytes, uint8_t* data) {
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = data + static_cast<size_t>(y) * static_cast<size_t>(row_bytes);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t r = static_cast<uint32_t>((x * 255) / (width > 1 ? width - 1 : 1));
            const uint32_t g = static_cast<uint32_t>((y * 255) / (height > 1 ? height - 1 : 1));
            const uint32_t b = static_cast<uint32_t>(((x + y) * 7) & 255);
            if (format == PF_PixelFormat_ARGB32) {
                PF_Pixel p{255, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
                std::memcpy(row + 4 * x, &p, sizeof p);
            } else if (format == PF_PixelFormat_ARGB64) {
                PF_Pixel16 p{32768, static_cast<uint16_t>(r * 128), static_cast<uint16_t>(g * 128),
                             static_cast<uint16_t>(b * 128)};
                std::memcpy(row + 8 * x, &p, sizeof p);
            } else {
                PF_PixelFloat p{1.0f, static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
                                static_cast<float>(b) / 255.0f};
                std::memcpy(row + 16 * x, &p, sizeof p);
            }
        }
    }
}

}  // namespace bench
