// Small helpers on file names.
#ifndef FOLVEK_RUNNER_MEDIA_PATH_UTIL_H
#define FOLVEK_RUNNER_MEDIA_PATH_UTIL_H

#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner {

// ".png" for "a/B.PNG"; empty when there is none.
std::string LowerExtension(const std::string& file);

// A name in the same folder as `target` that no one else uses, for writing
// before the final rename: ".NAME.PID-N.ringstride-tmp" for a target NAME.
// A killed run leaves such files; TempTarget recognises them.
std::string TempNameBeside(const std::string& target);

// The file name (without folder) that a temporary name of TempNameBeside
// stands for: "f_0003.png" for ".f_0003.png.412-7.ringstride-tmp"; empty
// for any other name.
std::string TempTarget(const std::string& file_name);

// Bytes this process may still write on the file system that holds
// `file`'s folder (root may use the blocks kept for it); -1 when unknown.
int64_t FreeBytesFor(const std::string& file);

// The folder `file` would go into exists and takes new files.
Status CheckWritableFolder(const std::string& file);

}  // namespace runner

#endif
