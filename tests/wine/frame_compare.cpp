// Holds the frames of two renderers against each other, scene by scene and
// bit for bit, and checks that each frame is sound on its own: rendered
// without error, row padding untouched, something drawn where the scene
// expects it.
//
//     frame_compare REFERENCE_DIR OTHER_DIR
//
// Prints the first differing pixel of every scene that differs; exit status
// 1 when any scene differs or is unsound.
#include <stdio.h>
#include <string.h>

#include <string>

#include "frame_file.h"
#include "scenes.h"

namespace {

const char* const CHANNELS[4] = {"alpha", "red", "green", "blue"};

// A pixel's four channels as text, in the frame's own type.
std::string PixelText(const scenes::Frame& frame, size_t pixel) {
    const size_t bpp = static_cast<size_t>(frame.bytes_per_pixel);
    const uint8_t* p = frame.pixels.data() + pixel * bpp;
    const size_t channel_size = bpp / 4;
    std::string text = "(";
    for (size_t c = 0; c < 4; ++c) {
        char value[48];
        const uint8_t* at = p + c * channel_size;
        if (channel_size == 1) {
            snprintf(value, sizeof value, "%u", at[0]);
        } else if (channel_size == 2) {
            snprintf(value, sizeof value, "%u", static_cast<unsigned>(at[0] | at[1] << 8));
        } else {
            float f;
            memcpy(&f, at, sizeof f);
            uint32_t bits;
            memcpy(&bits, at, sizeof bits);
            snprintf(value, sizeof value, "%.9g [0x%08x]", static_cast<double>(f), bits);
        }
        text += (c ? ", " : "") + std::string(value);
    }
    return text + ")";
}

// Empty when the two frames agree.
std::string Difference(const scenes::Frame& a, const scenes::Frame& b) {
    char text[512];
    if (a.err != b.err || a.format != b.format || a.width != b.width || a.height != b.height ||
        a.bytes_per_pixel != b.bytes_per_pixel) {
        snprintf(text, sizeof text, "err/format/size %d/%d/%dx%d against %d/%d/%dx%d",
                 static_cast<int>(a.err), static_cast<int>(a.format), static_cast<int>(a.width),
                 static_cast<int>(a.height), static_cast<int>(b.err), static_cast<int>(b.format),
                 static_cast<int>(b.width), static_cast<int>(b.height));
        return text;
    }
    if (a.padding_intact != b.padding_intact || a.drew != b.drew)
        return "padding or drawing flags differ";
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        if (a.pixels[i] == b.pixels[i]) continue;
        const size_t bpp = static_cast<size_t>(a.bytes_per_pixel);
        const size_t pixel = i / bpp;
        const size_t channel = (i % bpp) / (bpp / 4);
        size_t count = 0;
        for (size_t p = 0; p < a.pixels.size() / bpp; ++p)
            count += memcmp(a.pixels.data() + p * bpp, b.pixels.data() + p * bpp, bpp) != 0;
        snprintf(text, sizeof text, "pixel (%u, %u) %s: %s against %s; %u pixels differ",
                 static_cast<unsigned>(pixel % static_cast<size_t>(a.width)),
                 static_cast<unsigned>(pixel / static_cast<size_t>(a.width)), CHANNELS[channel],
                 PixelText(a, pixel).c_str(), PixelText(b, pixel).c_str(),
                 static_cast<unsigned>(count));
        return text;
    }
    return "";
}

// Empty when the frame is what its scene should give.
std::string Unsound(const scenes::Scene& scene, const scenes::Frame& frame) {
    if (frame.err != PF_Err_NONE) return "render failed with " + std::to_string(frame.err);
    if (frame.format != scene.format) return "output in another pixel format";
    if (!frame.padding_intact) return "row padding of the output was written";
    if (frame.drew != (scene.expect_drawing ? 1 : 0))
        return scene.expect_drawing ? "nothing drawn" : "drew where nothing is to be drawn";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: frame_compare REFERENCE_DIR OTHER_DIR\n");
        return 2;
    }
    const std::vector<scenes::Scene>& list = scenes::AllScenes();
    size_t mismatched = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const scenes::Scene& scene = list[i];
        scenes::Frame frames[2];
        std::string error;
        bool ok = true;
        for (int side = 0; side < 2; ++side) {
            if (!scenes::ReadFrame(scenes::FramePath(argv[1 + side], i, scene.name), &frames[side],
                                   &error)) {
                printf("MISMATCH scene %u %s: %s\n", static_cast<unsigned>(i), scene.name.c_str(),
                       error.c_str());
                ok = false;
                break;
            }
            const std::string unsound = Unsound(scene, frames[side]);
            if (!unsound.empty()) {
                printf("MISMATCH scene %u %s (%s): %s\n", static_cast<unsigned>(i),
                       scene.name.c_str(), argv[1 + side], unsound.c_str());
                ok = false;
            }
        }
        if (ok) {
            const std::string difference = Difference(frames[0], frames[1]);
            if (!difference.empty()) {
                printf("MISMATCH scene %u %s: %s\n", static_cast<unsigned>(i), scene.name.c_str(),
                       difference.c_str());
                ok = false;
            }
        }
        mismatched += ok ? 0 : 1;
    }
    if (mismatched != 0) {
        printf("%u of %u scenes differ or are unsound\n", static_cast<unsigned>(mismatched),
               static_cast<unsigned>(list.size()));
        return 1;
    }
    printf("all %u scenes identical\n", static_cast<unsigned>(list.size()));
    return 0;
}
