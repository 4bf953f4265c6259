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

fs::path FolderOf(const std::string& file) {
    const fs::path folder = fs::path(file).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The names in `folder` (not their paths); empty, with `*ec` set, when it
// cannot be listed.
std::vector<std::string> NamesIn(const fs::path& folder, std::error_code* ec) {
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, *ec), end; !*ec && it != end; it.increment(*ec)) {
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
    if (!HasFrameNumber(input)) return {input};
    std::vector<std::string> files;
    for (int64_t n : FrameNumbersPresent(input).value_or(std::vector<int64_t>{})) {
        files.push_back(FrameFileName(input, static_cast<int32_t>(n)).value());
    }
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

Result<std::vector<int64_t>> FrameNumbersPresent(const std::string& pattern) {
    const fs::path folder = FolderOf(pattern);
    const std::string file_pattern = fs::path(pattern).filename().string();
    std::error_code ec;
    std::vector<int64_t> numbers;
    for (const std::string& name : NamesIn(folder, &ec)) {
        if (std::optional<int64_t> n = FrameNumberOf(file_pattern, name)) numbers.push_back(*n);
    }
    if (ec) return Error{pattern + ": cannot list " + folder.string() + ": " + ec.message()};
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int32_t RemoveLeftTemporaries(const std::string& output, int32_t first, int32_t last) {
    const fs::path folder = FolderOf(output);
    const std::string own = fs::path(output).filename().string();
    int32_t removed = 0;
    std::error_code listing;  // a folder that cannot be listed holds nothing to remove
    for (const std::string& name : NamesIn(folder, &listing)) {
        const std::string target = TempTarget(name);
        if (target.empty()) continue;
        bool ours = target == own;
        if (HasFrameNumber(own)) {
            const std::optional<int64_t> n = FrameNumberOf(own, target);
            ours = n && *n >= first && *n <= last;
        }
        std::error_code ec;
        if (ours && fs::remove(folder / name, ec)) ++removed;
    }
    return removed;
}

}  // namespace runner
