// What the frei0r tests share: a small clip written by the test, the real
// tools run with the plug-in found through FREI0R_PATH, reference frames
// from `ringstride render`, and decoded pixels compared sample by sample.
#ifndef FOLVEK_TESTS_FREI0R_TOOL_SUPPORT_H
#define FOLVEK_TESTS_FREI0R_TOOL_SUPPORT_H

#include <cstdio>
#include <string>
#include <vector>

#include "image_files.h"
#include "tool_harness.h"

namespace frei0r_test {

using cli_test::Picture;
using cli_test::Quote;
using cli_test::RunResult;
using cli_test::ScratchDir;

constexpr int W = 64;
constexpr int H = 48;

// Frame k (from 1) of the clip: colour everywhere, alpha that varies
// across the frame and from frame to frame.
inline Picture ClipFrame(int k, int width = W, int height = H) {
    Picture p;
    p.width = width;
    p.height = height;
    p.type = OIIO::TypeDesc::UINT8;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.samples.push_back((x * 4 + k * 9) % 256);
            p.samples.push_back((y * 5 + k * 3) % 256);
            p.samples.push_back((x * y + k * 17) % 256);
            p.samples.push_back(60 + (x * 3 + y * 2 + k * 7) % 196);
        }
    }
    return p;
}

inline std::string FrameName(const std::string& stem, int k) { return stem + "_" + std::to_string(k) + ".png"; }

inline bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + Quote(name) + " > /dev/null 2>&1").c_str()) == 0;
}

// timeout(1)'s status when it had to stop the command.
constexpr int TIMED_OUT = 124;
// A run of a tool on a few small frames takes a second or two, some ten
// on a loaded machine.
constexpr int TOOL_SECONDS = 60;

// `command` (already quoted) run in `dir` with `env` (NAME=value words, quoted)
// and the plug-in's folder as FREI0R_PATH; stopped after TOOL_SECONDS.
inline RunResult RunCommand(const ScratchDir& dir, const std::string& env, const std::string& command) {
    static int counter = 0;
    const std::string base = dir.Path() + ".cmd" + std::to_string(counter++);
    const std::string line = "cd " + Quote(dir.Path()) + " && env FREI0R_PATH=" + Quote(FREI0R_DIR) + " " + env +
                             " timeout -k 5 " + std::to_string(TOOL_SECONDS) + " " + command + " > " +
                             Quote(base + ".out") + " 2> " + Quote(base + ".err") + " < /dev/null";
    const int status = std::system(line.c_str());
    RunResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = cli_test::ReadText(base + ".out");
    r.err = cli_test::ReadText(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

// How often the plug-in's lines containing `phrase` appear in `text`.
inline int PluginLines(const std::string& text, const std::string& phrase) {
    int count = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find("ringstride frei0r: ") != std::string::npos && line.find(phrase) != std::string::npos) ++count;
        start = end + 1;
    }
    return count;
}

// Empty when both files decode to the same samples; else what differs.
inline std::string ComparePictures(const std::string& got_file, const std::string& want_file) {
    Picture got, want;
    if (!cli_test::ReadPicture(got_file, &got)) return "cannot read " + got_file + " as an RGBA picture";
    if (!cli_test::ReadPicture(want_file, &want)) return "cannot read " + want_file + " as an RGBA picture";
    if (got.width != want.width || got.height != want.height || got.type != want.type) {
        return got_file + ": size or sample type differs from " + want_file;
    }
    int bad = 0;
    std::string report;
    for (size_t i = 0; i < got.samples.size(); ++i) {
        if (got.samples[i] != want.samples[i] && ++bad <= 4) {
            const size_t pixel = i / 4;
            const size_t width = static_cast<size_t>(got.width);
            report += " (" + std::to_string(pixel % width) + "," + std::to_string(pixel / width) + ") channel " +
                      std::to_string(i % 4) + ": " + std::to_string(got.samples[i]) + " vs " +
                      std::to_string(want.samples[i]) + ";";
        }
    }
    return bad == 0 ? "" : got_file + ": " + std::to_string(bad) + " samples differ from " + want_file + ":" + report;
}

// `ringstride render` of `input` with path data and --param assignments.
inline std::string RenderReference(const ScratchDir& dir, const std::string& input, const std::string& output,
                                   const std::string& path_data, const std::vector<std::string>& params) {
    std::vector<std::string> args = {"render", input, output};
    if (!path_data.empty()) args.insert(args.end(), {"--mask-d", path_data});
    for (const std::string& p : params) args.insert(args.end(), {"--param", p});
    const RunResult r = cli_test::RunTool(dir, args);
    return r.code == 0 ? "" : "ringstride render failed: " + r.err;
}

}  // namespace frei0r_test

#endif
