// The Linux twin of wine_render: the same scenes, rendered with the effect
// library built for Linux, for frame_compare to hold against the Windows
// frames.
//
//     linux_render FolvekRingStride.so OUTPUT_DIR
#include <dlfcn.h>
#include <stdio.h>

#include "host/host_api.h"
#include "scene_render.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: linux_render LIBRARY OUTPUT_DIR\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        fprintf(stderr, "linux_render: cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<PF_EntryPointFunc>(dlsym(library, PF_ENTRY_POINT_NAME));
    if (entry == nullptr) {
        fprintf(stderr, "linux_render: %s exports no %s\n", argv[1], PF_ENTRY_POINT_NAME);
        return 1;
    }
    const int status = scenes::RenderAllScenes(entry, argv[2]);
    dlclose(library);
    return status;
}
