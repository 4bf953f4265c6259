// What a big mask costs, from its text to the first two frames walked along
// it: masks of 10^3 to 10^6 segments as a JSON file and as SVG path data,
// each read, checked and walked by the effect (frame 1 measures every
// segment, frame 2 finds them kept), an SVG transform list of as many
// items, and, when the frei0r plug-in is built, a Path of as many segments
// set on it and its first frame. Prints seconds; nothing passes or fails.
//
//   ringstride_mask_scale_bench [--max N] [--stop SECONDS]
//
// Sizes grow by ten up to N (10^6); a kind whose last step took longer than
// SECONDS (30) is not tried at the next size.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "frei0r_plugin.h"
#include "runner/loader/effect_open.h"
#include "runner/shot/affine.h"
#include "runner/shot/apply_settings.h"
#include "runner/shot/json_mask.h"
#include "runner/shot/mask_choice.h"

namespace {

constexpr int32_t W = 640;
constexpr int32_t H = 360;

// Wall-clock and CPU seconds: on a machine shared with other work the CPU
// time is the steadier figure.
struct Spent {
    double wall = 0.0, cpu = 0.0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename F>
Spent Time(F work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), CpuSeconds() - cpu};
}

// A zigzag of small curves filling the frame row by row: segment i runs a
// few pixels, so a walk visits every segment and the whole path is drawn.
struct Point {
    double x, y;
};
std::vector<Point> ZigzagPoints(int64_t segments) {
    std::vector<Point> points;
    const int64_t per_row = 200;
    for (int64_t i = 0; i <= segments; ++i) {
        const int64_t row = i / per_row, col = i % per_row;
        const double x = 20.0 + 3.0 * static_cast<double>(row % 2 == 0 ? col : per_row - col);
        // Rows repeat down the frame, each pass a little lower: no two
        // segments are the same.
        const double y = 10.0 + static_cast<double>(row % 340) + 0.01 * static_cast<double>(row / 340) +
                         (col % 2 == 0 ? 0.0 : 1.5);
        points.push_back({x, y});
    }
    return points;
}

std::string JsonMask(int64_t segments) {
    const std::vector<Point> points = ZigzagPoints(segments);
    std::string vertices, in, out;
    char buf[64];
    for (size_t i = 0; i < points.size(); ++i) {
        const char* comma = i == 0 ? "" : ",";
        std::snprintf(buf, sizeof buf, "%s[%.1f,%.1f]", comma, points[i].x, points[i].y);
        vertices += buf;
        std::snprintf(buf, sizeof buf, "%s[-1,0.5]", comma);
        in += buf;
        std::snprintf(buf, sizeof buf, "%s[1,-0.5]", comma);
        out += buf;
    }
    return "{\"vertices\":[" + vertices + "],\"in_tangents\":[" + in + "],\"out_tangents\":[" + out +
           "],\"closed\":false}";
}

std::string PathData(int64_t segments) {
    const std::vector<Point> points = ZigzagPoints(segments);
    std::string d;
    char buf[96];
    std::snprintf(buf, sizeof buf, "M%.1f %.1f", points[0].x, points[0].y);
    d += buf;
    for (size_t i = 1; i < points.size(); ++i) {
        const Point& a = points[i - 1];
        const Point& b = points[i];
        std::snprintf(buf, sizeof buf, "C%.1f %.1f %.1f %.1f %.1f %.1f", a.x + 1, a.y - 0.5, b.x - 1, b.y + 0.5,
                      b.x, b.y);
        d += buf;
    }
    return d;
}

std::string TransformList(int64_t items) {
    std::string text;
    text.reserve(static_cast<size_t>(items) * 16);
    for (int64_t i = 0; i < items; ++i) text += "translate(0 0) ";
    return text;
}

// Frames 1 and 2 of a session over the effect with `mask`; the mask set and
// both frames are timed apart.
struct Walked {
    Spent set, first, second;
    bool ok = false;
};
Walked WalkFrames(const std::string& plugin, const runner::MaskPath& mask) {
    Walked w;
    runner::Result<runner::OpenedEffect> opened = runner::OpenEffect(plugin);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().message.c_str());
        return w;
    }
    runner::Session* s = opened->session.get();
    s->SetInput(runner::World::Create(PF_PixelFormat_ARGB32, W, H, 0, 0).value());
    w.set = Time([&] { (void)runner::ApplyMask(s, mask, 1); });
    bool ok = true;
    w.first = Time([&] { ok = ok && runner::CheckFrame(s->RenderFrame(), "") .has_value(); });
    w.second = Time([&] { ok = ok && runner::CheckFrame(s->RenderFrame(), "").has_value(); });
    w.ok = ok;
    return w;
}

// The frei0r plug-in's path, when it is built.
#ifdef RINGSTRIDE_FREI0R_PLUGIN
const char* const FREI0R_PLUGIN = RINGSTRIDE_FREI0R_PLUGIN;
#else
const char* const FREI0R_PLUGIN = nullptr;
#endif

void Row(const char* kind, int64_t n, const char* stage, Spent spent) {
    std::printf("  %-12s %9lld  %-34s %9.3f %9.3f\n", kind, static_cast<long long>(n), stage, spent.wall, spent.cpu);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int64_t max = 1000000;
    double stop = 30.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--max") == 0) max = std::atoll(argv[i + 1]);
        if (std::strcmp(argv[i], "--stop") == 0) stop = std::atof(argv[i + 1]);
    }
    const std::string plugin = RINGSTRIDE_EFFECT_PATH;
    const std::string json_file = "/tmp/ringstride_mask_scale_" + std::to_string(getpid()) + ".json";
    std::unique_ptr<bench::Frei0rPlugin> frei0r;
    if (FREI0R_PLUGIN != nullptr) {
        frei0r = std::make_unique<bench::Frei0rPlugin>(FREI0R_PLUGIN);
        if (!frei0r->Ok()) std::fprintf(stderr, "mask_scale_bench: frei0r plug-in: %s\n", frei0r->Error().c_str());
    }
    const bool has_frei0r = frei0r && frei0r->Ok();

    std::printf("Mask preparation by size (%dx%d frames, segments of a few pixels):\n", W, H);
    std::printf("  %-12s %9s  %-34s %9s %9s\n", "kind", "segments", "stage", "wall s", "CPU s");
    bool json_on = true, data_on = true, transform_on = true, frei0r_on = has_frei0r;
    for (int64_t n = 1000; n <= max; n *= 10) {
        if (json_on) {
            { std::ofstream(json_file, std::ios::binary) << JsonMask(n); }
            runner::Result<nlohmann::json> doc = nlohmann::json();
            runner::Result<runner::MaskPath> mask = runner::Error{""};
            const Spent read = Time([&] { doc = runner::ReadJsonFile(json_file, "mask file"); });
            Spent made;
            if (doc) made = Time([&] { mask = runner::MaskFromJson(*doc, json_file); });
            std::remove(json_file.c_str());
            Row("JSON", n, doc ? "file read and parsed" : "file read FAILED", read);
            if (doc) Row("JSON", n, mask ? "mask from the document" : "mask from the document FAILED", made);
            if (mask) {
                const Walked w = WalkFrames(plugin, *mask);
                Row("JSON", n, "mask set", w.set);
                Row("JSON", n, w.ok ? "frame 1 (every segment measured)" : "frame 1 FAILED", w.first);
                Row("JSON", n, w.ok ? "frame 2 (segments kept)" : "frame 2 FAILED", w.second);
                json_on = read.wall + made.wall + w.first.wall + w.second.wall < stop;
            } else {  // nothing to walk, and the next size would fail alike
                std::fprintf(stderr, "  %s\n", (doc ? mask.error() : doc.error()).message.c_str());
                json_on = false;
            }
        }
        if (data_on) {
            const std::string d = PathData(n);
            runner::Result<runner::MaskPath> mask = runner::Error{""};
            const Spent parsed = Time([&] { mask = runner::MaskFromPathData(d, 0, "path data"); });
            Row("path data", n, mask ? "parsed and checked" : "parse FAILED", parsed);
            if (mask) {
                const Walked w = WalkFrames(plugin, *mask);
                Row("path data", n, w.ok ? "frame 1 (every segment measured)" : "frame 1 FAILED", w.first);
                Row("path data", n, w.ok ? "frame 2 (segments kept)" : "frame 2 FAILED", w.second);
                data_on = parsed.wall + w.first.wall + w.second.wall < stop;
            } else {
                std::fprintf(stderr, "  %s\n", mask.error().message.c_str());
                data_on = false;
            }
        }
        if (transform_on) {
            const std::string text = TransformList(n);
            runner::Result<runner::Affine> m = runner::Affine{};
            const Spent parsed = Time([&] { m = runner::ParseTransform(text); });
            Row("transform", n, m ? "translate(0 0) items parsed" : "parse FAILED", parsed);
            transform_on = parsed.wall < stop;
        }
        if (frei0r_on) {
            const std::string d = PathData(n);
            std::vector<uint32_t> in(static_cast<size_t>(W) * H, 0xff808080u), out(in.size());
            void* instance = frei0r->construct(W, H);
            const char* text = d.c_str();
            const Spent set = Time([&] { frei0r->set_param_value(instance, &text, 0); });
            const Spent first = Time([&] { frei0r->update(instance, 0.0, in.data(), out.data()); });
            const Spent second = Time([&] { frei0r->update(instance, 0.04, in.data(), out.data()); });
            frei0r->destruct(instance);
            Row("frei0r Path", n, "set", set);
            Row("frei0r Path", n, "frame 1 (parsed, walked)", first);
            Row("frei0r Path", n, "frame 2", second);
            frei0r_on = set.wall + first.wall + second.wall < stop;
        }
    }
    return 0;
}
