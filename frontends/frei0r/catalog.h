// What the plug-in tells a frei0r host before any instance exists: its
// name, author, version and explanation, taken from the effect's PiPL and
// about text, and the parameter table, learnt from one session that runs
// the effect's set-up. Built once per process and never changed after.
#ifndef FOLVEK_FREI0R_CATALOG_H
#define FOLVEK_FREI0R_CATALOG_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "frei0r/param_map.h"
#include "runner/loader/effect_open.h"

namespace runner::frei0r {

// The environment variable that names the effect library to host.
constexpr const char* EFFECT_LIBRARY_ENV = "RINGSTRIDE_EFFECT_LIBRARY";
// The name frei0r hosts show; also the plug-in's file name.
constexpr const char* PLUGIN_NAME = "ringstride";
// Prefix of every line the plug-in writes to standard error.
constexpr const char* MESSAGE_PREFIX = "ringstride frei0r: ";

struct Catalog {
    std::string library;   // the effect library's path
    // Kept loaded for as long as the catalog lives: instances opened from
    // `library` share it instead of loading the file again.
    std::shared_ptr<EffectLibrary> loaded;
    std::string failure;   // empty when the effect opened; else why not, one line
    std::string title;     // the effect's name in its PiPL
    std::string author;
    std::string explanation;
    int32_t major_version = 0;
    int32_t minor_version = 0;
    std::vector<ParamDefinition> defs;  // the effect's own, input layer first
    std::vector<HostParam> params;      // made from defs; empty when the effect did not open
};

// $RINGSTRIDE_EFFECT_LIBRARY when set and not empty, else FolvekRingStride.so
// beside the plug-in library that holds `self`.
std::string EffectLibraryPath(const void* self);

// What the effect `opened` from `library` tells a host.
Catalog DescribeEffect(const std::string& library, const OpenedEffect& opened);

// Opens the effect at `library` once to describe it.
Catalog BuildCatalog(const std::string& library);

}  // namespace runner::frei0r

#endif
