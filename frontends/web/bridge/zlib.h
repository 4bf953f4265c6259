// The few zlib calls the command line's SVG document reader makes, over
// plain files: the page hands it text, never compressed data. Goes with
// svg_import.cpp.
#ifndef FOLVEK_WEB_BRIDGE_ZLIB_H
#define FOLVEK_WEB_BRIDGE_ZLIB_H

#include <cstdio>

constexpr int Z_OK = 0;
constexpr int Z_ERRNO = -1;

struct gzFile_s {
    std::FILE* file;
};

inline gzFile_s* gzopen(const char* path, const char* mode) {
    std::FILE* f = std::fopen(path, mode);
    return f == nullptr ? nullptr : new gzFile_s{f};
}

inline int gzread(gzFile_s* in, void* buffer, unsigned size) {
    const size_t got = std::fread(buffer, 1, size, in->file);
    return std::ferror(in->file) ? -1 : static_cast<int>(got);
}

inline const char* gzerror(gzFile_s* in, int* code) {
    *code = std::ferror(in->file) ? Z_ERRNO : Z_OK;
    return "";
}

inline int gzclose(gzFile_s* in) {
    std::fclose(in->file);
    delete in;
    return Z_OK;
}

#endif
