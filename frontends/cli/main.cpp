// ringstride: renders the effect on image files from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/output_claim.h"
#include "runner/media/compression.h"
#include "cli/process_memory.h"
#include "runner/loader/effect_open.h"

namespace {

// Exit statuses: 0 done, 1 the run failed; a malformed command line keeps
// the parser's own status (above 100); a run stopped by SIGINT or SIGTERM
// ends as a shell reports a process the signal ended, 128 + the signal.
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_SIGNAL_BASE = 128;

using runner::cli::AnimateOptions;
using runner::cli::RenderOptions;
using runner::cli::SceneOptions;

const char* PARAM_HELP =
    "NAME=VALUE, repeatable. NAME is a parameter label as `ringstride info` lists it, "
    "any case, blanks and hyphens alike (max-radius=80, \"Edge Mode=Color\"). Popups take "
    "the choice text or its number from 1; checkboxes on/off/true/false/1/0; colours #RRGGBB; "
    "percent sliders in percent (time=37.5). Values outside the range are refused.";

const char* KEYS_HELP =
    "Keyframes from a JSON file: {\"params\": {LABEL: VALUE or [{\"time\": SECONDS, \"value\": VALUE, "
    "\"interpolation\": \"linear\"|\"hold\"|\"ease\"}, ...]}, \"mask\": [{\"time\": SECONDS, \"vertices\": "
    "[[x,y],...], \"in_tangents\": ..., \"out_tangents\": ..., \"closed\": bool}, ...]}. Labels and values as "
    "--param takes them; a key is at \"time\" seconds or at \"frame\" N of the shot (N/fps s exactly), in time "
    "order; the interpolation of a key governs the stretch to the next (ease: 3s^2-2s^3); popups and checkboxes "
    "hold. A mask key may give SVG path data instead, {\"frame\": N, \"d\": \"M 10 90 C ...\"} (its first "
    "subpath). A keyed mask moves every vertex and tangent; neighbouring keys need the same vertex count and "
    "\"closed\". A label may not be both keyed and given with --param";

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
    "are, and a float TIFF input is taken as it is. Video (.mp4 H.264, .mov ProRes, .webm VP9) is converted "
    "to BT.709 and tagged so; a float render of an EXR is encoded to sRGB first. --raw-colour turns every "
    "conversion and tag off.\n"
    "Exit status 0 when done, 1 when the run failed (one line on standard error names the file, "
    "parameter or path data character at fault), a status above 100 for a malformed command line, 130 or 143 "
    "when SIGINT or SIGTERM stopped it. An image file appears under its name only once it is complete; a failed "
    "write (a full disk) is an error naming the file and its cause. Each output is locked while a run writes it "
    "(.NAME.lock beside it): a second run on it is refused, naming the first.";

const char* MAX_MEMORY_HELP =
    "Refuse a run that would need more memory than SIZE (8G, 512M, 1.5GiB; K, M, G, T count in 1024s). The need "
    "is worked out from the frame size, depth and threads before anything is allocated, and said when refused. "
    "Default: half of this machine's memory, or less under a memory cap (cgroup, ulimit -v); animate uses fewer "
    "threads when that keeps a run within the limit";

const char* RAW_COLOUR_HELP =
    "Write the rendered values as they are in every format: no sRGB decoding into EXR or encoding out of it, "
    "no sRGB tag in PNG files, no BT.709 conversion or tags in video";

const char* BACKGROUND_HELP =
    "#RRGGBB: lay every rendered frame over this colour (c*a + bg*(1-a), opaque), for formats without alpha "
    "(.mp4) or a flat picture; over a float render of an EXR the mix is of linear light. Default: alpha kept "
    "(.mp4 then shows the colour under it)";

const char* TIME_FORMS = "seconds (1.5, 1001/30000, or [HH:]MM:SS.ss as in ffmpeg) or a frame number with an f (36f)";

void AddSceneOptions(CLI::App* cmd, SceneOptions* scene) {
    cmd->add_option("INPUT", scene->input,
                    "Input image (PNG, TIFF, EXR, or anything OpenImageIO reads); for animate also an image "
                    "sequence (in/frame_%04d.png) or a video")
        ->required();
    cmd->add_option("--plugin", scene->plugin, "Effect library to load (default: FolvekRingStride.so beside ringstride)");
    CLI::Option* mask_file = cmd->add_option("--mask", scene->mask.file,
                    "Mask file. .svg or .svgz (gzip): the first <path> or basic shape (rect, circle, ellipse, "
                    "line, polyline, polygon) the document draws; <defs>, <clipPath>, <mask>, <marker>, "
                    "<pattern> and <symbol> count only through <use>, display:none hides. FILE.svg#ID takes "
                    "the element with that id (or the first shape in it). Transforms, nested <svg>, the root's "
                    "width/height (px, pt, pc, mm, cm, in, %) and viewBox with preserveAspectRatio apply as in a "
                    "viewer: 1 CSS pixel is 1 layer pixel (see --mask-fit). .json: {\"vertices\": [[x,y],...], "
                    "\"in_tangents\": [[dx,dy],...], \"out_tangents\": [...], \"closed\": bool} in layer "
                    "pixels, tangents relative to their vertex");
    cmd->add_option("--mask-d", scene->mask.path_data,
                    "Mask as SVG path data in layer pixels, e.g. 'M 10 90 C 60 10 160 10 210 90' "
                    "(M L H V C S Q T A Z, absolute and relative; arc radii may be any finite number)")
        ->excludes(mask_file);
    cmd->add_option_function<std::string>(
           "--mask-fit",
           [scene](const std::string& fit) {
               scene->mask.fit = fit == "layer" ? runner::cli::MaskFit::LAYER : runner::cli::MaskFit::NONE;
           },
                    "none (default): an SVG mask's CSS pixel is a layer pixel. layer: the document's viewport "
                    "(its width x height) is scaled onto the layer, as the root's preserveAspectRatio says "
                    "(by default uniformly and centred), for a mask drawn on an artboard of another size")
        ->check(CLI::IsMember({"none", "layer"}));
    cmd->add_option("--mask-index", scene->mask.index,
                    "Which subpath of the mask (of the chosen SVG element) to use, counted from 0 (default 0, "
                    "the first); each moveto starts one. A subpath of a single point walks nothing: the render "
                    "says so on standard error and draws no circles. "
                    "Coordinates are limited to +-1e7 layer pixels; the effect walks a mask for at most "
                    "16777217 points in all (one per pixel of arc length over all its segments), so a "
                    "longer mask gets circles only along that first stretch");
    cmd->add_option("--param", scene->params, PARAM_HELP);
    cmd->add_option("--keys", scene->keys, KEYS_HELP);
    cmd->add_option("--depth", scene->depth,
                    "Render depth 8, 16 or 32 (float). Default: the input's (8-bit files 8, 16-bit files 16, "
                    "float files 32). 8-bit c becomes round(c*32768/255) in 16 bits and c/255 in float; "
                    "16-bit f becomes round(f*32768/65535)")
        ->check(CLI::IsMember({8, 16, 32}));
    cmd->add_option("--downsample", scene->downsample,
                    "Render at 1/N resolution: input box-filtered, mask scaled, host downsample factors 1/N (default 1)")
        ->check(CLI::Range(1, 256));
    cmd->add_option("--compression", scene->compression, runner::COMPRESSION_HELP);
    cmd->add_flag("--raw-colour", scene->raw_colour, RAW_COLOUR_HELP);
    cmd->add_option("--background", scene->background, BACKGROUND_HELP);
    cmd->add_option("--max-memory", scene->max_memory, MAX_MEMORY_HELP);
    cmd->footer(OUTPUT_FORMATS);
}

}  // namespace

int main(int argc, char** argv) {
    runner::cli::KeepFreedMemoryForReuse();
    runner::cli::SetCommandLine(argc, argv);
    CLI::App app{"ringstride: loads the FolvekRingStride effect library and renders it on images, image sequences "
                 "and video.\nThe effect lays a chain of circles along a mask path: each circle starts at its path "
                 "point and lies one radius ahead along its direction, so the chain can run past the end of an open "
                 "path. Without a mask the \"Path\" parameter is none and only the starting picture (copy or "
                 "transparent) is drawn."};
    app.require_subcommand(0, 1);
    bool show_version = false;
    app.add_flag("--version", show_version,
                 "Print the tool's version and the effect's (from its PiPL), then exit");

    std::string info_plugin;
    CLI::App* info = app.add_subcommand("info", "Show the effect's name, category, match name, version and every "
                                                "parameter (type, range, default, choices)");
    info->add_option("--plugin", info_plugin, "Effect library to load (default: FolvekRingStride.so beside ringstride)");

    RenderOptions rend;
    CLI::App* render = app.add_subcommand("render", "Render one frame: ringstride render INPUT OUTPUT [options]");
    AddSceneOptions(render, &rend.scene);
    render->add_option("OUTPUT", rend.output, "Output image: .png, .tif, .tiff or .exr")->required();
    render->add_option("--at", rend.at,
                       "Time of the shot in seconds, for --keys (default 0): 1.5, or a fraction such as 1001/30000 "
                       "for frame 1 at 29.97 fps; from 0 to 2147483647. Without --keys a still is the same at every "
                       "time: the render goes ahead with a warning. With a video or a sequence as INPUT: its frame "
                       "on screen at that time (at --fps, a video conformed to it as animate does), rendered as "
                       "animate renders that frame; also a frame number (36f)");
    render->add_option("--fps", rend.fps,
                       "Frame rate of the shot, which places keys given by \"frame\" in the --keys file (default 24, "
                       "as animate of a still; a video's own rate): 24, 12.5, 30000/1001, 29.97 ...");

    AnimateOptions anim;
    CLI::App* animate = app.add_subcommand(
        "animate", "Render a shot, frames in parallel: ringstride animate INPUT OUTPUT [--frames N] [--fps F] [options]");
    AddSceneOptions(animate, &anim.scene);
    animate->add_option("OUTPUT", anim.output,
                        "A frame pattern with one frame number counted from 0 (out/frame_%04d.png; .png/.tif/.exr) "
                        "or a video: .mp4 (H.264, no alpha), .mov (ProRes 4444 with alpha), .webm (VP9 with alpha), "
                        ".gif (encoded by ffmpeg)")
        ->required();
    animate->add_option("--frames", anim.frames,
                        "Number of frames (1 to 1000000); default: the clip's or sequence's length (a smaller number "
                        "renders its first frames); needed for a still image");
    animate->add_option("--fps", anim.fps,
                        "Frames per second: 24, 12.5 or a fraction such as 30000/1001 (23.976, 29.97 and 59.94 mean "
                        "24000/1001, 30000/1001 and 60000/1001, as in ffmpeg); default: the clip's rate, else 24. "
                        "Frame i is at exactly i/fps seconds; a video is conformed to it (frames repeated or left "
                        "out, so that it keeps its length)");
    animate->add_option("--threads", anim.threads, "Worker threads, each with its own effect instance (default: all cores)")
        ->check(CLI::Range(1, 1024));
    animate->add_option("--start-number", anim.scene.start_number,
                        "First frame number of an image sequence INPUT (default: the lowest that exists)")
        ->check(CLI::Range(0, 999999999));
    animate->add_option("--range", anim.range,
                        "Render only frames A-B (counted from 0, inclusive) of the animation, each under its own "
                        "frame number, byte for byte as in a whole run; frame patterns only (make the video afterwards "
                        "with encode)");
    animate->add_option("--crf", anim.crf, "Quality of .mp4 (H.264, 0-51, default 23) and .webm (VP9, 0-63, "
                                           "default 30); lower is better and larger")
        ->check(CLI::Range(0, 63));
    animate->add_option("--in", anim.in,
                        std::string("Start the shot here: ") + TIME_FORMS + ". The frame on screen at that time "
                        "comes first; frames keep their times and numbers (as with --range), the sound is cut to "
                        "match");
    animate->add_option("--out", anim.out,
                        std::string("End the shot here, as ffmpeg's -to: ") + TIME_FORMS + ". The first frame "
                        "that starts at or after it is left out");
    animate->add_flag("--dry-run", anim.dry_run,
                      "Check the whole command (input, keys, mask, values, output) and print one line "
                      "\"dry run: frames=N first=A last=B fps=NUM/DEN width=W height=H depth=D audio=CODEC|none output=...\" "
                      "instead of rendering");
    animate->add_flag("--show-keys", anim.show_keys,
                      "With --dry-run: after that line, one line per frame of the values the effect will get, "
                      "tab-separated: frame=N, time=SECONDS (exact, as render --at takes it), LABEL=VALUE for every "
                      "parameter the keys file names or FROM..TO moves (as stored: whole sliders rounded, percent to "
                      "1/65536, colours per channel, popups by name), and \"mask vertices=V\"")
        ->needs("--dry-run");
    animate->add_flag("--resume", anim.resume,
                      "Render only the frames of a frame pattern that are not there yet: a frame whose file "
                      "exists, decodes, and has this run's size and sample depth is kept (a run that was stopped "
                      "or killed leaves only such files under frame names). The frames it renders are byte for "
                      "byte those of a whole run. Not for video outputs, which are only ever written whole");
    animate->add_flag("--no-audio", anim.no_audio, "Leave out the sound of a video INPUT (by default it is carried "
                                                    "into a video OUTPUT, cut to the rendered length)");
    animate->footer(std::string("INPUT is a still image (the same picture every frame), an image sequence "
                                "(in/frame_%04d.png: the run of consecutive files from --start-number), or a video "
                                "(.mp4 .mov .mkv .webm .avi, or anything ffmpeg decodes; 8-bit sources render at 8 "
                                "bits, deeper ones at 16). Frame i of the output is the effect applied to frame i of "
                                "the source at time i/fps; a video is first conformed to one constant rate (its own, "
                                "its average if it has none, or --fps), frames repeated or left out. --param NAME=FROM..TO moves a slider linearly from the "
                                "first frame to the last (two linear keys); --keys gives keyframes. Frames are "
                                "independent and rendered in parallel; progress goes to standard error, a summary to "
                                "standard output.\n") +
                    OUTPUT_FORMATS);

    runner::cli::EncodeOptions enc;
    CLI::App* encode = app.add_subcommand(
        "encode", "Make a video of finished frames: ringstride encode PATTERN OUTPUT [--fps F] [--audio SOURCE]");
    encode->add_option("PATTERN", enc.pattern,
                       "Numbered frames with one frame number (frames/f_%05d.png), as animate --range writes them; "
                       "the run of consecutive files from --start-number (a gap is an error)")
        ->required();
    encode->add_option("OUTPUT", enc.output,
                       "The video: .mp4 (H.264, no alpha), .mov (ProRes 4444 with alpha), .webm (VP9 with alpha), "
                       ".gif")
        ->required();
    encode->add_option("--fps", enc.fps, "Frames per second: 24, 12.5, 30000/1001, 29.97 ...; default: the rate of "
                                         "the --audio source's picture, else 24");
    encode->add_option("--audio", enc.audio,
                       "A video or sound file whose first audio stream goes along, from the first frame's time "
                       "(frame number N at N/fps) for as long as the frames last. A video also gives the frames' "
                       "rate (unless --fps) and pixel aspect");
    encode->add_option("--start-number", enc.start_number, "First frame number (default: the lowest that exists)")
        ->check(CLI::Range(0, 999999999));
    encode->add_option("--crf", enc.crf, "Quality of .mp4 (0-51, default 23) and .webm (0-63, default 30)")
        ->check(CLI::Range(0, 63));
    encode->add_flag("--raw-colour", enc.raw_colour,
                     "No colour conversion: EXR frames taken as they are, no BT.709 conversion or tags");
    encode->add_flag("--linear", enc.linear,
                     "The float TIFF frames hold scene-linear light (animate's float render of an EXR): encoded to "
                     "sRGB first, as animate does straight to video. Without it float TIFF values are taken as "
                     "display values, as animate takes a float TIFF input");
    encode->add_option("--background", enc.background, BACKGROUND_HELP);
    encode->add_option("--max-memory", enc.max_memory, MAX_MEMORY_HELP);

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

    if (show_version || app.get_subcommands().empty()) {
        if (!show_version) {
            std::fprintf(stderr, "ringstride: A subcommand is required: info, render, animate or encode (see ringstride --help)\n");
            return static_cast<int>(CLI::ExitCodes::RequiredError);
        }
        std::printf("ringstride %s\n", RINGSTRIDE_TOOL_VERSION);
        const std::string plugin = runner::DefaultPluginPath();
        runner::Result<std::shared_ptr<runner::EffectLibrary>> library = runner::EffectLibrary::Load(plugin);
        if (!library) {
            std::fprintf(stderr, "ringstride: %s\n", library.error().message.c_str());
            return EXIT_FAILED;
        }
        const runner::Pipl& pipl = library.value()->PiplInfo();
        std::printf("effect %s %s (%s), %s\n", pipl.name.c_str(),
                    runner::DescribeEffectVersion(pipl.version).c_str(), pipl.match_name.c_str(), plugin.c_str());
        return 0;
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
            rend.scene.plugin = plugin_or_default(rend.scene.plugin);
            status = runner::cli::RunRender(rend);
        } else if (*animate) {
            anim.scene.plugin = plugin_or_default(anim.scene.plugin);
            status = runner::cli::RunAnimate(anim);
        } else if (*encode) {
            status = runner::cli::RunEncode(enc);
        }
    } catch (const std::bad_alloc&) {
        status = runner::Error{"out of memory"};
    } catch (const std::exception& e) {
        status = runner::Error{std::string("unexpected failure: ") + e.what()};
    }
    if (!status) {
        std::string line = status.error().message;
        for (char& c : line) {
            if (c == '\n' || c == '\r' || c == '\t') c = ' ';  // messages from libraries and the effect
        }
        std::fprintf(stderr, "ringstride: %s\n", line.c_str());
        const int signal = runner::cli::InterruptCatcher::Caught();
        return signal != 0 ? EXIT_SIGNAL_BASE + signal : EXIT_FAILED;
    }
    return 0;
}
