// Shared pieces of the robustness tables: the built effect, plain inputs,
// and running the built ringstride tool in a scratch folder.
#ifndef FOLVEK_TESTS_ROBUSTNESS_SUPPORT_H
#define FOLVEK_TESTS_ROBUSTNESS_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "runner/loader/effect_open.h"
#include "runner/core/world.h"

namespace robustness {

namespace fs = std::filesystem;

inline std::shared_ptr<runner::EffectLibrary> Effect() {
    static std::shared_ptr<runner::EffectLibrary> library = [] {
        auto loaded = runner::EffectLibrary::Load(RINGSTRIDE_EFFECT_PATH);
        if (!loaded) ADD_FAILURE() << loaded.error().message;
        return loaded ? std::move(*loaded) : nullptr;
    }();
    return library;
}

// An opaque input of one colour, in any depth, rows padded.
inline runner::World FlatInput(PF_PixelFormat format, int32_t width, int32_t height, int32_t padding = 0) {
    runner::World w = runner::World::Create(format, width, height, padding).value();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            switch (format) {
                case PF_PixelFormat_ARGB32: w.Pixel8(x, y) = PF_Pixel{255, 200, 90, 30}; break;
                case PF_PixelFormat_ARGB64: w.Pixel16(x, y) = PF_Pixel16{32768, 25000, 11000, 4000}; break;
                default: w.PixelFloat(x, y) = PF_PixelFloat{1.0f, 0.8f, 0.35f, 0.1f}; break;
            }
        }
    }
    return w;
}

// A folder of its own for one case, removed afterwards.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "ringstride_robust_XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        path_ = made != nullptr ? made : pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string operator/(const std::string& name) const { return (fs::path(path_) / name).string(); }
    const std::string& Path() const { return path_; }

    // Every file below the folder with its bytes.
    std::map<std::string, std::string> Contents() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(path_)) {
            const std::string rel = fs::relative(e.path(), path_).string();
            if (e.is_regular_file()) {
                std::ifstream in(e.path(), std::ios::binary);
                std::stringstream ss;
                ss << in.rdbuf();
                out[rel] = ss.str();
            } else {
                out[rel] = "<folder>";
            }
        }
        return out;
    }

private:
    std::string path_;
};

inline std::string Be32(uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

inline std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : body) {
        crc ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return Be32(static_cast<uint32_t>(data.size())) + body + Be32(~crc);
}

// A valid PNG that claims width x height RGBA pixels but holds only 100
// bytes of image data (one stored deflate block of zeros).
inline std::string PngClaiming(uint32_t width, uint32_t height) {
    const std::string ihdr = Be32(width) + Be32(height) + std::string{8, 6, 0, 0, 0};
    std::string idat = std::string{'\x78', '\x01', '\x01', '\x64', '\x00', '\x9b', '\xff'} + std::string(100, '\0') +
                       Be32(0x00640001u);
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
           PngChunk("IEND", "");
}

inline void WriteFile(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct ToolRun {
    int code = -1;      // exit status; 128 + n for a signal
    std::string err;    // standard error
};

// Runs `exe` with `args` in `dir`, standard error captured outside it.
inline ToolRun RunTool(const std::string& exe, const std::vector<std::string>& args, const std::string& dir) {
    const std::string err_file = (fs::temp_directory_path() / ("ringstride_robust_err_" + std::to_string(getpid()))).string();
    std::string cmd = "cd " + Quote(dir) + " && " + Quote(exe);
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " >/dev/null 2>" + Quote(err_file);
    const int status = std::system(cmd.c_str());
    ToolRun run;
    if (WIFEXITED(status)) run.code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.code = 128 + WTERMSIG(status);
    std::ifstream in(err_file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    run.err = ss.str();
    std::error_code ec;
    fs::remove(err_file, ec);
    return run;
}

}  // namespace robustness

#endif
