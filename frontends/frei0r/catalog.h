// What the plug-in tells a frei0r host before any instance exists: its
// name, author, version and explanation, taken from the effect's PiPL and
// about text, and the parameter table, learnt from one session that runs
// the effect's set-up. Built once per process and never changed after.
#ifndef FOLVEK_FREI0R_CATALOG_H
#define FOLVEK_FREI0R_CATALOG_H

#include <stdint.h>

#include <string>
#include <vector>

#include "frei0r/param_map.h"

namespace runner::frei0r {

// The environment variable that names the effect library to host.
constexpr const char* EFFECT_LIBRARY_ENV = "RINGSTRIDE_EFFECT_LIBRARY";
// The name frei0r hosts show; also the plug-in's file name.
constexpr const char* PLUGIN_NAME = "ringstride";
// Prefix of every line the plug-in writes to standard error.
constexpr const char* MESSAGE_PREFIX = "ringstride frei0r: ";

struct Catalog {
    std::string library;   // the effect library's path
    std::string failure;   // empty when the effect opened; else why not, one line
    std::string title;     // the effect's name in its PiPL
    std::string author;
    std::string explanation;
    int32_t major_version = 0;
    int32_t minor_version = 0;
    std::vector<HostParam> params;  // empty when the effect did not open
};

// $RINGSTRIDE_EFFECT_LIBRARY when set and not empty, else FolvekRingStride.so
// beside the plug-in library that holds `self`.
std::string EffectLibraryPath(const void* self);

// Opens the effect at `library` once to describe it.
Catalog BuildCatalog(const std::string& library);

}  // namespace runner::frei0r

#endif
