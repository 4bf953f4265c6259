// What is checked about an output before a run writes anything: that it is
// none of the run's inputs (by device and inode, so also through another
// path, a symbolic or a hard link), which frames of a pattern are already
// there, and the temporary files a killed run left behind.
#ifndef FOLVEK_RUNNER_MEDIA_OUTPUT_GUARD_H
#define FOLVEK_RUNNER_MEDIA_OUTPUT_GUARD_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

// The files an input names: every file that matches a frame pattern (any
// number), or the file itself.
std::vector<std::string> FilesOfInput(const std::string& input);

// Refuses when one of `outputs` exists and is one of `inputs`: writing it
// would destroy the input. The line names both.
Status RefuseOverwritingInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

// The frame numbers of the files in a pattern's folder that match it, in
// increasing order; an error when the folder cannot be listed.
Result<std::vector<int64_t>> FrameNumbersPresent(const std::string& pattern);

// Removes the temporary files that a killed run left for `output`: for a
// pattern those of its frames first..last, for a file (first = last = 0)
// those of the file. Call while holding the output's lock. How many went.
int32_t RemoveLeftTemporaries(const std::string& output, int32_t first, int32_t last);

}  // namespace runner

#endif
