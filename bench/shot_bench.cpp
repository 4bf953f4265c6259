// Shot benchmarks: the ringstride tool run as a user runs it, on generated
// inputs, with figures for what a whole animation costs beyond the effect:
// page faults per steady-state frame, video output against ffmpeg alone,
// frames per second of file output on one core and on two, and the smart
// render's time per frame inside an animation against cairo drawing the
// same circles. Figures only; nothing passes or fails.
//
//     ringstride_shot_bench [--quick] [--tool PATH --plugin PATH]
//                           [--before-tool PATH --before-plugin PATH]
//                           [--timer PATH] [--only faults|video|fps|render]
//
// With a "before" build every figure is printed for both, side by side.
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core_rig.h"
#include "peers.h"
#include "scenes.h"
#include "timing.h"

namespace {

namespace fs = std::filesystem;

struct Tool {
    std::string label;   // "before", "after"
    std::string exe;
    std::string plugin;
    bool has_compression = true;  // knows --compression
};

struct Options {
    bool quick = false;
    std::vector<Tool> tools;
    std::string timer = RINGSTRIDE_TIMER_PATH;
    std::string only;
    std::string work;
};

struct Run {
    int code = -1;
    double wall_s = 0.0;
    double cpu_s = 0.0;
    long faults = 0;  // minor and major
    std::string out;
};

using Env = std::vector<std::pair<std::string, std::string>>;

// One child process, pinned to `cpus` (all when empty), standard output
// kept, standard error dropped.
Run Execute(const std::vector<std::string>& args, const std::vector<int>& cpus, const Env& env,
            const std::string& work) {
    const std::string out_file = work + "/stdout.txt";
    Run run;
    fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (!cpus.empty()) {
            cpu_set_t set;
            CPU_ZERO(&set);
            for (int c : cpus) CPU_SET(c, &set);
            sched_setaffinity(0, sizeof set, &set);
        }
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        if (!freopen(out_file.c_str(), "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
        if (chdir(work.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpu_s = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.faults = usage.ru_minflt + usage.ru_majflt;
    std::ifstream in(out_file);
    std::stringstream text;
    text << in.rdbuf();
    run.out = text.str();
    return run;
}

void RemoveFrames(const std::string& work) {
    for (const auto& entry : fs::directory_iterator(work)) {
        if (entry.path().filename().string().rfind("out", 0) == 0) fs::remove(entry.path());
    }
}

// The frames per second that animate's summary reports (start-up excluded).
double SummaryFps(const std::string& out) {
    const size_t at = out.find(" frames/s");
    if (at == std::string::npos) return 0.0;
    const size_t open = out.rfind('(', at);
    return open == std::string::npos ? 0.0 : atof(out.c_str() + open + 1);
}

struct Inputs {
    std::string hd;        // 1920x1080 8-bit PNG
    std::string uhd;       // 3840x2160 8-bit PNG
    std::string mask_a;    // scene a's sweep at 1920x1080
    std::string mask_e;    // scene e's sweep at 3840x2160
    bench::BenchScene scene_e;
};

bool MakeInputs(const std::string& work, Inputs* in) {
    in->hd = work + "/in_1920.png";
    in->uhd = work + "/in_3840.png";
    for (const auto& [file, size] : {std::make_pair(in->hd, "1920x1080"), std::make_pair(in->uhd, "3840x2160")}) {
        const Run r = Execute({"oiiotool", "--pattern",
                               "fill:topleft=1,0.2,0:topright=0,1,0.3:bottomleft=0,0.4,1:bottomright=1,1,1", size,
                               "4", "--ch", "R,G,B,A=1.0", "-d", "uint8", "-o", file},
                              {}, {}, work);
        if (r.code != 0) return false;
    }
    for (const bench::BenchScene& s : bench::AllBenchScenes()) {
        if (s.name == "a/8") in->mask_a = bench::SweepPathData(bench::SweepMask(s.width, s.height, s.crossings));
        if (s.name == "e/8") {
            in->scene_e = s;
            in->mask_e = bench::SweepPathData(bench::SweepMask(s.width, s.height, s.crossings));
        }
    }
    return !in->mask_a.empty() && !in->mask_e.empty();
}

std::vector<std::string> Animate(const Tool& tool, const std::string& input, const std::string& output,
                                 const std::string& mask, int frames, int threads) {
    return {tool.exe, "animate", input, output, "--frames", std::to_string(frames), "--threads",
            std::to_string(threads), "--mask-d", mask, "--plugin", tool.plugin};
}

// Faults of the frames between a short and a longer run, per frame.
void PageFaults(const Options& o, const Inputs& in) {
    const int few = 4, many = o.quick ? 8 : 12;
    printf("\n1. Page faults per steady-state frame: animate with 2 workers, (faults of %d frames - faults of %d "
           "frames) / %d\n",
           many, few, many - few);
    printf("%-26s %11s", "case", "frame pages");
    for (const Tool& t : o.tools) printf(" %22s", (t.label + " faults/frame").c_str());
    printf("\n");
    struct Case {
        const char* name;
        const char* depth;
        const char* ext;
        int bytes_per_pixel;
    };
    for (const Case& c : {Case{"3840x2160 float -> EXR", "32", "exr", 16}, Case{"3840x2160 8-bit -> PNG", "8", "png", 4}}) {
        const double pages = 3840.0 * 2160.0 * c.bytes_per_pixel / 4096.0;
        printf("%-26s %11.0f", c.name, pages);
        for (const Tool& t : o.tools) {
            long faults[2] = {0, 0};
            int n = 0;
            for (int frames : {few, many}) {
                std::vector<std::string> args =
                    Animate(t, in.uhd, std::string("out_%03d.") + c.ext, in.mask_e, frames, 2);
                args.insert(args.end(), {"--depth", c.depth, "--param", "max-radius=120"});
                faults[n++] = Execute(args, {}, {}, o.work).faults;
                RemoveFrames(o.work);
            }
            const double per_frame = static_cast<double>(faults[1] - faults[0]) / (many - few);
            char cell[64];
            snprintf(cell, sizeof cell, "%.0f (%.1f %%)", per_frame, 100.0 * per_frame / pages);
            printf(" %22s", cell);
        }
        printf("\n");
        fflush(stdout);
    }
}

// animate -> .mp4 against ffmpeg encoding the same raw frames from a file.
void Video(const Options& o, const Inputs& in) {
    const int frames = o.quick ? 24 : 48;
    printf("\n2. animate -> .mp4 (H.264) against ffmpeg alone on the same raw RGBA frames: 1920x1080 8-bit, "
           "scene a, %d frames, all cores\n",
           frames);
    const Tool& newest = o.tools.back();
    Run made = Execute(Animate(newest, in.hd, "out_%03d.png", in.mask_a, frames, 2), {}, {}, o.work);
    const std::string raw = o.work + "/frames.rgba";
    Run raw_run = Execute({"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-i",
                           o.work + "/out_%03d.png", "-f", "rawvideo", "-pix_fmt", "rgba", raw},
                          {}, {}, o.work);
    RemoveFrames(o.work);
    if (made.code != 0 || raw_run.code != 0) {
        printf("  cannot make the raw frames (animate %d, ffmpeg %d)\n", made.code, raw_run.code);
        return;
    }
    // The encoder settings of the tool's video pipe for .mp4.
    const Run alone = Execute({"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-f", "rawvideo",
                               "-pix_fmt", "rgba", "-s", "1920x1080", "-r", "24", "-i", raw, "-vf",
                               "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p",
                               "-movflags", "+faststart", "-f", "mp4", "out_alone.mp4"},
                              {}, {}, o.work);
    fs::remove(raw);
    printf("  ffmpeg alone: %.2f s (%.1f s CPU)\n", alone.wall_s, alone.cpu_s);
    for (const Tool& t : o.tools) {
        const Run r = Execute(Animate(t, in.hd, "out.mp4", in.mask_a, frames, 2), {}, {}, o.work);
        printf("  %-7s animate: %.2f s (%.1f s CPU with ffmpeg) = %.2f x ffmpeg alone%s\n", t.label.c_str(), r.wall_s,
               r.cpu_s, r.wall_s / alone.wall_s, r.code == 0 ? "" : "  [failed]");
        RemoveFrames(o.work);
    }
    fflush(stdout);
}

// Frames per second of file output, as the tool's summary reports them.
void FramesPerSecond(const Options& o, const Inputs& in) {
    const int frames = o.quick ? 16 : 48;
    printf("\n3. animate frames/s, 1920x1080 8-bit, scene a, %d frames, 2 workers (the tool's own summary; "
           "start-up excluded)\n",
           frames);
    printf("%-5s %-22s %6s", "ext", "compression", "cores");
    for (const Tool& t : o.tools) printf(" %8s", t.label.c_str());
    printf("\n");
    struct Setting {
        const char* ext;
        const char* compression;  // null: the tool's default
        const char* label;
    };
    const Setting settings[] = {
        {"png", nullptr, "default"}, {"png", "zip:6", "zip:6 (libpng filters)"},
        {"tif", nullptr, "default"}, {"tif", "zip:6", "zip:6"},
        {"exr", nullptr, "default"}, {"exr", "zip", "zip"},
    };
    const int cores = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    for (const Setting& s : settings) {
        for (const std::vector<int>& cpus : {std::vector<int>{0}, std::vector<int>{0, 1}}) {
            if (static_cast<int>(cpus.size()) > cores) continue;
            printf("%-5s %-22s %6zu", s.ext, s.label, cpus.size());
            for (const Tool& t : o.tools) {
                if (s.compression != nullptr && !t.has_compression) {
                    printf(" %8s", "-");
                    continue;
                }
                std::vector<std::string> args = Animate(t, in.hd, std::string("out_%03d.") + s.ext, in.mask_a, frames, 2);
                if (s.compression != nullptr) args.insert(args.end(), {"--compression", s.compression});
                const Run r = Execute(args, cpus, {}, o.work);
                RemoveFrames(o.work);
                if (r.code != 0) {
                    printf(" %8s", "failed");
                } else {
                    printf(" %8.1f", SummaryFps(r.out));
                }
            }
            printf("\n");
            fflush(stdout);
        }
    }
}

// The smart render inside animate, timed by the forwarding library, against
// cairo drawing the same circles at the same size.
void SmartRender(const Options& o, const Inputs& in) {
    const int frames = o.quick ? 6 : 12;
    bench::CoreRig rig(in.scene_e);
    rig.Place();
    bench::CairoPeer cairo(in.scene_e.width, in.scene_e.height, rig.DrawnCircles(), in.scene_e.edge_thickness);
    const bench::Timing peer = bench::Measure([&] { cairo.Reset(); }, [&] { cairo.Draw(); }, 5, o.quick ? 0.3 : 1.0);
    printf("\n4. Smart render per frame inside animate: 3840x2160, scene e (%d circles, Max Radius %d), %d frames "
           "to PNG/EXR, 2 workers;\n   CPU time of the rendering thread and wall time (medians), against cairo "
           "drawing the same circles: %.1f ms\n",
           rig.CircleCount(), in.scene_e.max_radius, frames, peer.median_ms);
    printf("%-6s", "depth");
    for (const Tool& t : o.tools) printf(" %34s", (t.label + " ms CPU, wall; / cairo").c_str());
    printf("\n");
    for (const char* depth : {"8", "32"}) {
        printf("%-6s", depth);
        for (const Tool& t : o.tools) {
            const std::string log = o.work + "/timer.txt";
            fs::remove(log);
            std::vector<std::string> args = Animate(t, in.uhd, std::string("out_%03d.") + (depth[0] == '8' ? "png" : "exr"),
                                                    in.mask_e, frames, 2);
            args.back() = o.timer;  // --plugin: the forwarding library
            args.insert(args.end(), {"--depth", depth, "--param", "max-radius=120"});
            const Run r = Execute(args, {}, {{"RINGSTRIDE_TIMED_EFFECT", t.plugin}, {"RINGSTRIDE_TIMER_LOG", log}}, o.work);
            RemoveFrames(o.work);
            std::ifstream timer(log);
            std::string word;
            size_t count = 0;
            double cpu_ms = 0.0, wall_ms = 0.0;
            timer >> word >> count >> cpu_ms >> wall_ms;
            char cell[64] = "failed";
            if (r.code == 0 && count > 0) {
                snprintf(cell, sizeof cell, "%.1f, %.1f; %.2f, %.2f", cpu_ms, wall_ms, cpu_ms / peer.median_ms,
                         wall_ms / peer.median_ms);
            }
            printf(" %34s", cell);
        }
        printf("\n");
        fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    Tool after{"after", RINGSTRIDE_TOOL_PATH, RINGSTRIDE_EFFECT_PATH, true};
    Tool before{"before", "", "", false};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--quick") {
            o.quick = true;
        } else if (a == "--tool" && has_value) {
            after.exe = argv[++i];
        } else if (a == "--plugin" && has_value) {
            after.plugin = argv[++i];
        } else if (a == "--before-tool" && has_value) {
            before.exe = argv[++i];
        } else if (a == "--before-plugin" && has_value) {
            before.plugin = argv[++i];
        } else if (a == "--timer" && has_value) {
            o.timer = argv[++i];
        } else if (a == "--only" && has_value) {
            o.only = argv[++i];
        } else {
            fprintf(stderr,
                    "usage: %s [--quick] [--tool PATH --plugin PATH] [--before-tool PATH --before-plugin PATH] "
                    "[--timer PATH] [--only faults|video|fps|render]\n",
                    argv[0]);
            return 2;
        }
    }
    if (!before.exe.empty()) {
        if (before.plugin.empty()) before.plugin = (fs::path(before.exe).parent_path() / "FolvekRingStride.so").string();
        o.tools.push_back(before);
    }
    o.tools.push_back(after);
    // The runs start in a scratch folder.
    for (Tool& t : o.tools) {
        t.exe = fs::absolute(t.exe).string();
        t.plugin = fs::absolute(t.plugin).string();
    }
    o.timer = fs::absolute(o.timer).string();

    char templ[] = "/tmp/ringstride_shot_XXXXXX";
    if (mkdtemp(templ) == nullptr) return 1;
    o.work = templ;
    Inputs in;
    if (!MakeInputs(o.work, &in)) {
        fprintf(stderr, "cannot make the inputs (is oiiotool on PATH?)\n");
        fs::remove_all(o.work);
        return 1;
    }
    printf("Shot benchmarks (figures only).");
    for (const Tool& t : o.tools) printf(" %s: %s", t.label.c_str(), t.exe.c_str());
    printf("\n");
    fflush(stdout);
    if (o.only.empty() || o.only == "faults") PageFaults(o, in);
    if (o.only.empty() || o.only == "video") Video(o, in);
    if (o.only.empty() || o.only == "fps") FramesPerSecond(o, in);
    if (o.only.empty() || o.only == "render") SmartRender(o, in);
    fs::remove_all(o.work);
    return 0;
}
