// Loading the effect library and bringing one instance up to the point
// where it has registered its parameters.
#ifndef FOLVEK_RUNNER_EFFECT_OPEN_H
#define FOLVEK_RUNNER_EFFECT_OPEN_H

#include <memory>
#include <string>

#include "runner/result.h"
#include "runner/session.h"

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

// "error 512 (Memory Error!)" or "error 4" when the effect left no message.
std::string DescribeEffectError(PF_Err err, const std::string& return_msg);

// A session over the library at `plugin_path` after global, parameter and
// sequence set-up and an interface update. Every failure names the library.
Result<std::unique_ptr<Session>> OpenEffect(const std::string& plugin_path);

}  // namespace runner

#endif
