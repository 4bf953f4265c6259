// What every command does with its output before it writes anything:
// refuses an output that is one of its inputs, takes the output's lock
// (so that a second run on it is refused, naming the first), and removes
// the temporary files a killed run left there. Notes go to standard error.
#ifndef FOLVEK_CLI_OUTPUT_CLAIM_H
#define FOLVEK_CLI_OUTPUT_CLAIM_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"
#include "runner/media/output_guard.h"
#include "runner/media/output_lock.h"

namespace runner::cli {

// The command line of this run, as the lock records it for a run it refuses.
void SetCommandLine(int argc, char** argv);

// The input files of a command, for RefuseOverwritingInputs: frame
// patterns expanded to the files that match them, a mask's "#ID" left out
// (unless the file is named so), empty names skipped.
std::vector<std::string> InputFiles(const std::vector<std::string>& inputs);

// Locks `output` (a file: first = last = 0; a pattern: its frames
// first..last) and clears what a killed run left of it.
Result<OutputLock> ClaimOutput(const std::string& output, int32_t first, int32_t last);

}  // namespace runner::cli

#endif
