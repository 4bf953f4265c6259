// The frei0r entry points: a filter named "ringstride" that hosts the
// effect library through our host library. Every function is called from
// C code, so nothing may escape from here as an exception.
#include <cstdio>
#include <mutex>

#include "frei0r/catalog.h"
#include "frei0r/frei0r_api.h"
#include "frei0r/instance.h"

namespace {

using runner::frei0r::Catalog;
using runner::frei0r::FilterInstance;

void Say(const std::string& line) {
    const std::string text = std::string(runner::frei0r::MESSAGE_PREFIX) + line + "\n";
    std::fputs(text.c_str(), stderr);
}

// Hosts ask for the plug-in's description before f0r_init (MLT does), and
// keep the strings it points at, so it is built on first use and lives as
// long as the library.
const Catalog& TheCatalog() {
    static const Catalog catalog = [] {
        Catalog c = runner::frei0r::BuildCatalog(
            runner::frei0r::EffectLibraryPath(reinterpret_cast<const void*>(&f0r_get_plugin_info)));
        if (!c.failure.empty()) Say(c.failure);
        return c;
    }();
    return catalog;
}

FilterInstance* AsInstance(f0r_instance_t instance) { return static_cast<FilterInstance*>(instance); }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int f0r_init(void) {
    try {
        return TheCatalog().failure.empty() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// The catalog stays until the library is unloaded: hosts call f0r_init and
// f0r_deinit once per filter they create, not once per process.
__attribute__((visibility("default"))) void f0r_deinit(void) {}

__attribute__((visibility("default"))) void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (info == nullptr) return;
    try {
        const Catalog& c = TheCatalog();
        info->name = runner::frei0r::PLUGIN_NAME;
        info->author = c.author.c_str();
        info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
        info->color_model = F0R_COLOR_MODEL_RGBA8888;
        info->frei0r_version = FREI0R_MAJOR_VERSION;
        info->major_version = c.major_version;
        info->minor_version = c.minor_version;
        info->num_params = static_cast<int>(c.params.size());
        info->explanation = c.explanation.c_str();
    } catch (...) {
        info->num_params = 0;
    }
}

__attribute__((visibility("default"))) void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
    if (info == nullptr) return;
    try {
        const Catalog& c = TheCatalog();
        if (param_index < 0 || static_cast<size_t>(param_index) >= c.params.size()) return;
        const runner::frei0r::HostParam& p = c.params[static_cast<size_t>(param_index)];
        info->name = p.name.c_str();
        info->type = p.type;
        info->explanation = p.explanation.c_str();
    } catch (...) {
    }
}

__attribute__((visibility("default"))) f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    try {
        const Catalog& catalog = TheCatalog();
        if (!catalog.failure.empty()) return nullptr;  // said once, when the catalog was built
        runner::Result<std::unique_ptr<FilterInstance>> made = runner::frei0r::CreateInstance(catalog, width, height);
        if (!made) {
            Say(made.error().message);
            return nullptr;
        }
        return made->release();
    } catch (...) {
        Say("out of memory while creating an instance");
        return nullptr;
    }
}

__attribute__((visibility("default"))) void f0r_destruct(f0r_instance_t instance) {
    try {
        delete AsInstance(instance);
    } catch (...) {
    }
}

__attribute__((visibility("default"))) void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param,
                                                                int param_index) {
    if (instance == nullptr) return;
    try {
        runner::frei0r::SetHostValue(AsInstance(instance), param_index, param);
    } catch (...) {
    }
}

__attribute__((visibility("default"))) void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param,
                                                                int param_index) {
    if (instance == nullptr) return;
    try {
        runner::frei0r::GetHostValue(AsInstance(instance), param_index, param);
    } catch (...) {
    }
}

__attribute__((visibility("default"))) void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe,
                                                       uint32_t* outframe) {
    if (instance == nullptr) return;
    runner::frei0r::UpdateFrame(AsInstance(instance), time, inframe, outframe);
}

// Optional for filters; the same as f0r_update when given.
__attribute__((visibility("default"))) void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                                        const uint32_t*, const uint32_t*, uint32_t* outframe) {
    f0r_update(instance, time, inframe1, outframe);
}

}  // extern "C"
