#include "runner/media/path_util.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace runner {

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

Status CheckWritableFolder(const std::string& file) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (folder.empty()) folder = ".";
    if (!std::filesystem::is_directory(folder, ec)) {
        return Error{file + ": the output folder " + folder.string() + " does not exist"};
    }
    // The only sure test of "may create files here" is to create one.
    const std::string probe = TempNameBeside(file);
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (f == nullptr) {
        return Error{file + ": cannot write in the output folder " + folder.string() + ": " + std::strerror(errno)};
    }
    std::fclose(f);
    std::remove(probe.c_str());
    return Success();
}

}  // namespace runner
