// Reading image files into host worlds: the file is decoded a band of rows
// at a time into a small buffer of this thread's and converted from there
// straight into the world's rows.
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <type_traits>
#include <vector>

#include "runner/media/image_io.h"
#include "runner/shot/image_samples.h"
#include "runner/shot/rgba.h"
#include "runner/media/png_probe.h"

namespace runner {
namespace {

// The least a band of a scanline file holds (1 MiB): few calls for a narrow
// image, and still a small buffer beside the world.
constexpr size_t READ_BAND_BYTES = size_t{1} << 20;

namespace fs = std::filesystem;

// Which channels hold what.
struct Layout {
    int32_t channels = 0;
    int32_t alpha = -1;  // -1: opaque
};

Layout LayoutOf(const OIIO::ImageSpec& spec) {
    Layout l;
    l.channels = spec.nchannels;
    l.alpha = spec.alpha_channel;
    if (l.alpha < 0 && l.channels == 2) l.alpha = 1;
    if (l.alpha < 0 && l.channels >= 4) l.alpha = 3;
    return l;
}

int32_t BitsOfSpec(const OIIO::ImageSpec& spec) {
    if (spec.format == OIIO::TypeDesc::UINT8) return DEPTH_BITS_8;
    if (spec.format == OIIO::TypeDesc::UINT16) return DEPTH_BITS_16;
    return DEPTH_BITS_FLOAT;
}

OIIO::TypeDesc TypeOfBits(int32_t bits) {
    return bits == DEPTH_BITS_8 ? OIIO::TypeDesc::UINT8
         : bits == DEPTH_BITS_16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::FLOAT;
}

// R, G, B, A of one file pixel in the file's sample type.
template <typename S>
struct FilePixel {
    S r, g, b, a;
};

template <typename S>
FilePixel<S> Fetch(const S* p, const Layout& l, S opaque) {
    FilePixel<S> s;
    if (l.channels < 3) {
        s.r = s.g = s.b = p[0];
    } else {
        s.r = p[0];
        s.g = p[1];
        s.b = p[2];
    }
    s.a = l.alpha >= 0 ? p[l.alpha] : opaque;
    return s;
}

template <typename S, typename P>
void Store(const FilePixel<S>& s, P* d) {
    StoreRgba(s.r, s.g, s.b, s.a, d);
}

// An EXR pixel: premultiplied and linear in the file; straight, and encoded
// to sRGB for an integer world, in ours.
template <typename P>
void StoreExr(FilePixel<float> s, bool encode, P* d) {
    if (s.a != 0.0f && std::isfinite(s.a)) {
        s.r /= s.a;
        s.g /= s.a;
        s.b /= s.a;
    }
    if constexpr (std::is_same_v<P, PF_PixelFloat>) {
        Store(s, d);
    } else if (!encode) {
        Store(s, d);
    } else {
        const double r = LinearToSrgb(s.r), g = LinearToSrgb(s.g), b = LinearToSrgb(s.b);
        if constexpr (std::is_same_v<P, PF_Pixel>) {
            *d = {UnitTo8(s.a), UnitTo8(r), UnitTo8(g), UnitTo8(b)};
        } else {
            *d = {UnitTo16(s.a), UnitTo16(r), UnitTo16(g), UnitTo16(b)};
        }
    }
}

struct Band {
    const uint8_t* data;  // rows of `width` pixels of `layout.channels` samples
    int32_t rows;
    int32_t width;
    Layout layout;
    bool exr;
    bool encode;
};

template <typename S, typename P>
void ConvertBand(const Band& band, World* world, int32_t first_row) {
    const S* samples = reinterpret_cast<const S*>(band.data);
    const S opaque = std::is_floating_point_v<S> ? S(1) : std::numeric_limits<S>::max();
    const size_t row_samples = static_cast<size_t>(band.width) * static_cast<size_t>(band.layout.channels);
    for (int32_t r = 0; r < band.rows; ++r) {
        const S* src = samples + static_cast<size_t>(r) * row_samples;
        P* dst = reinterpret_cast<P*>(world->Row(first_row + r));
        for (int32_t x = 0; x < band.width; ++x, src += band.layout.channels) {
            const FilePixel<S> s = Fetch(src, band.layout, opaque);
            if constexpr (std::is_same_v<S, float>) {
                if (band.exr) {
                    StoreExr(s, band.encode, &dst[x]);
                    continue;
                }
            }
            Store(s, &dst[x]);
        }
    }
}

template <typename S>
void ConvertBandTo(const Band& band, World* world, int32_t first_row) {
    switch (world->Format()) {
    case PF_PixelFormat_ARGB32: return ConvertBand<S, PF_Pixel>(band, world, first_row);
    case PF_PixelFormat_ARGB64: return ConvertBand<S, PF_Pixel16>(band, world, first_row);
    default: return ConvertBand<S, PF_PixelFloat>(band, world, first_row);
    }
}

Status OpenChecked(const std::string& file, std::unique_ptr<OIIO::ImageInput>* opened) {
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
    if (Status png = CheckPngFile(file); !png) return png.error();

    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(file, &config);
    if (!in) return Error{file + ": not an image this tool can read (" + OiioError("unknown format") + ")"};
    const OIIO::ImageSpec& spec = in->spec();
    if (Status ok = CheckAddressable(spec.width, spec.height, file); !ok) return ok.error();
    if (spec.nchannels < 1) return Error{file + ": the image has no channels"};
    *opened = std::move(in);
    return Success();
}

Status ReadOpened(OIIO::ImageInput* in, const std::string& file, bool raw_colour, World* world) {
    const OIIO::ImageSpec& spec = in->spec();
    if (world->Width() != spec.width || world->Height() != spec.height) {
        return Error{file + ": the image is " + std::to_string(spec.width) + " x " + std::to_string(spec.height) +
                     ", not the expected " + std::to_string(world->Width()) + " x " + std::to_string(world->Height())};
    }
    const int32_t bits = BitsOfSpec(spec);
    const OIIO::TypeDesc type = TypeOfBits(bits);
    Band band{nullptr, 0, spec.width, LayoutOf(spec), false, false};
    band.exr = bits == DEPTH_BITS_FLOAT && std::strcmp(in->format_name(), "openexr") == 0;
    band.encode = band.exr && !raw_colour && world->Format() != PF_PixelFormat_ARGB128;
    const size_t row_bytes = static_cast<size_t>(spec.width) * static_cast<size_t>(band.layout.channels) * type.size();
    // Tiled files are decoded whole; scanline files a band at a time, of at
    // least BAND_ROWS rows and as many more as READ_BAND_BYTES holds: where
    // the library converts, every call costs it a buffer of its own (64 MB),
    // which a narrow image read 32 rows at a time would ask for thousands of
    // times.
    const bool tiled = spec.tile_width > 0;
    const int32_t step =
        tiled ? spec.height
              : std::max(BAND_ROWS, static_cast<int32_t>(std::min<size_t>(READ_BAND_BYTES / row_bytes, INT32_MAX)));
    // Samples already of the type asked for come straight into the buffer,
    // past that conversion.
    const OIIO::TypeDesc asked = type == spec.format && spec.channelformats.empty() ? OIIO::TypeDesc::UNKNOWN : type;
    thread_local std::vector<uint8_t> buffer;
    buffer.resize(row_bytes * static_cast<size_t>(std::min(step, spec.height)));
    for (int32_t y = 0; y < spec.height; y += step) {
        band.rows = std::min(step, spec.height - y);
        band.data = buffer.data();
        const bool ok = tiled ? in->read_image(0, 0, 0, band.layout.channels, type, buffer.data())
                              : in->read_scanlines(0, 0, spec.y + y, spec.y + y + band.rows, 0, 0,
                                                   band.layout.channels, asked, buffer.data());
        if (!ok) {
            std::string why = in->geterror();
            if (why.empty()) why = OiioError("read error");
            return Error{file + ": cannot read its pixels (" + why.substr(0, why.find('\n')) + ")"};
        }
        switch (bits) {
        case DEPTH_BITS_8: ConvertBandTo<uint8_t>(band, world, y); break;
        case DEPTH_BITS_16: ConvertBandTo<uint16_t>(band, world, y); break;
        default: ConvertBandTo<float>(band, world, y); break;
        }
    }
    in->close();
    return Success();
}

}  // namespace

std::string OiioError(const std::string& fallback) {
    std::string e = OIIO::geterror();
    while (!e.empty() && (e.back() == '\n' || e.back() == ' ')) e.pop_back();
    const size_t nl = e.find('\n');
    if (nl != std::string::npos) e = e.substr(0, nl);
    return e.empty() ? fallback : e;
}

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

Status ReadImageInto(const std::string& file, bool raw_colour, World* world) {
    std::unique_ptr<OIIO::ImageInput> in;
    if (Status ok = OpenChecked(file, &in); !ok) return ok;
    return ReadOpened(in.get(), file, raw_colour, world);
}

Result<ImageInfo> ReadImageInfo(const std::string& file) {
    std::unique_ptr<OIIO::ImageInput> in;
    if (Status ok = OpenChecked(file, &in); !ok) return ok.error();
    const OIIO::ImageSpec& spec = in->spec();
    ImageInfo info;
    info.width = spec.width;
    info.height = spec.height;
    info.bits = BitsOfSpec(spec);
    info.exr = std::strcmp(in->format_name(), "openexr") == 0;
    return info;
}

Result<World> ReadWorld(const std::string& file, int32_t bits, bool raw_colour, ImageInfo* info) {
    std::unique_ptr<OIIO::ImageInput> in;
    if (Status ok = OpenChecked(file, &in); !ok) return ok.error();
    const OIIO::ImageSpec& spec = in->spec();
    if (info != nullptr) {
        info->width = spec.width;
        info->height = spec.height;
        info->bits = BitsOfSpec(spec);
        info->exr = std::strcmp(in->format_name(), "openexr") == 0;
    }
    const int32_t depth = bits == 0 ? BitsOfSpec(spec) : bits;
    const PF_PixelFormat format = FormatForBits(depth);
    if (format == PF_PixelFormat_INVALID) return Error{"--depth " + std::to_string(depth) + ": use 8, 16 or 32"};
    Result<World> made = World::Create(format, spec.width, spec.height, 0, 0);
    if (!made) return Error{file + ": cannot hold the image: " + made.error().message};
    World world = std::move(*made);
    if (Status ok = ReadOpened(in.get(), file, raw_colour, &world); !ok) return ok.error();
    return world;
}

}  // namespace runner
