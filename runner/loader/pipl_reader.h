// The plug-in property list an effect library carries: what a host learns
// about an effect before it loads it. Layout, all little-endian: version
// (16-bit, 1), reserved (32-bit, 0), count (32-bit), then per property
// vendor (4 bytes), key (4 bytes), id (32-bit), length (32-bit), value,
// zero padding to a multiple of 4. Four-character codes are stored with
// their bytes reversed; we hand them out in reading order ("8BIM", "name").
#ifndef FOLVEK_RUNNER_LOADER_PIPL_READER_H
#define FOLVEK_RUNNER_LOADER_PIPL_READER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

struct PiplProperty {
    std::string vendor;  // e.g. "8BIM"
    std::string key;     // e.g. "name"
    int32_t id = 0;
    std::vector<uint8_t> value;
};

struct Pipl {
    std::string kind;         // "eFKT" for an effect
    std::string name;         // from the length-prefixed "name"
    std::string category;     // "catg"
    std::string match_name;   // "eMNA"
    // Zero-terminated, under "wx86" (32-bit x86) or "8664" (64-bit x86);
    // a list with both gives the one for the processor this host runs on.
    std::string entry_point;
    std::string entry_point_key;  // the key it came from, empty without one
    uint32_t version = 0;     // "eVER"
    int32_t out_flags = 0;    // "eGLO"
    int32_t out_flags2 = 0;   // "eGL2"
    std::vector<PiplProperty> properties;  // all of them, in file order

    const PiplProperty* Find(const std::string& key) const;
};

// Fails (never reads out of bounds) on a short buffer, a wrong version, a
// property running past the end, or a known property of the wrong shape.
Result<Pipl> ParsePipl(const uint8_t* bytes, size_t size);

}  // namespace runner

#endif
