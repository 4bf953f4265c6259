// An effect library loaded into our process: its PiPL, read before the
// library is loaded, and its EntryPointFunc. Several sessions (on several
// threads) may share one library.
#ifndef FOLVEK_RUNNER_LOADER_EFFECT_LIBRARY_H
#define FOLVEK_RUNNER_LOADER_EFFECT_LIBRARY_H

#include <memory>
#include <string>

#include "host/host_api.h"
#include "runner/core/error.h"
#include "runner/loader/pipl_reader.h"
#include "runner/loader/private_copy.h"

namespace runner {

class EffectLibrary {
public:
    // Reads the PiPL (ELF section "PIPL" on Linux, resource PIPL 16000 /
    // language 1033 on Windows), loads the library and finds EntryPointFunc.
    // Every failure names the path: missing file, not a library, no PiPL,
    // no entry point. On Linux the library is loaded from a private copy of
    // the file (see private_copy.h), and a path already loaded is shared.
    static Result<std::shared_ptr<EffectLibrary>> Load(const std::string& path);

    ~EffectLibrary();
    EffectLibrary(const EffectLibrary&) = delete;
    EffectLibrary& operator=(const EffectLibrary&) = delete;

    const std::string& Path() const { return path_; }
    const Pipl& PiplInfo() const { return pipl_; }
    PF_EntryPointFunc EntryPoint() const { return entry_; }

private:
    EffectLibrary() = default;
    std::string path_;
    Pipl pipl_;
    void* module_ = nullptr;
    PF_EntryPointFunc entry_ = nullptr;
    PrivateCopy copy_;  // what was loaded on Linux; removed when unloaded
};

}  // namespace runner

#endif
