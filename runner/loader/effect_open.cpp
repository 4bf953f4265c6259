#include "runner/loader/effect_open.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace runner {

std::string DefaultPluginPath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return DEFAULT_PLUGIN_NAME;
    return (self.parent_path() / DEFAULT_PLUGIN_NAME).string();
}

std::string DescribeEffectVersion(uint32_t v) {
    static const char* STAGES[] = {"development", "alpha", "beta", "release"};
    const uint32_t major = (v >> 19) & 0x7;
    const uint32_t minor = (v >> 15) & 0xF;
    const uint32_t revision = (v >> 11) & 0xF;
    const uint32_t stage = (v >> 9) & 0x3;
    const uint32_t build = v & 0x1FF;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%u.%u.%u %s, build %u (0x%08X)", major, minor, revision, STAGES[stage], build, v);
    return buf;
}

std::string PluginPathBesideModule(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || info.dli_fname[0] == '\0') return "";
    const std::filesystem::path module = info.dli_fname;
    const std::filesystem::path beside = module.parent_path() / DEFAULT_PLUGIN_NAME;
    std::error_code ec;
    if (std::filesystem::exists(beside, ec)) return beside.string();
    const std::filesystem::path real = std::filesystem::canonical(module, ec);
    if (!ec && std::filesystem::exists(real.parent_path() / DEFAULT_PLUGIN_NAME, ec)) {
        return (real.parent_path() / DEFAULT_PLUGIN_NAME).string();
    }
    return beside.string();
}

std::unique_ptr<Session> NewSession(const std::shared_ptr<EffectLibrary>& library) {
    return std::make_unique<Session>(library->EntryPoint(), library);
}

Result<OpenedEffect> OpenEffect(const std::string& plugin_path) {
    Result<std::shared_ptr<EffectLibrary>> loaded = EffectLibrary::Load(plugin_path);
    if (!loaded) {
        const std::string& why = loaded.error().message;
        // The loader's messages already name the path; make sure ours does.
        if (why.find(plugin_path) != std::string::npos) return Error{why};
        return Error{plugin_path + ": " + why};
    }
    OpenedEffect opened{std::move(*loaded), nullptr};
    opened.session = NewSession(opened.library);
    Session* session = opened.session.get();
    const CommandResult set_up = session->SetUp();
    if (set_up.err != PF_Err_NONE || set_up.escaped_exception) {
        return Error{plugin_path + ": set-up failed with " + DescribeEffectError(set_up.err, set_up.return_msg) +
                     (set_up.escaped_exception ? ", and the effect let an exception escape" : "")};
    }
    if (session->ParamCount() < 1) {
        return Error{plugin_path + ": the effect registered no parameters"};
    }
    return opened;
}

}  // namespace runner
