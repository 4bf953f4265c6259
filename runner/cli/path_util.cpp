#include "runner/cli/path_util.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <filesystem>

namespace runner::cli {

std::string LowerExtension(const std::string& file) {
    std::string ext = std::filesystem::path(file).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string TempNameBeside(const std::string& target) {
    static std::atomic<uint32_t> counter{0};
    const std::filesystem::path p(target);
    const std::string name = "." + p.stem().string() + ".tmp" + std::to_string(getpid()) + "_" +
                             std::to_string(counter++) + p.extension().string();
    return (p.parent_path() / name).string();
}

}  // namespace runner::cli
