// Small helpers shared by the fuzz targets of the tool's readers.
#ifndef FOLVEK_TESTS_FUZZ_COMMON_H
#define FOLVEK_TESTS_FUZZ_COMMON_H

#include <stdint.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

// A scratch file of this process, rewritten by every run: the readers take
// file names, not bytes.
inline std::string WriteScratch(const char* extension, const uint8_t* data, size_t size) {
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/ringstride-fuzz-" +
                       std::to_string(static_cast<long>(getpid())) + extension;
    std::FILE* f = std::fopen(name.c_str(), "wb");
    Check(f != nullptr, "cannot write the scratch file");
    if (size > 0) Check(std::fwrite(data, 1, size, f) == size, "short write of the scratch file");
    std::fclose(f);
    return name;
}

}  // namespace fuzz

#endif
