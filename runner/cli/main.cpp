// ringstride: renders the effect on image files from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <iostream>

#include "runner/cli/commands.h"
#include "runner/cli/compression.h"
#include "runner/cli/process_memory.h"
#include "runner/effect_open.h"

namespace {

// Exit statuses: 0 done, 1 the run failed; a malformed command line keeps
// the parser's own status (above 100).
constexpr int EXIT_FAILED = 1;

using runner::cli::AnimateOptions;
using runner::cli::SceneOptions;

const char* PARAM_HELP =
    "NAME=VALUE, repeatable. NAME is a parameter label as `ringstride info` lists it, "
    "any case, blanks and hyphens alike (max-radius=80, \"Edge Mode=Color\"). Popups take "
    "the choice text or its number from 1; checkboxes on/off/true/false/1/0; colours #RRGGBB; "
    "percent sliders in percent (time=37.5). Values outside the range are refused.";

const char* OUTPUT_FORMATS =
    "Output formats (by extension): .png 8-bit for 8-bit renders, else 16-bit; .tif/.tiff at the "
    "render depth (float as 32-bit float samples, bit-exact); .exr float. PNG and TIFF hold the "
    "effect's straight (unassociated) alpha as it is, colour under zero alpha included; EXR is premultiplied by "
    "its convention, so colour is multiplied by alpha on writing (and EXR inputs are divided by alpha on reading). "
    "16-bit host values v (0..32768) are written as round(v*65535/32768).\n"
    "Colour: each file follows its format's convention. PNG and 8/16-bit TIFF hold sRGB-encoded values (PNG "
    "tagged sRGB); EXR holds scene-linear light, so a render of an 8/16-bit input, or any 8/16-bit render, is "
    "decoded from sRGB when written to EXR, an EXR input is encoded to sRGB when rendered at 8 or 16 bits, and a "
    "float render of an EXR is encoded to sRGB when written to PNG. Float TIFF holds the render's values as they "
    "are, and a float TIFF input is taken as it is. --raw-colour turns every conversion and tag off.\n"
    "Exit status 0 when done, 1 when the run failed (one line on standard error names the file, "
    "parameter or path data character at fault, and no output is left behind), a status above 100 "
    "for a malformed command line.";

const char* RAW_COLOUR_HELP =
    "Write the rendered values as they are in every format: no sRGB decoding into EXR or encoding out of it, "
    "no sRGB tag in PNG files";

void AddSceneOptions(CLI::App* cmd, SceneOptions* scene) {
    cmd->add_option("INPUT", scene->input, "Input image (PNG, TIFF, EXR, or anything OpenImageIO reads)")->required();
    cmd->add_option("--plugin", scene->plugin, "Effect library to load (default: FolvekRingStride.so beside ringstride)");
    CLI::Option* mask_file = cmd->add_option("--mask", scene->mask.file,
                    "Mask file: .svg (the first <path>'s d, with the transforms of it and its ancestors; "
                    "user units are layer pixels) or .json ({\"vertices\": [[x,y],...], \"in_tangents\": "
                    "[[dx,dy],...], \"out_tangents\": [...], \"closed\": bool}, tangents relative to their vertex)");
    cmd->add_option("--mask-d", scene->mask.path_data,
                    "Mask as SVG path data in layer pixels, e.g. 'M 10 90 C 60 10 160 10 210 90' "
                    "(M L H V C S Q T A Z, absolute and relative)")
        ->excludes(mask_file);
    cmd->add_option("--mask-index", scene->mask.index,
                    "Which subpath of the mask to use, counted from 0 (default 0, the first). "
                    "Coordinates are limited to +-1e7 layer pixels; the effect walks a mask for at most "
                    "16777217 points in all (one per pixel of arc length over all its segments), so a "
                    "longer mask gets circles only along that first stretch");
    cmd->add_option("--param", scene->params, PARAM_HELP);
    cmd->add_option("--depth", scene->depth,
                    "Render depth 8, 16 or 32 (float). Default: the input's (8-bit files 8, 16-bit files 16, "
                    "float files 32). 8-bit c becomes round(c*32768/255) in 16 bits and c/255 in float; "
                    "16-bit f becomes round(f*32768/65535)")
        ->check(CLI::IsMember({8, 16, 32}));
    cmd->add_option("--downsample", scene->downsample,
                    "Render at 1/N resolution: input box-filtered, mask scaled, host downsample factors 1/N (default 1)")
        ->check(CLI::Range(1, 256));
    cmd->add_option("--compression", scene->compression, runner::cli::COMPRESSION_HELP);
    cmd->add_flag("--raw-colour", scene->raw_colour, RAW_COLOUR_HELP);
    cmd->footer(OUTPUT_FORMATS);
}

}  // namespace

int main(int argc, char** argv) {
    runner::cli::KeepFreedMemoryForReuse();
    CLI::App app{"ringstride: loads the FolvekRingStride effect library and renders it on image files.\n"
                 "The effect lays a chain of circles along a mask path. Without a mask the \"Path\" "
                 "parameter is none and only the starting picture (copy or transparent) is drawn."};
    app.require_subcommand(1);

    std::string info_plugin;
    CLI::App* info = app.add_subcommand("info", "Show the effect's name, category, match name, version and every "
                                                "parameter (type, range, default, choices)");
    info->add_option("--plugin", info_plugin, "Effect library to load (default: FolvekRingStride.so beside ringstride)");

    SceneOptions render_scene;
    std::string render_output;
    CLI::App* render = app.add_subcommand("render", "Render one frame: ringstride render INPUT OUTPUT [options]");
    AddSceneOptions(render, &render_scene);
    render->add_option("OUTPUT", render_output, "Output image: .png, .tif, .tiff or .exr")->required();

    AnimateOptions anim;
    CLI::App* animate = app.add_subcommand(
        "animate", "Render N frames in parallel: ringstride animate INPUT OUTPUT --frames N [--fps F] [options]");
    AddSceneOptions(animate, &anim.scene);
    animate->add_option("OUTPUT", anim.output,
                        "A frame pattern with one frame number counted from 0 (out/frame_%04d.png; .png/.tif/.exr) "
                        "or a video: .mp4 (H.264, no alpha), .webm (VP9 with alpha), .gif (encoded by ffmpeg)")
        ->required();
    animate->add_option("--frames", anim.frames, "Number of frames (1 to 1000000)")->required();
    animate->add_option("--fps", anim.fps, "Frames per second of the clip (default 24)");
    animate->add_option("--threads", anim.threads, "Worker threads, each with its own effect instance (default: all cores)")
        ->check(CLI::Range(1, 1024));
    animate->footer(std::string("In animate, --param NAME=FROM..TO moves a slider linearly from the first frame to "
                                "the last (time=0..100). Frames are independent and rendered in parallel; progress "
                                "goes to standard error, a summary to standard output.\n") +
                    OUTPUT_FORMATS);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // One line, like every other failure.
        std::fprintf(stderr, "ringstride: %s (see ringstride --help)\n", e.what());
        return e.get_exit_code() != 0 ? e.get_exit_code() : EXIT_FAILED;
    }

    // The loader hands the name to dlopen, which looks for a bare name on the
    // library search path instead of here: make it a path.
    auto plugin_or_default = [](const std::string& p) {
        if (p.empty()) return runner::DefaultPluginPath();
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(p, ec);
        return ec ? p : absolute.lexically_normal().string();
    };
    runner::Status status = runner::Success();
    try {
        if (*info) {
            status = runner::cli::RunInfo(plugin_or_default(info_plugin));
        } else if (*render) {
            render_scene.plugin = plugin_or_default(render_scene.plugin);
            status = runner::cli::RunRender(render_scene, render_output);
        } else if (*animate) {
            anim.scene.plugin = plugin_or_default(anim.scene.plugin);
            status = runner::cli::RunAnimate(anim);
        }
    } catch (const std::bad_alloc&) {
        status = runner::Error{"out of memory"};
    } catch (const std::exception& e) {
        status = runner::Error{std::string("unexpected failure: ") + e.what()};
    }
    if (!status) {
        std::string line = status.Message();
        for (char& c : line) {
            if (c == '\n' || c == '\r' || c == '\t') c = ' ';  // messages from libraries and the effect
        }
        std::fprintf(stderr, "ringstride: %s\n", line.c_str());
        return EXIT_FAILED;
    }
    return 0;
}
