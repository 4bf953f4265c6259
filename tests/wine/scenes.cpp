#include "scenes.h"

#include "host/param_ids.h"

namespace scenes {

namespace {

constexpr int32_t WIDTH = 96;
constexpr int32_t HEIGHT = 64;

const char* FormatName(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB32: return "8";
        case PF_PixelFormat_ARGB64: return "16";
        default: return "f";
    }
}

const char* ModeName(int32_t mode) {
    switch (mode) {
        case MODE_CONTINUOUS: return "cont";
        case MODE_DISCRETE_1: return "disc1";
        default: return "disc2";
    }
}

Scene Base(PF_PixelFormat format, const std::string& what) {
    Scene s;
    s.name = std::string("d") + FormatName(format) + "_" + what;
    s.format = format;
    s.width = WIDTH;
    s.height = HEIGHT;
    return s;
}

std::vector<Scene> MakeScenes() {
    const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                      PF_PixelFormat_ARGB128};
    const int32_t modes[] = {MODE_CONTINUOUS, MODE_DISCRETE_1, MODE_DISCRETE_2};
    // Appearing, fully shown, vanishing: one of each per depth and mode.
    const double times[] = {30.0, 50.0, 80.0};

    std::vector<Scene> list;
    int32_t seed = 1;
    for (PF_PixelFormat format : formats) {
        for (int32_t direction : {DIRECTION_PATH, DIRECTION_NORMAL}) {
            for (size_t m = 0; m < 3; ++m) {
                for (int32_t on_original : {0, 1}) {
                    const std::string way = direction == DIRECTION_PATH ? "path" : "normal";
                    Scene s = Base(format, way + "_" + ModeName(modes[m]) +
                                               (on_original ? "_orig" : "_bare"));
                    s.direction = direction;
                    s.mode = modes[m];
                    s.on_original = on_original;
                    s.time = times[(m + static_cast<size_t>(on_original)) % 3];
                    s.seed = seed++;
                    s.mask = (seed % 3 == 0) ? MASK_LOOP : MASK_S_CURVE;
                    list.push_back(s);
                }
            }
        }

        // Rows longer than the image, in the input and in the output.
        Scene padded = Base(format, "row_padding");
        padded.input_row_padding = 3 * 16 + 4;
        padded.output_row_padding = 5 * 16;
        padded.on_original = 1;
        padded.seed = 7;
        list.push_back(padded);

        // Half and a third of full resolution: radii and thickness scale.
        Scene half = Base(format, "half_res");
        half.downsample = {1, 2};
        half.max_radius = 20;
        half.edge_thickness = 3;
        half.on_original = 1;
        half.seed = 11;
        list.push_back(half);

        Scene third = Base(format, "third_res_padded");
        third.downsample = {1, 3};
        third.max_radius = 24;
        third.edge_thickness = 3;
        third.input_row_padding = 16;
        third.mode = MODE_DISCRETE_2;
        third.direction = DIRECTION_NORMAL;
        third.seed = 12;
        list.push_back(third);

        // The fixed edge colour, inverted, with a brightness above 1.
        Scene color = Base(format, "edge_color_invert");
        color.edge_mode = EDGE_MODE_COLOR;
        color.edge_color = PF_Pixel{200, 30, 160, 250};
        color.invert = 1;
        color.on_original = 1;
        color.seed = 13;
        color.time = 65.0;
        list.push_back(color);

        Scene bright = Base(format, "edge_brightness");
        bright.edge_brightness = 1.75;
        bright.edge_thickness = 4;
        bright.max_radius = 16;
        bright.min_radius = 75.0;
        bright.seed = 14;
        bright.time = 42.5;
        list.push_back(bright);

        // At the ends of Time nothing is drawn: the starting picture only.
        Scene end = Base(format, "time_end");
        end.time = 100.0;
        end.on_original = 1;
        end.expect_drawing = false;
        list.push_back(end);
    }
    return list;
}

}  // namespace

const std::vector<Scene>& AllScenes() {
    static const std::vector<Scene> list = MakeScenes();
    return list;
}

int32_t ScaledSize(int32_t full, PF_RationalScale scale) {
    return static_cast<int32_t>(static_cast<int64_t>(full) * scale.num /
                                static_cast<int64_t>(scale.den));
}

}  // namespace scenes
