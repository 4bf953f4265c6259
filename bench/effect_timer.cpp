// A forwarding effect library for timing frames inside a real host run: it
// exports EntryPointFunc, loads the effect named by RINGSTRIDE_TIMED_EFFECT
// on the first call and passes every command on unchanged, timing each smart
// render. When it is unloaded after rendering it appends one line to RINGSTRIDE_TIMER_LOG:
//     smart_render COUNT MEDIAN_CPU_MS MEDIAN_WALL_MS
// CPU time is the calling thread's (user and system, so page faults count),
// which other threads of the run do not inflate. It carries the effect's
// property list so that a host loads it like the effect itself.
#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "host/host_api.h"

namespace {

std::mutex g_mutex;
std::vector<double> g_cpu_ms;
std::vector<double> g_wall_ms;
PF_EntryPointFunc g_real = nullptr;
pthread_once_t g_once = PTHREAD_ONCE_INIT;

void LoadReal() {
    const char* path = getenv("RINGSTRIDE_TIMED_EFFECT");
    if (path == nullptr) return;
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return;
    g_real = reinterpret_cast<PF_EntryPointFunc>(dlsym(module, PF_ENTRY_POINT_NAME));
}

double Ms(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

__attribute__((destructor)) void Report() {
    const char* log = getenv("RINGSTRIDE_TIMER_LOG");
    std::lock_guard<std::mutex> lock(g_mutex);
    // A host may load and unload the library before it renders anything.
    if (log == nullptr || g_cpu_ms.empty()) return;
    FILE* f = fopen(log, "a");
    if (f == nullptr) return;
    fprintf(f, "smart_render %zu %.3f %.3f\n", g_cpu_ms.size(), Median(g_cpu_ms), Median(g_wall_ms));
    fclose(f);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                                       PF_OutData* out_data, PF_ParamDef** params,
                                                                       PF_LayerDef* output, void* extra) {
    pthread_once(&g_once, LoadReal);
    if (g_real == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (cmd != PF_Cmd_SMART_RENDER) return g_real(cmd, in_data, out_data, params, output, extra);
    const double cpu = Ms(CLOCK_THREAD_CPUTIME_ID);
    const double wall = Ms(CLOCK_MONOTONIC);
    const PF_Err err = g_real(cmd, in_data, out_data, params, output, extra);
    const double cpu_ms = Ms(CLOCK_THREAD_CPUTIME_ID) - cpu;
    const double wall_ms = Ms(CLOCK_MONOTONIC) - wall;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cpu_ms.push_back(cpu_ms);
    g_wall_ms.push_back(wall_ms);
    return err;
}
