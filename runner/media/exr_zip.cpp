#include "runner/media/exr_zip.h"

#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <vector>

#include "runner/media/checked_file.h"

namespace runner {
namespace {

constexpr uint8_t EXR_MAGIC[4] = {0x76, 0x2f, 0x31, 0x01};
constexpr uint8_t EXR_VERSION_SCANLINE[4] = {2, 0, 0, 0};
constexpr int32_t PIXEL_TYPE_FLOAT = 2;
constexpr uint8_t COMPRESSION_ZIP = 3;
constexpr uint8_t LINE_ORDER_INCREASING_Y = 0;
constexpr int32_t CHANNELS = 4;

// The file's little-endian fields, appended to a header being built.
void Put32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void PutFloat(std::string* out, float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(out, bits);
}
void PutAttribute(std::string* out, const char* name, const char* type, const std::string& value) {
    out->append(name).push_back('\0');
    out->append(type).push_back('\0');
    Put32(out, static_cast<uint32_t>(value.size()));
    out->append(value);
}

// The header OpenEXR itself writes for such an image: its attributes in
// the order of their names; channels in the order of theirs.
std::string Header(int32_t width, int32_t height) {
    std::string h(reinterpret_cast<const char*>(EXR_MAGIC), 4);
    h.append(reinterpret_cast<const char*>(EXR_VERSION_SCANLINE), 4);
    std::string channels;
    for (const char* name : {"A", "B", "G", "R"}) {
        channels.append(name).push_back('\0');
        Put32(&channels, PIXEL_TYPE_FLOAT);
        Put32(&channels, 0);  // pLinear and three reserved bytes
        Put32(&channels, 1);  // x sampling
        Put32(&channels, 1);  // y sampling
    }
    channels.push_back('\0');
    PutAttribute(&h, "channels", "chlist", channels);
    PutAttribute(&h, "compression", "compression", std::string(1, static_cast<char>(COMPRESSION_ZIP)));
    std::string window;
    for (uint32_t v : {0u, 0u, static_cast<uint32_t>(width - 1), static_cast<uint32_t>(height - 1)}) Put32(&window, v);
    PutAttribute(&h, "dataWindow", "box2i", window);
    PutAttribute(&h, "displayWindow", "box2i", window);
    PutAttribute(&h, "lineOrder", "lineOrder", std::string(1, static_cast<char>(LINE_ORDER_INCREASING_Y)));
    std::string one;
    PutFloat(&one, 1.0f);
    PutAttribute(&h, "pixelAspectRatio", "float", one);
    std::string centre;
    PutFloat(&centre, 0.0f);
    PutFloat(&centre, 0.0f);
    PutAttribute(&h, "screenWindowCenter", "v2f", centre);
    PutAttribute(&h, "screenWindowWidth", "float", one);
    h.push_back('\0');
    return h;
}

// OpenEXR's ZIP preparation: the block's even bytes, then its odd bytes,
// each byte stored as the difference to the one before it in that order,
// plus 128. Written as differences of input bytes, so that the loops carry
// nothing from one byte to the next and the compiler vectorises them.
void ReorderAndPredict(const uint8_t* raw, size_t n, uint8_t* out) {
    const size_t half = (n + 1) / 2;
    out[0] = raw[0];
    for (size_t k = 1; k < half; ++k) out[k] = static_cast<uint8_t>(raw[2 * k] - raw[2 * k - 2] + 128);
    if (n < 2) return;
    out[half] = static_cast<uint8_t>(raw[1] - raw[2 * (half - 1)] + 128);
    for (size_t k = 1; k < n / 2; ++k) out[half + k] = static_cast<uint8_t>(raw[2 * k + 1] - raw[2 * k - 1] + 128);
}

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// One compressor per thread, made again only when the level changes.
libdeflate_compressor* CompressorOfLevel(int32_t level) {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> compressor;
    thread_local int32_t compressor_level = 0;
    if (compressor == nullptr || compressor_level != level) {
        compressor.reset(libdeflate_alloc_compressor(level));
        compressor_level = compressor == nullptr ? 0 : level;
    }
    return compressor.get();
}

bool LittleEndian() {
    const uint16_t one = 1;
    uint8_t first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

}  // namespace

Status WriteExrZip(const std::string& file, int32_t width, int32_t height, int32_t level, const ExrRowSource& rows) {
    if (width < 1 || height < 1) return Error{"an EXR image needs at least one pixel"};
    if (!LittleEndian()) return Error{"EXR files are written on little-endian machines only"};
    libdeflate_compressor* compressor = CompressorOfLevel(level);
    if (compressor == nullptr) return Error{"no deflate compressor for level " + std::to_string(level)};

    const size_t w = static_cast<size_t>(width);
    const size_t row_bytes = w * CHANNELS * sizeof(float);
    const int32_t blocks = (height + EXR_ZIP_BLOCK_ROWS - 1) / EXR_ZIP_BLOCK_ROWS;
    // This thread's buffers, kept from frame to frame.
    thread_local std::vector<float> rgba;
    thread_local std::vector<uint8_t> raw, predicted, packed;
    rgba.resize(w * CHANNELS);
    raw.resize(row_bytes * EXR_ZIP_BLOCK_ROWS);
    predicted.resize(raw.size());
    packed.resize(raw.size());

    CheckedFile out;
    if (Status opened = out.Open(file); !opened) return opened;
    const std::string header = Header(width, height);
    std::vector<uint64_t> offsets(static_cast<size_t>(blocks), 0);
    const size_t table_bytes = offsets.size() * sizeof(uint64_t);
    bool ok = out.Write(header.data(), header.size()) && out.Write(offsets.data(), table_bytes);
    uint64_t at = header.size() + offsets.size() * sizeof(uint64_t);

    for (int32_t b = 0; ok && b < blocks; ++b) {
        const int32_t y0 = b * EXR_ZIP_BLOCK_ROWS;
        const int32_t count = height - y0 < EXR_ZIP_BLOCK_ROWS ? height - y0 : EXR_ZIP_BLOCK_ROWS;
        // Each row of the block as its channels one after another: A, B, G, R.
        for (int32_t r = 0; r < count; ++r) {
            rows(y0 + r, rgba.data());
            float* planes = reinterpret_cast<float*>(raw.data() + static_cast<size_t>(r) * row_bytes);
            for (size_t x = 0; x < w; ++x) {
                planes[x] = rgba[4 * x + 3];
                planes[w + x] = rgba[4 * x + 2];
                planes[2 * w + x] = rgba[4 * x + 1];
                planes[3 * w + x] = rgba[4 * x];
            }
        }
        const size_t n = row_bytes * static_cast<size_t>(count);
        ReorderAndPredict(raw.data(), n, predicted.data());
        // A block that deflate cannot make smaller is stored as it is.
        size_t size = libdeflate_zlib_compress(compressor, predicted.data(), n, packed.data(), n - 1);
        const uint8_t* data = size == 0 ? raw.data() : packed.data();
        if (size == 0) size = n;
        uint8_t prefix[8];
        const uint32_t fields[2] = {static_cast<uint32_t>(y0), static_cast<uint32_t>(size)};
        std::memcpy(prefix, fields, sizeof prefix);
        offsets[static_cast<size_t>(b)] = at;
        ok = out.Write(prefix, sizeof prefix) && out.Write(data, size);
        at += sizeof prefix + size;
    }
    if (ok) out.WriteAt(offsets.data(), table_bytes, header.size());
    // The first failure of any write, or of the close that flushes the last bytes.
    return out.Close();
}

}  // namespace runner
