// Image files for the tool tests, written and read with OpenImageIO
// directly (straight alpha kept as it is).
#ifndef FOLVEK_TESTS_CLI_IMAGE_FILES_H
#define FOLVEK_TESTS_CLI_IMAGE_FILES_H

#include <OpenImageIO/imageio.h>

#include <memory>
#include <string>
#include <vector>

namespace cli_test {

// Samples R, G, B, A per pixel, row by row, as doubles in the file's units
// (0..255, 0..65535, or float).
struct Picture {
    int width = 0;
    int height = 0;
    OIIO::TypeDesc type = OIIO::TypeDesc::UINT8;
    std::vector<double> samples;

    double At(int x, int y, int channel) const {
        return samples[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4 +
                       static_cast<size_t>(channel)];
    }
};

inline bool WritePicture(const std::string& file, const Picture& p) {
    std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(file);
    if (!out) return false;
    OIIO::ImageSpec spec(p.width, p.height, 4, p.type);
    spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    // Only the samples of the file's own type: the others may not hold them.
    std::vector<float> f;
    std::vector<uint16_t> u16;
    std::vector<uint8_t> u8;
    if (p.type == OIIO::TypeDesc::UINT8) {
        u8.assign(p.samples.begin(), p.samples.end());
    } else if (p.type == OIIO::TypeDesc::UINT16) {
        u16.assign(p.samples.begin(), p.samples.end());
    } else {
        f.assign(p.samples.begin(), p.samples.end());
    }
    const void* data = p.type == OIIO::TypeDesc::UINT8 ? static_cast<const void*>(u8.data())
                     : p.type == OIIO::TypeDesc::UINT16 ? static_cast<const void*>(u16.data())
                                                        : static_cast<const void*>(f.data());
    bool ok = out->open(file, spec) && out->write_image(p.type, data);
    return out->close() && ok;
}

inline bool ReadPicture(const std::string& file, Picture* p) {
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(file, &config);
    if (!in) return false;
    const OIIO::ImageSpec& spec = in->spec();
    if (spec.nchannels != 4) return false;
    p->width = spec.width;
    p->height = spec.height;
    p->type = spec.format;
    std::vector<double> raw(static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height) * 4);
    bool ok = true;
    if (spec.format == OIIO::TypeDesc::FLOAT) {
        std::vector<float> f(raw.size());
        ok = in->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, f.data());
        raw.assign(f.begin(), f.end());
    } else if (spec.format == OIIO::TypeDesc::UINT16) {
        std::vector<uint16_t> v(raw.size());
        ok = in->read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT16, v.data());
        raw.assign(v.begin(), v.end());
    } else {
        std::vector<uint8_t> v(raw.size());
        ok = in->read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT8, v.data());
        raw.assign(v.begin(), v.end());
    }
    p->samples = std::move(raw);
    return ok && in->close();
}

}  // namespace cli_test

#endif
