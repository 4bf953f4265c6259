#include "frame_file.h"

#include <stdio.h>
#include <string.h>

#include <memory>

namespace scenes {

namespace {

constexpr char MAGIC[8] = {'R', 'S', 'F', 'R', 'A', 'M', 'E', '1'};

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void Put32(uint8_t* at, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

int32_t Get32(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

}  // namespace

std::string FramePath(const std::string& dir, size_t index, const std::string& scene_name) {
    char number[16];
    snprintf(number, sizeof number, "%03u", static_cast<unsigned>(index));
    return dir + "/" + number + "_" + scene_name + ".frame";
}

bool WriteFrame(const std::string& path, const Frame& frame, std::string* error) {
    uint8_t header[FRAME_HEADER_SIZE];
    memcpy(header, MAGIC, sizeof MAGIC);
    const int32_t fields[8] = {frame.err,
                               frame.format,
                               frame.width,
                               frame.height,
                               frame.bytes_per_pixel,
                               frame.padding_intact,
                               frame.drew,
                               static_cast<int32_t>(frame.pixels.size())};
    for (size_t i = 0; i < 8; ++i) Put32(header + sizeof MAGIC + 4 * i, fields[i]);

    File file(fopen(path.c_str(), "wb"));
    if (!file) {
        *error = "cannot create " + path;
        return false;
    }
    bool ok = fwrite(header, 1, sizeof header, file.get()) == sizeof header;
    if (ok && !frame.pixels.empty())
        ok = fwrite(frame.pixels.data(), 1, frame.pixels.size(), file.get()) == frame.pixels.size();
    ok = (fclose(file.release()) == 0) && ok;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

bool ReadFrame(const std::string& path, Frame* frame, std::string* error) {
    File file(fopen(path.c_str(), "rb"));
    if (!file) {
        *error = "missing frame " + path;
        return false;
    }
    uint8_t header[FRAME_HEADER_SIZE];
    if (fread(header, 1, sizeof header, file.get()) != sizeof header ||
        memcmp(header, MAGIC, sizeof MAGIC) != 0) {
        *error = path + " is not a frame file";
        return false;
    }
    int32_t fields[8];
    for (size_t i = 0; i < 8; ++i) fields[i] = Get32(header + sizeof MAGIC + 4 * i);
    frame->err = fields[0];
    frame->format = fields[1];
    frame->width = fields[2];
    frame->height = fields[3];
    frame->bytes_per_pixel = fields[4];
    frame->padding_intact = fields[5];
    frame->drew = fields[6];
    const int32_t size = fields[7];
    const int64_t image_bytes = static_cast<int64_t>(frame->width) * frame->height *
                                frame->bytes_per_pixel;
    if (size < 0 || size != image_bytes) {
        *error = path + ": pixel byte count does not match its size";
        return false;
    }
    frame->pixels.assign(static_cast<size_t>(size), 0);
    if (size > 0 &&
        fread(frame->pixels.data(), 1, frame->pixels.size(), file.get()) != frame->pixels.size()) {
        *error = path + " is truncated";
        return false;
    }
    if (fgetc(file.get()) != EOF) {
        *error = path + " has bytes after its pixels";
        return false;
    }
    return true;
}

}  // namespace scenes
