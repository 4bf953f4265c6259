// Writes the property list image to the file named on the command line,
// for the resource compiler of the Windows build. Built and run on the
// build machine.
#include <stdio.h>

#include "resources/pipl.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pipl_gen OUTPUT\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "wb");
    if (file == nullptr) {
        perror(argv[1]);
        return 1;
    }
    const bool written = fwrite(PIPL_IMAGE.data(), 1, PIPL_IMAGE.size(), file) == PIPL_IMAGE.size();
    const bool closed = fclose(file) == 0;
    if (!written || !closed) {
        fprintf(stderr, "pipl_gen: could not write %s\n", argv[1]);
        remove(argv[1]);
        return 1;
    }
    return 0;
}
