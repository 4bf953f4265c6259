// Small helpers on file names.
#ifndef FOLVEK_RUNNER_MEDIA_PATH_UTIL_H
#define FOLVEK_RUNNER_MEDIA_PATH_UTIL_H

#include <string>

#include "runner/core/error.h"

namespace runner {

// ".png" for "a/B.PNG"; empty when there is none.
std::string LowerExtension(const std::string& file);

// A name in the same folder as `target` that no one else uses, for writing
// before the final rename.
std::string TempNameBeside(const std::string& target);

// The folder `file` would go into exists and takes new files.
Status CheckWritableFolder(const std::string& file);

}  // namespace runner

#endif
