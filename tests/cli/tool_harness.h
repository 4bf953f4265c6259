// Running the built ringstride executable in a scratch folder and looking
// at what it left behind.
#ifndef FOLVEK_TESTS_CLI_TOOL_HARNESS_H
#define FOLVEK_TESTS_CLI_TOOL_HARNESS_H

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

#ifdef RINGSTRIDE_EXE
// Runs the tool with `args` in `dir`; stdout and stderr land in files
// outside the folder so that its listing stays the tool's own.
// `wrapper` goes before the executable (e.g. a command that drops privileges).
inline RunResult RunTool(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& wrapper = "") {
    static int counter = 0;
    const std::string base = dir.Path() + ".run" + std::to_string(counter++);
    std::string cmd = "cd " + Quote(dir.Path()) + " && " + wrapper + Quote(RINGSTRIDE_EXE);
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

inline int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace cli_test

#endif
