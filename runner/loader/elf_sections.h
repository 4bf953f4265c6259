// Finding a named section in an ELF file (32- or 64-bit, little-endian)
// without loading it: how our host reads an effect's PiPL on Linux.
#ifndef FOLVEK_RUNNER_LOADER_ELF_SECTIONS_H
#define FOLVEK_RUNNER_LOADER_ELF_SECTIONS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

// The contents of the section called `name`. Every offset and size read
// from the file is checked against the buffer: a truncated or hostile file
// gives a failure, never a read outside `bytes`.
Result<std::vector<uint8_t>> ReadElfSection(const uint8_t* bytes, size_t size,
                                              const std::string& name);

// A whole file; fails naming the path.
Result<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

}  // namespace runner

#endif
