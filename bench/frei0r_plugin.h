// The frei0r plug-in opened with dlopen, as ffmpeg, MLT and GStreamer open
// it, and the entry points the benchmarks drive, every one found or the
// plug-in refused. f0r_instance_t and f0r_param_t are void pointers, so
// this needs no frei0r.h.
#ifndef FOLVEK_BENCH_FREI0R_PLUGIN_H
#define FOLVEK_BENCH_FREI0R_PLUGIN_H

#include <dlfcn.h>
#include <stdint.h>

#include <string>

namespace bench {

class Frei0rPlugin {
public:
    explicit Frei0rPlugin(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) {
            const char* why = dlerror();
            error_ = why != nullptr ? why : path + ": cannot be opened";
            return;
        }
        Find("f0r_construct", &construct);
        Find("f0r_destruct", &destruct);
        Find("f0r_set_param_value", &set_param_value);
        Find("f0r_update", &update);
    }
    ~Frei0rPlugin() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    Frei0rPlugin(const Frei0rPlugin&) = delete;
    Frei0rPlugin& operator=(const Frei0rPlugin&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    void* (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(void*) = nullptr;
    void (*set_param_value)(void*, void*, int) = nullptr;
    void (*update)(void*, double, const uint32_t*, uint32_t*) = nullptr;

private:
    template <typename F>
    void Find(const char* name, F* out) {
        *out = reinterpret_cast<F>(dlsym(handle_, name));
        if (*out == nullptr && error_.empty()) error_ = std::string("the plug-in has no ") + name;
    }

    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace bench

#endif
