#include "runner/media/output_guard.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

#include "runner/media/frame_sink.h"
#include "runner/media/path_util.h"

namespace runner {
namespace {

namespace fs = std::filesystem;

bool IsPattern(const std::string& name) { return name.find('%') != std::string::npos; }

fs::path FolderOf(const std::string& file) {
    const fs::path folder = fs::path(file).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The names in `folder` (files only, not their paths); empty when it cannot be listed.
std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

std::optional<std::pair<dev_t, ino_t>> IdOf(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

}  // namespace

std::vector<std::string> FilesOfInput(const std::string& input) {
    if (!IsPattern(input)) return {input};
    const fs::path folder = fs::path(input).parent_path();
    const std::string pattern = fs::path(input).filename().string();
    std::vector<std::string> files;
    for (const std::string& name : NamesIn(FolderOf(input))) {
        if (FrameNumberOf(pattern, name)) files.push_back((folder / name).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

Status RefuseOverwritingInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
    std::map<std::pair<dev_t, ino_t>, std::string> existing;
    for (const std::string& output : outputs) {
        if (std::optional<std::pair<dev_t, ino_t>> id = IdOf(output)) existing.emplace(*id, output);
    }
    if (existing.empty()) return Success();
    for (const std::string& input : inputs) {
        const std::optional<std::pair<dev_t, ino_t>> id = IdOf(input);
        if (!id) continue;
        const auto hit = existing.find(*id);
        if (hit == existing.end()) continue;
        const std::string same = hit->second == input ? "" : " (the same file)";
        return Error{hit->second + ": the output is the input " + input + same +
                     ", which writing it would destroy; choose another output"};
    }
    return Success();
}

std::vector<int64_t> FrameNumbersPresent(const std::string& pattern) {
    const std::string file_pattern = fs::path(pattern).filename().string();
    std::vector<int64_t> numbers;
    for (const std::string& name : NamesIn(FolderOf(pattern))) {
        if (std::optional<int64_t> n = FrameNumberOf(file_pattern, name)) numbers.push_back(*n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int32_t RemoveLeftTemporaries(const std::string& output, int32_t first, int32_t last) {
    const fs::path folder = FolderOf(output);
    const std::string own = fs::path(output).filename().string();
    int32_t removed = 0;
    for (const std::string& name : NamesIn(folder)) {
        const std::string target = TempTarget(name);
        if (target.empty()) continue;
        bool ours = target == own;
        if (IsPattern(own)) {
            const std::optional<int64_t> n = FrameNumberOf(own, target);
            ours = n && *n >= first && *n <= last;
        }
        std::error_code ec;
        if (ours && fs::remove(folder / name, ec)) ++removed;
    }
    return removed;
}

}  // namespace runner
