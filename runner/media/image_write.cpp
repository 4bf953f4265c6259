// Writing host worlds to image files: a band of rows at a time is converted
// into the file's sample layout in a small buffer of this thread's and
// handed to the writer, so that no frame-sized copy is made.
#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "runner/media/checked_file.h"
#include "runner/media/exr_zip.h"
#include "runner/media/image_io.h"
#include "runner/shot/image_samples.h"
#include "runner/shot/rgba.h"
#include "runner/media/path_util.h"

namespace runner {
namespace {

namespace fs = std::filesystem;

// libpng's SUB row filter: the cheapest one that still helps zlib.
constexpr int PNG_FILTER_SUB_ONLY = 16;
// Levels up to this one use the SUB filter alone; above it libpng picks a
// filter per row, which costs time and saves a few per cent.
constexpr int32_t PNG_FAST_LEVEL = 3;

// How each channel of the world becomes a file sample.
struct Conversion {
    bool premultiply = false;  // EXR
    bool decode = false;       // sRGB-encoded values into linear EXR
    bool encode = false;       // linear values into sRGB PNG
};

// Float worlds into float TIFF samples, exactly as rendered, in the file's
// R, G, B, A order.
void RowAsRendered(const PF_PixelFloat* p, int32_t w, float* out) {
    for (int32_t x = 0; x < w; ++x, out += 4) {
        out[0] = p[x].red;
        out[1] = p[x].green;
        out[2] = p[x].blue;
        out[3] = p[x].alpha;
    }
}

// Float worlds into 16-bit PNG samples, clamped to 0..1.
void RowFloatTo16(const PF_PixelFloat* p, int32_t w, bool encode, uint16_t* out) {
    for (int32_t x = 0; x < w; ++x, out += 4) {
        const double c[3] = {p[x].red, p[x].green, p[x].blue};
        for (int k = 0; k < 3; ++k) out[k] = UnitToFile16(encode ? LinearToSrgb(c[k]) : c[k]);
        out[3] = UnitToFile16(p[x].alpha);
    }
}

// The integer host depths as EXR reads them: a value's share of the
// depth's full scale, and the table of those shares decoded to linear.
struct Exr8 {
    static constexpr double FULL = 255.0;
    static constexpr uint32_t LAST_IN_TABLE = PF_MAX_CHAN8;
    static const double* Linear() { return SrgbToLinearTable8(); }
};
struct Exr16 {
    static constexpr double FULL = 32768.0;
    static constexpr uint32_t LAST_IN_TABLE = PF_MAX_CHAN16;  // host 16-bit values end at 32768
    static const double* Linear() { return SrgbToLinearTable16(); }
};

// Any world into EXR samples: straight colour in 0..1 units (decoded to
// linear where the render holds sRGB values), times alpha.
template <typename Depth, typename Pixel>
void RowIntToExr(const Pixel* p, int32_t w, bool decode, float* out) {
    const double* linear = Depth::Linear();
    for (int32_t x = 0; x < w; ++x, out += 4) {
        // Every colour value is finite and not negative: times alpha 0 it is 0.
        if (p[x].alpha == 0) {
            out[0] = out[1] = out[2] = out[3] = 0.0f;
            continue;
        }
        const double a = p[x].alpha / Depth::FULL;
        const uint32_t c[3] = {p[x].red, p[x].green, p[x].blue};
        for (int k = 0; k < 3; ++k) {
            double v = c[k] / Depth::FULL;
            if (decode) v = c[k] <= Depth::LAST_IN_TABLE ? linear[c[k]] : SrgbToLinear(v);
            out[k] = static_cast<float>(v * a);
        }
        out[3] = static_cast<float>(a);
    }
}

void RowFloatToExr(const PF_PixelFloat* p, int32_t w, bool decode, float* out) {
    for (int32_t x = 0; x < w; ++x, out += 4) {
        const double a = p[x].alpha;
        const double c[3] = {p[x].red, p[x].green, p[x].blue};
        for (int k = 0; k < 3; ++k) out[k] = static_cast<float>((decode ? SrgbToLinear(c[k]) : c[k]) * a);
        out[3] = p[x].alpha;
    }
}

void ConvertRow(const World& world, int32_t y, OIIO::TypeDesc type, const Conversion& how, uint8_t* out) {
    const int32_t w = world.Width();
    const uint8_t* row = world.Row(y);
    switch (world.Format()) {
    case PF_PixelFormat_ARGB32: {
        const PF_Pixel* p = reinterpret_cast<const PF_Pixel*>(row);
        if (how.premultiply) return RowIntToExr<Exr8>(p, w, how.decode, reinterpret_cast<float*>(out));
        return WorldRowToRgba8(world, y, out);
    }
    case PF_PixelFormat_ARGB64: {
        const PF_Pixel16* p = reinterpret_cast<const PF_Pixel16*>(row);
        if (how.premultiply) return RowIntToExr<Exr16>(p, w, how.decode, reinterpret_cast<float*>(out));
        return WorldRowToRgba16(world, y, reinterpret_cast<uint16_t*>(out));
    }
    default: {
        const PF_PixelFloat* p = reinterpret_cast<const PF_PixelFloat*>(row);
        if (how.premultiply) return RowFloatToExr(p, w, how.decode, reinterpret_cast<float*>(out));
        if (type == OIIO::TypeDesc::UINT16) return RowFloatTo16(p, w, how.encode, reinterpret_cast<uint16_t*>(out));
        return RowAsRendered(p, w, reinterpret_cast<float*>(out));
    }
    }
}

void DescribeCompressionTo(const Compression& c, ImageFileFormat format, OIIO::ImageSpec* spec) {
    if (format == IMAGE_FORMAT_PNG) {
        const int level = c.level == 0 ? 6 : c.level;
        spec->attribute("png:compressionLevel", level);
        if (level <= PNG_FAST_LEVEL) spec->attribute("png:filter", PNG_FILTER_SUB_ONLY);
    } else if (format == IMAGE_FORMAT_TIFF) {
        spec->attribute("compression", c.method);
        if (c.method == "zip" && c.level != 0) spec->attribute("tiff:zipquality", c.level);
    } else {
        spec->attribute("compression", DescribeCompression(c));
    }
}

// OpenImageIO's writers write through this into a checked file: its PNG
// writer, for one, ignores what its writes return.
class CheckedProxy : public OIIO::Filesystem::IOProxy {
public:
    CheckedProxy(const std::string& name, CheckedFile* file) : IOProxy(name, Write), file_(file) {}
    const char* proxytype() const override { return "checked"; }
    int64_t tell() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int64_t>(file_->Tell());
    }
    bool seek(int64_t offset) override {
        if (offset < 0) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        file_->Seek(static_cast<uint64_t>(offset));
        return true;
    }
    size_t write(const void* data, size_t size) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return file_->Write(data, size) ? size : 0;
    }
    size_t pwrite(const void* data, size_t size, int64_t offset) override {
        if (offset < 0) return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        return file_->WriteAt(data, size, static_cast<uint64_t>(offset)) ? size : 0;
    }
    size_t size() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<size_t>(file_->Size());
    }

private:
    CheckedFile* file_;
    mutable std::mutex mutex_;
};

// Through OpenImageIO: every format and compression, into `temp`, in the
// format `file`'s extension names. False with the reason in `why` when the
// file could not be written.
bool WriteWithOiio(const World& world, const std::string& file, const std::string& temp, OIIO::TypeDesc type,
                   const Conversion& how, const Compression& compression, ImageFileFormat format,
                   const WriteOptions& options, std::string* why) {
    const int32_t w = world.Width();
    const int32_t h = world.Height();
    std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(file);
    if (!out) {
        *why = OiioError("unknown format");
        return false;
    }
    CheckedFile checked;
    if (Status opened = checked.Open(temp); !opened) {
        *why = opened.error().message;
        return false;
    }
    CheckedProxy proxy(temp, &checked);
    OIIO::ImageSpec spec(w, h, 4, type);
    spec.channelnames = {"R", "G", "B", "A"};
    spec.alpha_channel = 3;
    if (!how.premultiply) spec.attribute("oiio:UnassociatedAlpha", 1);
    if (format == IMAGE_FORMAT_PNG && !options.raw_colour) spec.attribute("oiio:ColorSpace", "sRGB");
    // No time of writing in the file: the same frame gives the same bytes,
    // whenever and wherever (on a farm) it is rendered.
    spec.attribute("DateTime", "");
    DescribeCompressionTo(compression, format, &spec);
    OIIO::Filesystem::IOProxy* proxy_address = &proxy;  // the attribute holds the pointer's value
    spec.attribute("oiio:ioproxy", OIIO::TypeDesc::PTR, &proxy_address);

    const size_t row_bytes = static_cast<size_t>(w) * 4 * type.size();
    thread_local std::vector<uint8_t> buffer;
    buffer.resize(row_bytes * static_cast<size_t>(std::min(BAND_ROWS, h)));
    bool ok = out->open(temp, spec);
    for (int32_t y = 0; ok && y < h; y += BAND_ROWS) {
        const int32_t rows = std::min(BAND_ROWS, h - y);
        for (int32_t r = 0; r < rows; ++r) ConvertRow(world, y + r, type, how, buffer.data() + static_cast<size_t>(r) * row_bytes);
        ok = out->write_scanlines(y, y + rows, 0, type, buffer.data());
    }
    if (!ok) *why = out->geterror();
    ok = out->close() && ok;
    if (!ok && why->empty()) *why = out->geterror();
    out.reset();
    // A failed write is the cause, whatever the library made of it.
    if (Status closed = checked.Close(); !closed) {
        *why = closed.error().message;
        return false;
    }
    return ok;
}

}  // namespace

Status CheckOutputFile(const std::string& file) {
    if (ImageFormatOf(file) == IMAGE_FORMAT_NONE) {
        return Error{file + ": unsupported output format \"" + LowerExtension(file) + "\" (use .png, .tif, .tiff or .exr)"};
    }
    return CheckWritableFolder(file);
}

Status WriteImage(const World& world, const std::string& file, const WriteOptions& options) {
    if (Status ok = CheckOutputFile(file); !ok) return ok;
    const ImageFileFormat format = ImageFormatOf(file);
    const int32_t bits = BitsOfFormat(world.Format());
    const int32_t w = world.Width();
    const int32_t h = world.Height();

    OIIO::TypeDesc type = OIIO::TypeDesc::FLOAT;
    if (format == IMAGE_FORMAT_PNG) {
        type = bits == DEPTH_BITS_8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16;
    } else if (format == IMAGE_FORMAT_TIFF) {
        type = bits == DEPTH_BITS_8 ? OIIO::TypeDesc::UINT8
             : bits == DEPTH_BITS_16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::FLOAT;
    }
    Conversion how;
    how.premultiply = format == IMAGE_FORMAT_EXR;
    how.decode = how.premultiply && !options.raw_colour && options.values == RenderValues::ENCODED;
    how.encode = format == IMAGE_FORMAT_PNG && !options.raw_colour && options.values == RenderValues::LINEAR;

    const std::string temp = TempNameBeside(file);
    const Compression compression = ResolveCompression(options.compression, format);
    std::string why;
    bool ok = false;
    if (format == IMAGE_FORMAT_EXR && compression.method == "zip" && compression.level != 0 && w > 0 && h > 0) {
        // zip at a chosen level (the default): deflated by libdeflate.
        const Status written = WriteExrZip(temp, w, h, compression.level, [&](int32_t y, float* rgba) {
            ConvertRow(world, y, type, how, reinterpret_cast<uint8_t*>(rgba));
        });
        ok = written.has_value();
        if (!ok) why = written.error().message;
    } else {
        ok = WriteWithOiio(world, file, temp, type, how, compression, format, options, &why);
    }
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
        if (why.empty()) why = "unknown error";
        return Error{file + ": cannot write the image (" + why.substr(0, why.find('\n')) + ")"};
    }
    return Success();
}

}  // namespace runner
