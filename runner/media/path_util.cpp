#include "runner/media/path_util.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
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

namespace {

constexpr const char* TEMP_SUFFIX = ".ringstride-tmp";

}  // namespace

std::string TempNameBeside(const std::string& target) {
    static std::atomic<uint32_t> counter{0};
    const std::filesystem::path p(target);
    const std::string name = "." + p.filename().string() + "." + std::to_string(getpid()) + "-" +
                             std::to_string(counter++) + TEMP_SUFFIX;
    return (p.parent_path() / name).string();
}

std::string TempTarget(const std::string& file_name) {
    const std::string suffix = TEMP_SUFFIX;
    if (file_name.size() <= suffix.size() + 1 || file_name[0] != '.' ||
        file_name.compare(file_name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return "";
    }
    // Between the name and the suffix: ".PID-N", digits and one hyphen.
    const std::string rest = file_name.substr(1, file_name.size() - suffix.size() - 1);
    const size_t dot = rest.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    const std::string tag = rest.substr(dot + 1);
    const size_t hyphen = tag.find('-');
    const bool digits = !tag.empty() && std::all_of(tag.begin(), tag.end(), [](char c) {
        return c == '-' || std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!digits || hyphen == std::string::npos || hyphen == 0 || hyphen + 1 == tag.size() ||
        tag.find('-', hyphen + 1) != std::string::npos) {
        return "";
    }
    return rest.substr(0, dot);
}

int64_t FreeBytesFor(const std::string& file) {
    std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (folder.empty()) folder = ".";
    struct statvfs fs {};
    // Some file systems (unlimited tmpfs, some FUSE ones) report no blocks at all: unknown.
    if (::statvfs(folder.c_str(), &fs) != 0 || fs.f_blocks == 0) return -1;
    const uint64_t blocks = geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
    return static_cast<int64_t>(blocks * fs.f_frsize);
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
