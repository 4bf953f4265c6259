// The tool's image reading on mutated files: the first byte picks PNG or
// TIFF, the rest is the file. It is read into host worlds of all three
// depths, as the tool does before rendering.
#include <stdint.h>

#include <OpenImageIO/imageio.h>

#include <memory>

#include "runner/media/image_io.h"
#include "runner/media/png_probe.h"
#include "fuzz_common.h"

namespace {
constexpr double MAX_SAMPLES = 16.0 * 1024 * 1024;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One thread: runs stay reproducible and the sanitizers see every read.
    OIIO::attribute("threads", 1);
    OIIO::attribute("exr_threads", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const EXTENSIONS[] = {".png", ".tif"};
    const std::string file = fuzz::WriteScratch(EXTENSIONS[data[0] % 2], data + 1, size - 1);
    // The tool reads any image up to the size the effect can address, and
    // holds all of it in memory. Headers that claim more than a few million
    // samples would only measure the machine's memory, not the reading.
    if (!runner::CheckPngFile(file)) return 0;  // refused before any library reads it
    {
        std::unique_ptr<OIIO::ImageInput> probe = OIIO::ImageInput::open(file);
        if (probe) {
            const OIIO::ImageSpec& spec = probe->spec();
            const double samples = static_cast<double>(spec.width) * spec.height * spec.nchannels;
            if (samples > MAX_SAMPLES) return 0;
        }
    }
    // Into each depth, straight from the file; then once more into the same
    // world, as the frames of a clip are read.
    for (int32_t bits : {runner::DEPTH_BITS_8, runner::DEPTH_BITS_16, runner::DEPTH_BITS_FLOAT}) {
        runner::ImageInfo info;
        runner::Result<runner::World> world = runner::ReadWorld(file, bits, false, &info);
        if (!world) {
            fuzz::Check(!world.error().message.empty(), "a refusal without a message");
            return 0;
        }
        fuzz::Check(world->Width() == info.width && world->Height() == info.height,
                    "the world's size differs from the file's");
        fuzz::Check(runner::ReadImageInto(file, true, &*world).has_value(), "a second reading of the same file failed");
    }
    return 0;
}
