// Loading the effect library and bringing one instance up to the point
// where it has registered its parameters.
#ifndef FOLVEK_RUNNER_LOADER_EFFECT_OPEN_H
#define FOLVEK_RUNNER_LOADER_EFFECT_OPEN_H

#include <memory>
#include <string>

#include "runner/core/error.h"
#include "runner/core/session.h"
#include "runner/loader/effect_library.h"

namespace runner {

constexpr const char* DEFAULT_PLUGIN_NAME = "FolvekRingStride.so";

// FolvekRingStride.so in the folder of the running executable.
std::string DefaultPluginPath();

// A PiPL version word (major in bits 19-21, minor 15-18, revision 11-14,
// stage 9-10, build 0-8): "1.0.0 release, build 1 (0x00080601)".
std::string DescribeEffectVersion(uint32_t version);

// FolvekRingStride.so beside the shared library that holds `address` (a
// function of the caller's), for a plug-in loaded into another program:
// in the folder it was loaded from, else in the folder of the file a
// symbolic link there points to. Empty when the library is unknown.
std::string PluginPathBesideModule(const void* address);

// An effect library and a session over it after global, parameter and
// sequence set-up and an interface update. The session keeps the library
// loaded for as long as it lives.
struct OpenedEffect {
    std::shared_ptr<EffectLibrary> library;  // its path and PiPL
    std::unique_ptr<Session> session;
};

// Every failure names the library.
Result<OpenedEffect> OpenEffect(const std::string& plugin_path);

// A fresh session over a loaded library, which it keeps loaded.
std::unique_ptr<Session> NewSession(const std::shared_ptr<EffectLibrary>& library);

}  // namespace runner

#endif
