#include "cli/output_claim.h"

#include <cstdio>

#include "cli/mask_select.h"
#include "runner/media/output_guard.h"
#include "runner/media/path_util.h"

namespace runner::cli {
namespace {

std::string g_command = "ringstride";

}  // namespace

void SetCommandLine(int argc, char** argv) {
    g_command.clear();
    for (int i = 0; i < argc; ++i) {
        if (i > 0) g_command += ' ';
        g_command += argv[i];
    }
}

std::vector<std::string> InputFiles(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        if (input.empty()) continue;
        // A mask FILE.svg#ID is the file before the '#'.
        for (const std::string& file : FilesOfInput(SplitMaskName(input).file)) {
            files.push_back(file);
        }
    }
    return files;
}

Result<OutputLock> ClaimOutput(const std::string& output, int32_t first, int32_t last) {
    if (Status ok = CheckWritableFolder(output); !ok) return ok.error();
    Result<OutputLock> lock = OutputLock::Take(output, first, last, g_command);
    if (!lock) return lock.error();
    if (!lock->Note().empty()) {
        std::fprintf(stderr, "ringstride: warning: %s: not locked, so another run on it would not be noticed: %s\n",
                     output.c_str(), lock->Note().c_str());
    }
    if (const int32_t removed = RemoveLeftTemporaries(output, first, last); removed > 0) {
        std::fprintf(stderr, "ringstride: note: %s: removed %d temporary %s that a stopped run left\n",
                     output.c_str(), removed, removed == 1 ? "file" : "files");
    }
    return lock;
}

}  // namespace runner::cli
