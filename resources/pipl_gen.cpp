// Writes a property list image to a file, for the resource compiler of the
// Windows builds: `x86` the 32-bit list, `x64` the 64-bit one. Built and run
// on the build machine.
#include <stdio.h>
#include <string.h>

#include "resources/pipl.h"

int main(int argc, char** argv) {
    const bool x86 = argc == 3 && strcmp(argv[1], "x86") == 0;
    const bool x64 = argc == 3 && strcmp(argv[1], "x64") == 0;
    if (!x86 && !x64) {
        fprintf(stderr, "usage: pipl_gen x86|x64 OUTPUT\n");
        return 2;
    }
    const PiplImage& image = x64 ? PIPL_IMAGE_X64 : PIPL_IMAGE;
    const char* path = argv[2];
    FILE* file = fopen(path, "wb");
    if (file == nullptr) {
        perror(path);
        return 1;
    }
    const bool written = fwrite(image.data(), 1, image.size(), file) == image.size();
    const bool closed = fclose(file) == 0;
    if (!written || !closed) {
        fprintf(stderr, "pipl_gen: could not write %s\n", path);
        remove(path);
        return 1;
    }
    return 0;
}
