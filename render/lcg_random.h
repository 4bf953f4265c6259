// The seeded generator behind the circle radii: the classic linear
// congruential sequence, modulo 2^32, giving the low 31 bits.
#ifndef FOLVEK_LCG_RANDOM_H
#define FOLVEK_LCG_RANDOM_H

#include <stdint.h>

struct LcgRandom {
    uint32_t state = 0;

    void Reset() { state = 0; }
    void SetSeed(uint32_t seed) { state = seed; }
    int32_t NextInt() {
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>(state & 0x7FFFFFFFu);
    }
    // A value in [0, 1); the largest is 1 - 2^-31.
    double NextUnit() { return static_cast<double>(NextInt()) * (1.0 / 2147483648.0); }
};

#endif
