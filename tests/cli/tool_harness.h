// Running the built ringstride executable in a scratch folder and looking
// at what it left behind.
#ifndef FOLVEK_TESTS_CLI_TOOL_HARNESS_H
#define FOLVEK_TESTS_CLI_TOOL_HARNESS_H

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace cli_test {

namespace fs = std::filesystem;

class ScratchDir {
public:
    ScratchDir() {
        std::string templ = (fs::temp_directory_path() / "ringstride_cli_XXXXXX").string();
        char* made = mkdtemp(templ.data());
        path_ = made ? made : templ;
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string operator/(const std::string& name) const { return (fs::path(path_) / name).string(); }
    const std::string& Path() const { return path_; }

    // Every entry of the folder and its subfolders, relative names.
    std::set<std::string> Files() const {
        std::set<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(path_)) {
            out.insert(fs::relative(e.path(), path_).string());
        }
        return out;
    }

private:
    std::string path_;
};

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteText(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// Every process these tests start is stopped after this many seconds; a
// run of the tool or of ffprobe here takes a few at most.
constexpr int PROCESS_SECONDS = 120;
inline std::string TimeLimit() { return "timeout -k 5 " + std::to_string(PROCESS_SECONDS) + " "; }

#ifdef RINGSTRIDE_EXE
// Runs the tool with `args` in `dir`; stdout and stderr land in files
// outside the folder so that its listing stays the tool's own.
// `wrapper` goes before the executable (e.g. a command that drops privileges).
inline RunResult RunTool(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& wrapper = "") {
    static int counter = 0;
    const std::string base = dir.Path() + ".run" + std::to_string(counter++);
    std::string cmd = "cd " + Quote(dir.Path()) + " && " + TimeLimit() + wrapper + Quote(RINGSTRIDE_EXE);
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " > " + Quote(base + ".out") + " 2> " + Quote(base + ".err") + " < /dev/null";
    const int status = std::system(cmd.c_str());
    RunResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadText(base + ".out");
    r.err = ReadText(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}
#endif

// What a shell command prints on standard output.
inline std::string Capture(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen((TimeLimit() + "sh -c " + Quote(cmd)).c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// ffprobe's answer for one stream ("v:0", "a:0"): `entries` as key=value
// lines, e.g. "nb_read_packets=30\npix_fmt=yuva444p12le\n".
inline std::string Probe(const std::string& file, const std::string& stream, const std::string& entries) {
    return Capture("ffprobe -v error -count_packets -select_streams " + stream + " -show_entries stream=" + entries +
                   " -of default=nw=1 " + Quote(file));
}

inline int VideoFrames(const std::string& file) {
    const std::string out = Capture("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                    "stream=nb_read_frames -of csv=p=0 " + Quote(file));
    return out.empty() ? -1 : std::atoi(out.c_str());
}

inline int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace cli_test

#endif
