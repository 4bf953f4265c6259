// Worlds: owned pixel buffers with a PF_EffectWorld view onto them.
#include "runner/core/world.h"

#include <stdlib.h>
#include <string.h>

#include <limits>
#include <new>
#include <utility>

#include "runner/core/large_memory.h"

namespace runner {

namespace {

constexpr uint32_t WORLD_TAG_MAGIC = 0x574C4452u;  // "WLDR"
constexpr uint64_t MAX_WORLD_BYTES = uint64_t{1} << 31;

}  // namespace

int32_t BytesPerPixel(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return static_cast<int32_t>(sizeof(PF_Pixel));
        case PF_PixelFormat_ARGB64: return static_cast<int32_t>(sizeof(PF_Pixel16));
        case PF_PixelFormat_ARGB128: return static_cast<int32_t>(sizeof(PF_PixelFloat));
        default: return 0;
    }
}

// The tag lives on the heap so host_reserved stays valid when the World moves.
World::World() : tag_(new WorldTag{WORLD_TAG_MAGIC, PF_PixelFormat_INVALID}) {
    def_.host_reserved = tag_.get();
}
World::~World() { Release(); }

World::World(World&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      tag_(std::move(other.tag_)),
      def_(other.def_) {
    other.def_ = PF_EffectWorld{};
}

World& World::operator=(World&& other) noexcept {
    if (this != &other) {
        Release();
        bytes_ = std::exchange(other.bytes_, nullptr);
        size_ = std::exchange(other.size_, 0);
        tag_ = std::move(other.tag_);
        def_ = other.def_;
        other.def_ = PF_EffectWorld{};
    }
    return *this;
}

void World::Release() {
    if (size_ >= LARGE_BLOCK_BYTES) {
        FreeLarge(bytes_, size_);
    } else {
        free(bytes_);
    }
    bytes_ = nullptr;
    size_ = 0;
}

namespace {

// Null for zero bytes or when the memory cannot be had.
uint8_t* AllocateFilled(size_t bytes, uint8_t fill_byte) {
    if (bytes == 0) return nullptr;
    void* block = bytes >= LARGE_BLOCK_BYTES ? AllocateLarge(bytes) : malloc(bytes);
    // Large blocks arrive zero-filled: a zero fill need not touch them.
    if (block != nullptr && (fill_byte != 0 || bytes < LARGE_BLOCK_BYTES)) memset(block, fill_byte, bytes);
    return static_cast<uint8_t*>(block);
}

}  // namespace

Result<World> World::Create(PF_PixelFormat format, int32_t width, int32_t height,
                              int32_t row_padding_bytes, uint8_t fill_byte) {
    const int32_t bpp = BytesPerPixel(format);
    if (bpp == 0) return Error{"unknown pixel format " + std::to_string(format)};
    if (width < 0 || height < 0 || row_padding_bytes < 0) {
        return Error{"negative world size or padding"};
    }
    const int64_t rowbytes = int64_t{width} * bpp + row_padding_bytes;
    if (rowbytes > std::numeric_limits<int32_t>::max()) {
        return Error{"world rows too long for rowbytes"};
    }
    const uint64_t total = static_cast<uint64_t>(rowbytes) * static_cast<uint64_t>(height);
    // Far beyond any frame we render, and a size every platform can allocate.
    if (total > MAX_WORLD_BYTES) return Error{"world too large"};

    World world;
    world.bytes_ = AllocateFilled(static_cast<size_t>(total), fill_byte);
    if (world.bytes_ == nullptr && total != 0) return Error{"out of memory for a world"};
    world.size_ = static_cast<size_t>(total);
    world.tag_->format = format;
    world.def_.data = world.bytes_;
    world.def_.rowbytes = static_cast<int32_t>(rowbytes);
    world.def_.width = width;
    world.def_.height = height;
    world.def_.world_flags = 0;
    world.def_.host_reserved = world.tag_.get();
    return world;
}

World World::Clone() const {
    World copy;
    if (size_ != 0) {
        copy.bytes_ = size_ >= LARGE_BLOCK_BYTES ? static_cast<uint8_t*>(AllocateLarge(size_))
                                                 : static_cast<uint8_t*>(malloc(size_));
        if (copy.bytes_ == nullptr) throw std::bad_alloc();
        memcpy(copy.bytes_, bytes_, size_);
        copy.size_ = size_;
    }
    copy.tag_->format = Format();
    copy.def_ = def_;
    copy.def_.data = copy.bytes_;
    copy.def_.host_reserved = copy.tag_.get();
    return copy;
}

bool World::PaddingIntact() const {
    const size_t image = static_cast<size_t>(def_.width) * static_cast<size_t>(BytesPerPixel(Format()));
    for (int32_t y = 0; y < def_.height; ++y) {
        const uint8_t* row = Row(y);
        for (size_t i = image; i < static_cast<size_t>(def_.rowbytes); ++i) {
            if (row[i] != PADDING_CANARY) return false;
        }
    }
    return true;
}

bool World::ImageBytesAll(uint8_t byte) const {
    const size_t image = static_cast<size_t>(def_.width) * static_cast<size_t>(BytesPerPixel(Format()));
    for (int32_t y = 0; y < def_.height; ++y) {
        const uint8_t* row = Row(y);
        for (size_t i = 0; i < image; ++i) {
            if (row[i] != byte) return false;
        }
    }
    return true;
}

bool World::SameImage(const World& other) const {
    if (Format() != other.Format() || Width() != other.Width() || Height() != other.Height()) {
        return false;
    }
    const size_t image = static_cast<size_t>(def_.width) * static_cast<size_t>(BytesPerPixel(Format()));
    for (int32_t y = 0; y < def_.height; ++y) {
        if (image != 0 && memcmp(Row(y), other.Row(y), image) != 0) return false;
    }
    return true;
}

PF_PixelFormat FormatOfDef(const PF_EffectWorld* def) {
    if (def == nullptr || def->host_reserved == nullptr) return PF_PixelFormat_INVALID;
    const WorldTag* tag = static_cast<const WorldTag*>(def->host_reserved);
    return tag->magic == WORLD_TAG_MAGIC ? tag->format : PF_PixelFormat_INVALID;
}

namespace {

// A world's geometry is usable when its rows hold its width and its buffer
// is there whenever it has pixels.
bool Usable(const PF_EffectWorld* w, int32_t bpp) {
    if (w == nullptr || bpp == 0 || w->width < 0 || w->height < 0) return false;
    if (int64_t{w->rowbytes} < int64_t{w->width} * bpp) return false;
    return w->data != nullptr || w->width == 0 || w->height == 0;
}

}  // namespace

PF_Err CopyWorld(const PF_EffectWorld* src, PF_EffectWorld* dst) {
    const PF_PixelFormat format = FormatOfDef(src);
    const int32_t bpp = BytesPerPixel(format);
    if (!Usable(src, bpp) || !Usable(dst, bpp) || FormatOfDef(dst) != format ||
        src->width != dst->width || src->height != dst->height) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const size_t image = static_cast<size_t>(src->width) * static_cast<size_t>(bpp);
    for (int32_t y = 0; y < src->height; ++y) {
        const uint8_t* from = static_cast<const uint8_t*>(src->data) +
                              static_cast<size_t>(y) * static_cast<size_t>(src->rowbytes);
        uint8_t* to = static_cast<uint8_t*>(dst->data) +
                      static_cast<size_t>(y) * static_cast<size_t>(dst->rowbytes);
        if (image != 0) memmove(to, from, image);
    }
    return PF_Err_NONE;
}

PF_Err FillWorld(const PF_Pixel& color, PF_EffectWorld* world) {
    const PF_PixelFormat format = FormatOfDef(world);
    const int32_t bpp = BytesPerPixel(format);
    if (!Usable(world, bpp)) return PF_Err_BAD_CALLBACK_PARAM;
    // One pixel in the world's depth, then stamped across every row.
    uint8_t pixel[sizeof(PF_PixelFloat)] = {};
    if (format == PF_PixelFormat_ARGB32) {
        memcpy(pixel, &color, sizeof color);
    } else if (format == PF_PixelFormat_ARGB64) {
        auto up = [](uint8_t c) {
            return static_cast<uint16_t>((uint32_t{c} * PF_MAX_CHAN16 + PF_MAX_CHAN8 / 2) / PF_MAX_CHAN8);
        };
        const PF_Pixel16 p{up(color.alpha), up(color.red), up(color.green), up(color.blue)};
        memcpy(pixel, &p, sizeof p);
    } else {
        auto up = [](uint8_t c) { return static_cast<float>(c) / 255.0f; };
        const PF_PixelFloat p{up(color.alpha), up(color.red), up(color.green), up(color.blue)};
        memcpy(pixel, &p, sizeof p);
    }
    // The first row pixel by pixel, every other row as a copy of it.
    if (world->height <= 0 || world->width <= 0) return PF_Err_NONE;
    uint8_t* first = static_cast<uint8_t*>(world->data);
    const size_t image_row = static_cast<size_t>(world->width) * static_cast<size_t>(bpp);
    for (size_t at = 0; at < image_row; at += static_cast<size_t>(bpp)) {
        memcpy(first + at, pixel, static_cast<size_t>(bpp));
    }
    for (int32_t y = 1; y < world->height; ++y) {
        memcpy(first + static_cast<size_t>(y) * static_cast<size_t>(world->rowbytes), first, image_row);
    }
    return PF_Err_NONE;
}

}  // namespace runner
