// The tool's image reading on mutated files: the first byte picks PNG or
// TIFF, the rest is the file. Whatever is read is converted into host
// worlds of all three depths, as the tool does before rendering.
#include <stdint.h>

#include <OpenImageIO/imageio.h>

#include <memory>

#include "runner/cli/image_io.h"
#include "runner/cli/png_probe.h"
#include "tests/fuzz/fuzz_common.h"

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
    if (!runner::cli::CheckPngFile(file)) return 0;  // refused before any library reads it
    {
        std::unique_ptr<OIIO::ImageInput> probe = OIIO::ImageInput::open(file);
        if (probe) {
            const OIIO::ImageSpec& spec = probe->spec();
            const double samples = static_cast<double>(spec.width) * spec.height * spec.nchannels;
            if (samples > MAX_SAMPLES) return 0;
        }
    }
    runner::Result<runner::cli::FileImage> image = runner::cli::ReadImage(file);
    if (!image) {
        fuzz::Check(!image.Message().empty(), "a refusal without a message");
        return 0;
    }
    const size_t pixels = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    const size_t samples = image->u8.size() + image->u16.size() + image->f32.size();
    fuzz::Check(samples == pixels * 4, "the samples do not match the image's size");
    for (int32_t bits : {runner::cli::DEPTH_BITS_8, runner::cli::DEPTH_BITS_16, runner::cli::DEPTH_BITS_FLOAT}) {
        runner::Result<runner::World> world = runner::cli::ToWorld(*image, bits);
        if (world) {
            fuzz::Check(world->Width() == image->width && world->Height() == image->height,
                        "the world's size differs from the file's");
        }
    }
    return 0;
}
