// A small frei0r host for the tests: the plug-in opened with dlopen and
// driven through its exported functions only, as ffmpeg, MLT and
// GStreamer drive it.
#ifndef FOLVEK_TESTS_FREI0R_FREI0R_HOST_H
#define FOLVEK_TESTS_FREI0R_FREI0R_HOST_H

#include <dlfcn.h>

#include <string>
#include <vector>

extern "C" {
#include <frei0r.h>
}

namespace frei0r_test {

struct HostParamInfo {
    std::string name;
    int type = 0;
    std::string explanation;
};

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) {
            error_ = dlerror();
            return;
        }
        Find("f0r_init", &init);
        Find("f0r_deinit", &deinit);
        Find("f0r_get_plugin_info", &get_plugin_info);
        Find("f0r_get_param_info", &get_param_info);
        Find("f0r_construct", &construct);
        Find("f0r_destruct", &destruct);
        Find("f0r_set_param_value", &set_param_value);
        Find("f0r_get_param_value", &get_param_value);
        Find("f0r_update", &update);
        Find("f0r_update2", &update2);
    }
    ~PluginLibrary() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    std::vector<HostParamInfo> Params() const {
        f0r_plugin_info_t info{};
        get_plugin_info(&info);
        std::vector<HostParamInfo> out;
        for (int i = 0; i < info.num_params; ++i) {
            f0r_param_info_t p{};
            get_param_info(&p, i);
            out.push_back({p.name ? p.name : "", p.type, p.explanation ? p.explanation : ""});
        }
        return out;
    }

    int (*init)() = nullptr;
    void (*deinit)() = nullptr;
    void (*get_plugin_info)(f0r_plugin_info_t*) = nullptr;
    void (*get_param_info)(f0r_param_info_t*, int) = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*set_param_value)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*get_param_value)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*) = nullptr;
    void (*update2)(f0r_instance_t, double, const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*) = nullptr;

private:
    template <typename F>
    void Find(const char* name, F* out) {
        *out = reinterpret_cast<F>(dlsym(handle_, name));
        if (*out == nullptr && error_.empty()) error_ = std::string("no ") + name;
    }

    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace frei0r_test

#endif
