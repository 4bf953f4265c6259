#include "scene_render.h"

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "host/param_ids.h"
#include "runner/core/mask_path.h"
#include "runner/core/session.h"
#include "runner/core/world.h"

namespace scenes {

namespace {

constexpr PF_PathID MASK_ID = 1;

runner::MaskVertex Vertex(double x, double y, double in_x, double in_y, double out_x,
                          double out_y) {
    runner::MaskVertex v;
    v.x = x, v.y = y, v.in_x = in_x, v.in_y = in_y, v.out_x = out_x, v.out_y = out_y;
    return v;
}

// In full-resolution pixels of a 96 x 64 layer.
runner::MaskPath MakeMask(MaskShape shape) {
    runner::MaskPath path;
    if (shape == MASK_LOOP) {
        // Roughly a circle of radius 40 around (60, 30): it leaves the frame
        // on the right and at the top.
        const double k = 22.0;
        path.vertices = {Vertex(100, 30, 0, -k, 0, k), Vertex(60, 70, k, 0, -k, 0),
                         Vertex(20, 30, 0, k, 0, -k), Vertex(60, -10, -k, 0, k, 0)};
        path.closed = true;
    } else {
        path.vertices = {Vertex(4, 50, 0, 0, 30, -40), Vertex(48, 32, -20, 10, 20, -10),
                         Vertex(92, 14, -30, 40, 0, 0)};
        path.closed = false;
    }
    return path;
}

// A deterministic picture with colour gradients, varying alpha (some fully
// transparent pixels) and, in float, values above 1.
void PaintInput(runner::World& world) {
    const int32_t w = world.Width(), h = world.Height();
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const int32_t a = ((x + y) % 17 == 0) ? 0 : 255 - (x * 7 + y * 3) % 128;
            const int32_t r = (x * 255) / (w > 1 ? w - 1 : 1);
            const int32_t g = (y * 255) / (h > 1 ? h - 1 : 1);
            const int32_t b = ((x ^ y) * 7) & 255;
            const int32_t c8[4] = {a, r, g, b};
            switch (world.Format()) {
                case PF_PixelFormat_ARGB32: {
                    PF_Pixel& p = world.Pixel8(x, y);
                    p = PF_Pixel{static_cast<uint8_t>(c8[0]), static_cast<uint8_t>(c8[1]),
                                 static_cast<uint8_t>(c8[2]), static_cast<uint8_t>(c8[3])};
                    break;
                }
                case PF_PixelFormat_ARGB64: {
                    uint16_t c[4];
                    for (int i = 0; i < 4; ++i)
                        c[i] = static_cast<uint16_t>((c8[i] * PF_MAX_CHAN16 + 127) / 255);
                    // Some values that no 8-bit value maps to.
                    if ((x * y) % 5 == 1) c[1] = static_cast<uint16_t>(c[1] > 0 ? c[1] - 1 : 1);
                    world.Pixel16(x, y) = PF_Pixel16{c[0], c[1], c[2], c[3]};
                    break;
                }
                default: {
                    float c[4];
                    for (int i = 0; i < 4; ++i) c[i] = static_cast<float>(c8[i]) / 255.0f;
                    if ((x * y) % 23 == 7) c[1] = 1.5f;
                    if ((x + 2 * y) % 29 == 3) c[3] = -0.25f;
                    world.PixelFloat(x, y) = PF_PixelFloat{c[0], c[1], c[2], c[3]};
                    break;
                }
            }
        }
    }
}

bool Set(runner::Session& session, PF_ParamIndex index, double value, std::string* error) {
    if (session.SetValue(index, value)) return true;
    *error = "parameter " + std::to_string(index) + " refused the value " + std::to_string(value);
    return false;
}

}  // namespace

bool RenderScene(PF_EntryPointFunc entry, const Scene& scene, Frame* frame, std::string* error) {
    const int32_t width = ScaledSize(scene.width, scene.downsample);
    const int32_t height = ScaledSize(scene.height, scene.downsample);
    auto created = runner::World::Create(scene.format, width, height, scene.input_row_padding, 0);
    if (!created) {
        *error = "input: " + created.error().message;
        return false;
    }
    runner::World input = std::move(*created);
    PaintInput(input);

    runner::Session session(entry);
    session.SetInput(input.Clone());
    session.SetLayerSize(scene.width, scene.height);
    session.SetDownsample(scene.downsample, scene.downsample);
    session.SetOutputRowPadding(scene.output_row_padding);

    const runner::CommandResult setup = session.SetUp();
    if (setup.err != PF_Err_NONE) {
        *error = "set-up failed with " + std::to_string(setup.err);
        return false;
    }
    if (!session.SetMask(MASK_ID, MakeMask(scene.mask))) {
        *error = "the mask was refused";
        return false;
    }
    const bool values_set =
        Set(session, PARAM_PATH, MASK_ID, error) && Set(session, PARAM_MODE, scene.mode, error) &&
        Set(session, PARAM_DIRECTION, scene.direction, error) &&
        Set(session, PARAM_TIME, scene.time, error) &&
        Set(session, PARAM_MAX_RADIUS, scene.max_radius, error) &&
        Set(session, PARAM_MIN_RADIUS, scene.min_radius, error) &&
        Set(session, PARAM_EDGE_THICKNESS, scene.edge_thickness, error) &&
        Set(session, PARAM_EDGE_MODE, scene.edge_mode, error) &&
        Set(session, PARAM_EDGE_BRIGHTNESS, scene.edge_brightness, error) &&
        Set(session, PARAM_INVERT, scene.invert, error) &&
        Set(session, PARAM_SEED, scene.seed, error) &&
        Set(session, PARAM_ON_ORIGINAL, scene.on_original, error);
    if (!values_set) return false;
    if (!session.SetColor(PARAM_EDGE_COLOR, scene.edge_color)) {
        *error = "the edge colour was refused";
        return false;
    }

    runner::RenderResult result = session.RenderFrame();
    const runner::World& output = result.output;
    frame->err = result.err;
    frame->format = output.Format();
    frame->width = output.Width();
    frame->height = output.Height();
    frame->bytes_per_pixel = runner::BytesPerPixel(output.Format());
    frame->padding_intact = output.Empty() || output.PaddingIntact() ? 1 : 0;
    if (scene.on_original)
        frame->drew = output.SameImage(input) ? 0 : 1;
    else
        frame->drew = output.ImageBytesAll(0) ? 0 : 1;

    frame->pixels.clear();
    const size_t row_bytes = static_cast<size_t>(frame->width) *
                             static_cast<size_t>(frame->bytes_per_pixel);
    for (int32_t y = 0; y < frame->height; ++y) {
        const uint8_t* row = output.Row(y);
        frame->pixels.insert(frame->pixels.end(), row, row + row_bytes);
    }
    return true;
}

namespace {

// Creates `dir` if need be and removes the frames of an earlier run, so
// that a scene that fails now cannot leave an old frame behind.
bool PrepareDirectory(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) return false;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        if (entry.path().extension() == ".frame") fs::remove(entry.path(), error);
        if (error) return false;
    }
    return !error;
}

}  // namespace

int RenderAllScenes(PF_EntryPointFunc entry, const std::string& dir) {
    if (!PrepareDirectory(dir)) {
        printf("cannot prepare the directory %s\n", dir.c_str());
        return 1;
    }
    const std::vector<Scene>& list = AllScenes();
    int status = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const Scene& scene = list[i];
        Frame frame;
        std::string error;
        if (!RenderScene(entry, scene, &frame, &error)) {
            printf("scene %s: %s\n", scene.name.c_str(), error.c_str());
            status = 1;
            continue;
        }
        if (!WriteFrame(FramePath(dir, i, scene.name), frame, &error)) {
            printf("scene %s: %s\n", scene.name.c_str(), error.c_str());
            status = 1;
            continue;
        }
        printf("scene %-32s err %d  %dx%d  drew %d\n", scene.name.c_str(),
               static_cast<int>(frame.err), static_cast<int>(frame.width),
               static_cast<int>(frame.height), static_cast<int>(frame.drew));
    }
    fflush(stdout);
    return status;
}

}  // namespace scenes
