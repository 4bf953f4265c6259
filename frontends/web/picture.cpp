#include "web/picture.h"

#include "runner/shot/rgba.h"

namespace runner::web {
namespace {

// The module's memory grows to 2 GiB; a picture is held as the decoded
// bytes, the layer and the output frame (and its RGBA copy), so a quarter
// of that is what one of them may take.
constexpr uint64_t MAX_PAGE_PICTURE_BYTES = uint64_t{1} << 29;

}  // namespace

Status CheckPictureSize(int64_t width, int64_t height, const std::string& name) {
    if (width <= 0 || height <= 0) {
        return Error{name + ": the picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
    }
    const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > INT32_MAX || height > INT32_MAX || bytes > UINT32_MAX) {
        return Error{name + ": the picture is " + size +
                     ", more than the effect can address (width * height * 4 must fit in 32 bits)"};
    }
    if (bytes > MAX_PAGE_PICTURE_BYTES) {
        return Error{name + ": the picture is " + size + ", more than the page can hold (" +
                     std::to_string(MAX_PAGE_PICTURE_BYTES >> 20) +
                     " MiB a frame); render it with the ringstride tool instead"};
    }
    return Success();
}

Result<World> WorldFromRgba(int32_t width, int32_t height, const uint8_t* rgba, const std::string& name) {
    if (Status ok = CheckPictureSize(width, height, name); !ok) return ok.error();
    Result<World> made = World::Create(PF_PixelFormat_ARGB32, width, height);
    if (!made) return Error{name + ": cannot hold the picture: " + made.error().message};
    RgbaIntoWorld(rgba, 8, &*made);
    return made;
}

void RgbaFromWorld(const World& world, std::vector<uint8_t>* out) {
    out->resize(static_cast<size_t>(world.Width()) * static_cast<size_t>(world.Height()) * 4);
    WorldToRgba8(world, out->data());
}

}  // namespace runner::web
