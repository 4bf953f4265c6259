// A look at a PNG file's chunk layout before any image library reads it.
// libpng allocates a chunk's buffer from the length the chunk claims, so a
// file of a hundred bytes can make it ask for gigabytes; a chunk that
// claims more bytes than the file still holds marks a damaged file.
#ifndef FOLVEK_RUNNER_MEDIA_PNG_PROBE_H
#define FOLVEK_RUNNER_MEDIA_PNG_PROBE_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "runner/core/error.h"

namespace runner {

// Success for a file that is not a PNG at all (it is left to the readers)
// and for a PNG whose every chunk, up to IEND or the end of the file, fits
// in the file. `what` names the file in the message.
Status CheckPngChunks(const uint8_t* bytes, size_t size, const std::string& what);

// The same for a file on disk (read in full only when it is a PNG).
Status CheckPngFile(const std::string& file);

}  // namespace runner

#endif
