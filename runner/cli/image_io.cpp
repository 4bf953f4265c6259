#include "runner/cli/image_io.h"
#include "runner/cli/png_probe.h"

#include <OpenImageIO/imageio.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "runner/cli/path_util.h"

namespace runner::cli {
namespace {

namespace fs = std::filesystem;

bool IsExr(const std::string& file) { return LowerExtension(file) == ".exr"; }

std::string OiioError(const std::string& fallback) {
    std::string e = OIIO::geterror();
    while (!e.empty() && (e.back() == '\n' || e.back() == ' ')) e.pop_back();
    const size_t nl = e.find('\n');
    if (nl != std::string::npos) e = e.substr(0, nl);
    return e.empty() ? fallback : e;
}

// Round half up of a non-negative value into 0..limit; NaN counts as 0.
template <typename T>
T RoundClamp(double v, double limit) {
    if (!(v > 0.0)) return 0;
    if (v >= limit) return static_cast<T>(limit);
    return static_cast<T>(std::floor(v + 0.5));
}

double Clamp01(double v) {
    if (!(v > 0.0)) return 0.0;
    return v > 1.0 ? 1.0 : v;
}

// The file's sample (channel k of pixel i) scaled into each host depth.
struct SampleReader {
    const FileImage& image;

    uint8_t To8(size_t i) const {
        switch (image.bits) {
        case DEPTH_BITS_8: return image.u8[i];
        case DEPTH_BITS_16: return RoundClamp<uint8_t>(image.u16[i] * 255.0 / 65535.0, 255.0);
        default: return RoundClamp<uint8_t>(Clamp01(image.f32[i]) * 255.0, 255.0);
        }
    }
    uint16_t To16(size_t i) const {
        switch (image.bits) {
        case DEPTH_BITS_8: return RoundClamp<uint16_t>(image.u8[i] * 32768.0 / 255.0, 32768.0);
        case DEPTH_BITS_16: return RoundClamp<uint16_t>(image.u16[i] * 32768.0 / 65535.0, 32768.0);
        default: return RoundClamp<uint16_t>(Clamp01(image.f32[i]) * 32768.0, 32768.0);
        }
    }
    float ToFloat(size_t i) const {
        switch (image.bits) {
        case DEPTH_BITS_8: return static_cast<float>(image.u8[i] / 255.0);
        case DEPTH_BITS_16: return static_cast<float>(image.u16[i] / 65535.0);
        default: return image.f32[i];
        }
    }
};

template <typename T>
void SpreadChannels(const std::vector<T>& raw, int32_t nch, int32_t alpha, size_t pixels, T opaque,
                    std::vector<T>* rgba) {
    rgba->resize(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        const T* src = &raw[i * static_cast<size_t>(nch)];
        T* dst = &(*rgba)[i * 4];
        if (nch < 3) {
            dst[0] = dst[1] = dst[2] = src[0];
        } else {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        dst[3] = alpha >= 0 ? src[alpha] : opaque;
    }
}

}  // namespace

Status CheckAddressable(int64_t width, int64_t height, const std::string& what) {
    const int64_t int32_max = std::numeric_limits<int32_t>::max();
    const uint64_t uint32_max = std::numeric_limits<uint32_t>::max();
    if (width <= 0 || height <= 0) {
        return Error{what + ": the image has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
    }
    const bool dims_fit = width <= int32_max && height <= int32_max;
    // width and height fit in 31 bits each, so the product fits in 64 bits.
    if (!dims_fit || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > uint32_max / 4) {
        return Error{what + ": the image is " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels, more than the effect can address (width * height * 4 must fit in 32 bits)"};
    }
    return Success();
}

Result<FileImage> ReadImage(const std::string& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return Error{file + ": no such file"};
    if (fs::is_directory(file, ec)) return Error{file + ": is a folder, not an image"};
    if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        return Error{file + ": cannot read: " + std::strerror(errno)};
    }

    // libpng allocates what a file's chunks claim; a damaged PNG is refused
    // before it can make the reader ask for gigabytes.
    if (Status png = CheckPngFile(file); !png) return png.TakeError();

    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(file, &config);
    if (!in) return Error{file + ": not an image this tool can read (" + OiioError("unknown format") + ")"};
    const OIIO::ImageSpec& spec = in->spec();
    if (Status ok = CheckAddressable(spec.width, spec.height, file); !ok) return ok.TakeError();
    if (spec.nchannels < 1) return Error{file + ": the image has no channels"};

    FileImage image;
    image.width = spec.width;
    image.height = spec.height;
    const int32_t nch = spec.nchannels;
    int32_t alpha = spec.alpha_channel;
    if (alpha < 0 && nch == 2) alpha = 1;
    if (alpha < 0 && nch >= 4) alpha = 3;
    const size_t pixels = static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height);
    const size_t samples = pixels * static_cast<size_t>(nch);

    bool read_ok = false;
    if (spec.format == OIIO::TypeDesc::UINT8) {
        image.bits = DEPTH_BITS_8;
        std::vector<uint8_t> raw(samples);
        read_ok = in->read_image(0, 0, 0, nch, OIIO::TypeDesc::UINT8, raw.data());
        if (read_ok) SpreadChannels<uint8_t>(raw, nch, alpha, pixels, 255, &image.u8);
    } else if (spec.format == OIIO::TypeDesc::UINT16) {
        image.bits = DEPTH_BITS_16;
        std::vector<uint16_t> raw(samples);
        read_ok = in->read_image(0, 0, 0, nch, OIIO::TypeDesc::UINT16, raw.data());
        if (read_ok) SpreadChannels<uint16_t>(raw, nch, alpha, pixels, 65535, &image.u16);
    } else {
        image.bits = DEPTH_BITS_FLOAT;
        std::vector<float> raw(samples);
        read_ok = in->read_image(0, 0, 0, nch, OIIO::TypeDesc::FLOAT, raw.data());
        if (read_ok) SpreadChannels<float>(raw, nch, alpha, pixels, 1.0f, &image.f32);
    }
    if (!read_ok) {
        std::string why = in->geterror();
        if (why.empty()) why = OiioError("read error");
        return Error{file + ": cannot read its pixels (" + why.substr(0, why.find('\n')) + ")"};
    }
    in->close();

    if (image.bits == DEPTH_BITS_FLOAT && IsExr(file)) {
        // Premultiplied by convention: back to straight colour.
        for (size_t i = 0; i < pixels; ++i) {
            float* p = &image.f32[i * 4];
            if (p[3] != 0.0f && std::isfinite(p[3])) {
                for (int k = 0; k < 3; ++k) p[k] /= p[3];
            }
        }
    }
    return image;
}

PF_PixelFormat FormatForBits(int32_t bits) {
    switch (bits) {
    case DEPTH_BITS_8: return PF_PixelFormat_ARGB32;
    case DEPTH_BITS_16: return PF_PixelFormat_ARGB64;
    case DEPTH_BITS_FLOAT: return PF_PixelFormat_ARGB128;
    default: return PF_PixelFormat_INVALID;
    }
}

int32_t BitsOfFormat(PF_PixelFormat format) {
    switch (format) {
    case PF_PixelFormat_ARGB32: return DEPTH_BITS_8;
    case PF_PixelFormat_ARGB64: return DEPTH_BITS_16;
    case PF_PixelFormat_ARGB128: return DEPTH_BITS_FLOAT;
    default: return 0;
    }
}

Result<World> ToWorld(const FileImage& image, int32_t bits) {
    const PF_PixelFormat format = FormatForBits(bits);
    if (format == PF_PixelFormat_INVALID) return Error{"--depth " + std::to_string(bits) + ": use 8, 16 or 32"};
    Expected<World> made = World::Create(format, image.width, image.height, 0, 0);
    if (!made) return Error{"cannot hold the image: " + made.Error()};
    World world = made.TakeValue();
    const SampleReader read{image};
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4;
            if (bits == DEPTH_BITS_8) {
                world.Pixel8(x, y) = {read.To8(i + 3), read.To8(i), read.To8(i + 1), read.To8(i + 2)};
            } else if (bits == DEPTH_BITS_16) {
                world.Pixel16(x, y) = {read.To16(i + 3), read.To16(i), read.To16(i + 1), read.To16(i + 2)};
            } else {
                world.PixelFloat(x, y) = {read.ToFloat(i + 3), read.ToFloat(i), read.ToFloat(i + 1),
                                          read.ToFloat(i + 2)};
            }
        }
    }
    return world;
}

Status CheckOutputFile(const std::string& file) {
    const std::string ext = LowerExtension(file);
    if (ext != ".png" && ext != ".tif" && ext != ".tiff" && ext != ".exr") {
        return Error{file + ": unsupported output format \"" + ext + "\" (use .png, .tif, .tiff or .exr)"};
    }
    return CheckWritableFolder(file);
}

Status WriteImage(const World& world, const std::string& file) {
    if (Status ok = CheckOutputFile(file); !ok) return ok;
    const std::string ext = LowerExtension(file);
    const int32_t bits = BitsOfFormat(world.Format());
    const int32_t w = world.Width();
    const int32_t h = world.Height();
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);

    OIIO::TypeDesc type = OIIO::TypeDesc::FLOAT;
    if (ext == ".png") {
        type = bits == DEPTH_BITS_8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16;
    } else if (ext == ".tif" || ext == ".tiff") {
        type = bits == DEPTH_BITS_8 ? OIIO::TypeDesc::UINT8
             : bits == DEPTH_BITS_16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::FLOAT;
    }
    const bool premultiply = ext == ".exr";

    std::vector<uint8_t> u8;
    std::vector<uint16_t> u16;
    std::vector<float> f32;
    if (type == OIIO::TypeDesc::UINT8) u8.resize(pixels * 4);
    if (type == OIIO::TypeDesc::UINT16) u16.resize(pixels * 4);
    if (type == OIIO::TypeDesc::FLOAT) f32.resize(pixels * 4);

    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4;
            double argb[4] = {};  // in the world's own units
            if (bits == DEPTH_BITS_8) {
                const PF_Pixel& p = world.Pixel8(x, y);
                if (type == OIIO::TypeDesc::UINT8) {
                    u8[i] = p.red; u8[i + 1] = p.green; u8[i + 2] = p.blue; u8[i + 3] = p.alpha;
                    continue;
                }
                argb[0] = p.alpha / 255.0; argb[1] = p.red / 255.0; argb[2] = p.green / 255.0; argb[3] = p.blue / 255.0;
            } else if (bits == DEPTH_BITS_16) {
                const PF_Pixel16& p = world.Pixel16(x, y);
                if (type == OIIO::TypeDesc::UINT16) {
                    const uint16_t c[4] = {p.red, p.green, p.blue, p.alpha};
                    for (int k = 0; k < 4; ++k) u16[i + static_cast<size_t>(k)] = RoundClamp<uint16_t>(c[k] * 65535.0 / 32768.0, 65535.0);
                    continue;
                }
                argb[0] = p.alpha / 32768.0; argb[1] = p.red / 32768.0; argb[2] = p.green / 32768.0; argb[3] = p.blue / 32768.0;
            } else {
                const PF_PixelFloat& p = world.PixelFloat(x, y);
                if (type == OIIO::TypeDesc::FLOAT && !premultiply) {
                    f32[i] = p.red; f32[i + 1] = p.green; f32[i + 2] = p.blue; f32[i + 3] = p.alpha;
                    continue;
                }
                argb[0] = p.alpha; argb[1] = p.red; argb[2] = p.green; argb[3] = p.blue;
            }
            if (type == OIIO::TypeDesc::UINT16) {
                for (int k = 0; k < 3; ++k) u16[i + static_cast<size_t>(k)] = RoundClamp<uint16_t>(Clamp01(argb[k + 1]) * 65535.0, 65535.0);
                u16[i + 3] = RoundClamp<uint16_t>(Clamp01(argb[0]) * 65535.0, 65535.0);
            } else {
                const double scale = premultiply ? argb[0] : 1.0;
                for (int k = 0; k < 3; ++k) f32[i + static_cast<size_t>(k)] = static_cast<float>(argb[k + 1] * scale);
                f32[i + 3] = static_cast<float>(argb[0]);
            }
        }
    }

    const std::string temp = TempNameBeside(file);
    std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(temp);
    if (!out) return Error{file + ": cannot create a writer (" + OiioError("unknown format") + ")"};
    OIIO::ImageSpec spec(w, h, 4, type);
    spec.channelnames = {"R", "G", "B", "A"};
    spec.alpha_channel = 3;
    if (!premultiply) spec.attribute("oiio:UnassociatedAlpha", 1);
    // No time of writing in the file: the same frame gives the same bytes,
    // whenever and wherever (on a farm) it is rendered.
    spec.attribute("DateTime", "");
    const void* data = type == OIIO::TypeDesc::UINT8 ? static_cast<const void*>(u8.data())
                     : type == OIIO::TypeDesc::UINT16 ? static_cast<const void*>(u16.data())
                                                      : static_cast<const void*>(f32.data());
    bool ok = out->open(temp, spec) && out->write_image(type, data);
    std::string why = ok ? std::string() : out->geterror();
    ok = out->close() && ok;
    if (ok) {
        std::error_code ec;
        fs::rename(temp, file, ec);
        if (ec) {
            why = ec.message();
            ok = false;
        }
    }
    if (!ok) {
        std::remove(temp.c_str());
        if (why.empty()) why = out->geterror();
        return Error{file + ": cannot write the image (" + why.substr(0, why.find('\n')) + ")"};
    }
    return Success();
}

}  // namespace runner::cli
