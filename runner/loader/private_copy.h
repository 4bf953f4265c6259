// A library's bytes in a folder of our own, to load instead of the file the
// user named. Linux maps a loaded library from its file. The pages the
// loader wrote (relocated pointer tables, the GOT) are private copies, but
// truncating the file drops even those: a library rewritten in place (cp
// over it) under a running process gets its tables back as the file holds
// them, link-time offsets, and the next call through one jumps to such an
// offset. Nobody else knows the copy's name, so nobody rewrites it.
#ifndef FOLVEK_RUNNER_LOADER_PRIVATE_COPY_H
#define FOLVEK_RUNNER_LOADER_PRIVATE_COPY_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

struct PrivateCopy {
    std::string folder;  // made for the copy alone, readable by us only
    std::string file;    // folder + "/" + the original file's name
};

// Writes `bytes` as `file_name` into a fresh folder under the temporary
// directory ($TMPDIR, else /tmp). Fails naming what could not be made.
Result<PrivateCopy> WritePrivateCopy(const std::vector<uint8_t>& bytes, const std::string& file_name);

// Removes the file and its folder; an empty copy is ignored.
void RemovePrivateCopy(const PrivateCopy& copy);

}  // namespace runner

#endif
