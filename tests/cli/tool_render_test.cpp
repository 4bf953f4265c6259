// ringstride render, pixel for pixel: the starting pictures, the chain of
// circles along a horizontal mask in all three depths, the depth
// conversions of files, EXR's premultiplication and downsampling.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "image_files.h"
#include "reference_chain.h"
#include "tool_harness.h"

namespace {

using namespace cli_test;

constexpr int W = 320;
constexpr int H = 180;
constexpr int ROW = 40;
const char* MASK = "M 0.5 40.5 H 319.5";  // row 40, every column from 0

// An 8-bit picture with colour in every channel and, unless opaque, alpha
// that changes across the frame.
Picture Input8(bool opaque) {
    Picture p;
    p.width = W;
    p.height = H;
    p.type = OIIO::TypeDesc::UINT8;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            p.samples.push_back((x * 255) / (W - 1));
            p.samples.push_back((y * 255) / (H - 1));
            p.samples.push_back((x * 7 + y * 3) % 256);
            p.samples.push_back(opaque ? 255 : 40 + (x * 5 + y) % 216);
        }
    }
    return p;
}

double Round(double v) { return std::floor(v + 0.5); }

// File samples to host pixels, by the documented conversions.
template <typename P>
std::vector<P> HostPixels(const Picture& p, int bits) {
    std::vector<P> out;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            double c[4];
            for (int k = 0; k < 4; ++k) {
                const double v = p.At(x, y, k);
                c[k] = bits == 8 ? v : bits == 16 ? Round(v * 32768.0 / 255.0) : v / 255.0;
            }
            using C = decltype(P{}.a);
            out.push_back({static_cast<C>(c[3]), static_cast<C>(c[0]), static_cast<C>(c[1]), static_cast<C>(c[2])});
        }
    }
    return out;
}

// Host pixels to the samples the tool writes: 8-bit as is, 16-bit as
// round(v * 65535 / 32768), float as is.
template <typename P>
std::vector<double> FileSamples(const std::vector<P>& pixels, int bits) {
    std::vector<double> out;
    for (const P& px : pixels) {
        for (double v : {double(px.r), double(px.g), double(px.b), double(px.a)}) {
            out.push_back(bits == 16 ? Round(v * 65535.0 / 32768.0) : v);
        }
    }
    return out;
}

// Number of differing samples, with the first few described.
int CompareSamples(const Picture& got, const std::vector<double>& want, std::string* report) {
    int bad = 0;
    for (size_t i = 0; i < want.size() && i < got.samples.size(); ++i) {
        const bool same = got.type == OIIO::TypeDesc::FLOAT
                              ? static_cast<float>(got.samples[i]) == static_cast<float>(want[i])
                              : got.samples[i] == want[i];
        if (!same && ++bad <= 5) {
            const size_t pixel = i / 4;
            *report += "(" + std::to_string(pixel % static_cast<size_t>(got.width)) + "," +
                       std::to_string(pixel / static_cast<size_t>(got.width)) + ") channel " + std::to_string(i % 4) +
                       ": got " + std::to_string(got.samples[i]) + " want " + std::to_string(want[i]) + "; ";
        }
    }
    return bad;
}

struct RenderCase {
    const char* name;
    int bits;
    bool with_mask;
    bool on_original;
    bool opaque;
    RingStyle ring;  // default: one pixel in the sampled colour
};

// The fixed ring colour the cases with "Edge Mode" Color use.
const Pixel8 RING_COLOUR{255, 0x03, 0xE0, 0x01};  // channels where the rounding term matters
const char* RING_COLOUR_TEXT = "#03E001";

inline void PrintTo(const RenderCase& c, std::ostream* os) { *os << c.name; }

template <typename B>
std::vector<double> Expected(const RenderCase& c, const Picture& input) {
    const std::vector<typename B::P> host = HostPixels<typename B::P>(input, c.bits);
    std::vector<typename B::P> image = c.on_original ? host : std::vector<typename B::P>(host.size(), typename B::P{0, 0, 0, 0});
    if (c.with_mask) {
        typename B::P colour{};
        if constexpr (std::is_same_v<B, Blend8>) colour = RING_COLOUR;
        if constexpr (std::is_same_v<B, Blend16>) colour = Expand16(RING_COLOUR);
        if constexpr (std::is_same_v<B, BlendF>) colour = ExpandF(RING_COLOUR);
        DrawHorizontalChain<B>(host, &image, W, H, ROW, HorizontalChain(W, 0, 50, 0.1), c.ring, colour);
    }
    return FileSamples(image, c.bits);
}

class RenderPictures : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderPictures, MatchTheFormulasPixelForPixel) {
    const RenderCase& c = GetParam();
    ScratchDir dir;
    const Picture input = Input8(c.opaque);
    ASSERT_TRUE(WritePicture(dir / "in.png", input));
    const std::string out = c.bits == 8 ? "out.png" : "out.tif";
    std::vector<std::string> args = {"render", "in.png", out, "--depth", std::to_string(c.bits),
                                     "--param", std::string("On Original=") + (c.on_original ? "on" : "off")};
    if (c.with_mask) {
        args.push_back("--mask-d");
        args.push_back(MASK);
    }
    for (const std::string& extra :
         {"edge-thickness=" + std::to_string(c.ring.thickness), std::string("invert=") + (c.ring.invert ? "on" : "off"),
          std::string("edge mode=") + (c.ring.fixed_colour ? "Color" : "Brightness"),
          std::string("edge color=") + RING_COLOUR_TEXT}) {
        args.push_back("--param");
        args.push_back(extra);
    }
    const RunResult r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;

    Picture got;
    ASSERT_TRUE(ReadPicture(dir / out, &got));
    ASSERT_EQ(got.width, W);
    ASSERT_EQ(got.height, H);
    const OIIO::TypeDesc want_type = c.bits == 8 ? OIIO::TypeDesc::UINT8
                                   : c.bits == 16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::FLOAT;
    ASSERT_EQ(got.type, want_type);
    const std::vector<double> want = c.bits == 8 ? Expected<Blend8>(c, input)
                                   : c.bits == 16 ? Expected<Blend16>(c, input) : Expected<BlendF>(c, input);
    std::string report;
    EXPECT_EQ(CompareSamples(got, want, &report), 0) << c.name << ": " << report;
    // Nothing but the input and the output is left in the folder.
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"in.png", out}));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, RenderPictures,
    ::testing::Values(RenderCase{"8-bit, no mask, copy", 8, false, true, false},
                      RenderCase{"16-bit, no mask, copy", 16, false, true, false},
                      RenderCase{"float, no mask, copy", 32, false, true, false},
                      RenderCase{"8-bit, no mask, transparent", 8, false, false, false},
                      RenderCase{"16-bit, no mask, transparent", 16, false, false, true},
                      RenderCase{"float, no mask, transparent", 32, false, false, true},
                      RenderCase{"8-bit chain on opaque copy", 8, true, true, true},
                      RenderCase{"16-bit chain on opaque copy", 16, true, true, true},
                      RenderCase{"float chain on opaque copy", 32, true, true, true},
                      RenderCase{"8-bit chain, translucent, on transparent", 8, true, false, false},
                      RenderCase{"16-bit chain, translucent, on transparent", 16, true, false, false},
                      RenderCase{"float chain, translucent, on transparent", 32, true, false, false},
                      RenderCase{"8-bit chain, translucent copy", 8, true, true, false},
                      RenderCase{"16-bit chain, translucent copy", 16, true, true, false},
                      RenderCase{"float chain, translucent copy", 32, true, true, false},
                      RenderCase{"8-bit fixed ring colour, thick", 8, true, true, false, {3, true, false}},
                      RenderCase{"16-bit fixed ring colour, thick", 16, true, true, false, {3, true, false}},
                      RenderCase{"float fixed ring colour, thick", 32, true, false, false, {3, true, false}},
                      RenderCase{"8-bit inverted fixed ring", 8, true, false, false, {2, true, true}},
                      RenderCase{"16-bit inverted fixed ring", 16, true, true, true, {2, true, true}},
                      RenderCase{"float inverted sampled ring", 32, true, true, false, {5, false, true}}),
    [](const ::testing::TestParamInfo<RenderCase>& info) { return "case" + std::to_string(info.index); });

// Seed 0, "Max Radius" 50, "Min Radius" 10 %: radii 37, 36, 34 and 15, each
// circle touching its path point, the next starting at x + 2r + 1. The
// centre of each disc (drawn radius r + 1) shows the colour sampled at its
// path point.
TEST(RenderChain, CentresOfTheFirstFourCirclesShowTheirSampledColour) {
    ScratchDir dir;
    const Picture input = Input8(true);
    ASSERT_TRUE(WritePicture(dir / "in.png", input));
    const RunResult r = RunTool(dir, {"render", "in.png", "out.png", "--mask-d", MASK, "--param", "seed=0",
                                      "--param", "max-radius=50", "--param", "min radius=10"});
    ASSERT_EQ(r.code, 0) << r.err;
    Picture got;
    ASSERT_TRUE(ReadPicture(dir / "out.png", &got));
    const int xs[] = {0, 75, 148, 217};
    const int radii[] = {37, 36, 34, 15};
    for (int i = 0; i < 4; ++i) {
        const int cx = xs[i] + radii[i] + 1;
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(got.At(cx, ROW, k), input.At(xs[i], ROW, k)) << "circle " << i << " channel " << k;
        }
        // Left of the path point the row is untouched (transparent black).
        if (xs[i] > 0) EXPECT_EQ(got.At(xs[i] - 1, 10, 3), 0) << "circle " << i;
    }
}

// Masks as designers draw them render the frame of the path data they
// stand for, in layer pixels.
struct SameMaskCase {
    const char* name;
    std::vector<std::string> mask;       // mask options under test
    std::string reference;               // --mask-d drawing the same path
    double tolerance;                    // largest sample difference allowed
};

inline void PrintTo(const SameMaskCase& c, std::ostream* os) { *os << c.name; }

void WriteMaskFiles(const ScratchDir& dir) {
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" ";
    WriteText(dir / "loop.json",
              "{\"vertices\": [[100,100]], \"in_tangents\": [[40,50]], \"out_tangents\": [[-40,50]], \"closed\": true}");
    WriteText(dir / "mm.svg", svg + "width=\"80mm\" height=\"45mm\" viewBox=\"0 0 80 45\"><path d=\"M 10 20 L 70 30\"/></svg>");
    WriteText(dir / "origin.svg", svg + "width=\"320\" height=\"180\" viewBox=\"-320 60.749 640 360\">"
                                        "<path d=\"M -299 101.749 L 301 301.749\"/></svg>");
    WriteText(dir / "artboard.svg", svg + "width=\"1600\" height=\"900\"><path d=\"M 50 100 L 1550 800\"/></svg>");
    WriteText(dir / "shapes.svg", svg + "><defs><path id=\"p\" d=\"M 0 0 L 300 0\"/><clipPath><rect width=\"9\" "
                                        "height=\"9\"/></clipPath></defs><g style=\"display:none\"><line x2=\"5\"/></g>"
                                        "<use href=\"#p\" x=\"10\" y=\"90.5\"/><circle id=\"ring\" cx=\"160\" cy=\"90\" "
                                        "r=\"40\"/></svg>");
    ASSERT_EQ(std::system((TimeLimit() + "gzip -c " + Quote(dir / "mm.svg") + " > " + Quote(dir / "mm.svgz")).c_str()), 0);
}

class SameMask : public ::testing::TestWithParam<SameMaskCase> {};

TEST_P(SameMask, RendersTheFrameOfItsPathData) {
    const SameMaskCase& c = GetParam();
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Input8(true)));
    WriteMaskFiles(dir);
    const std::vector<std::string> common = {"render", "in.png", "", "--param", "max-radius=12", "--param", "seed=5"};
    std::vector<std::string> args = common, reference = common;
    args[2] = "got.png";
    reference[2] = "want.png";
    args.insert(args.end(), c.mask.begin(), c.mask.end());
    reference.insert(reference.end(), {"--mask-d", c.reference});
    const RunResult r = RunTool(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(RunTool(dir, reference).code, 0);
    Picture got, want;
    ASSERT_TRUE(ReadPicture(dir / "got.png", &got));
    ASSERT_TRUE(ReadPicture(dir / "want.png", &want));
    ASSERT_EQ(got.samples.size(), want.samples.size());
    double worst = 0, drawn = 0;
    for (size_t i = 0; i < got.samples.size(); ++i) {
        worst = std::max(worst, std::fabs(got.samples[i] - want.samples[i]));
        if (i % 4 == 3) drawn += want.samples[i];
    }
    EXPECT_GT(drawn, 0) << "the reference draws no circle";
    EXPECT_LE(worst, c.tolerance);
}

constexpr double MM_PX = 96.0 / 25.4;

INSTANTIATE_TEST_SUITE_P(
    Masks, SameMask,
    ::testing::Values(
        // A radius is no coordinate: a huge one bends the arc 0.0002 px off its chord.
        SameMaskCase{"arc of a huge radius", {"--mask-d", "M 10.5 100.5 a 20000000 20000000 0 0 0 180 60"}, "M 10.5 100.5 l 180 60", 1},
        SameMaskCase{"closed curve of one vertex", {"--mask-d", "M 44.47,84.288 C 42.091,86.145 43.127,87.588 44.47,84.288 z"},
                     "M 44.47,84.288 C 42.091,86.145 43.127,87.588 44.47,84.288", 0},
        SameMaskCase{"closed JSON mask of one vertex", {"--mask", "loop.json"}, "M 100 100 C 60 150 140 150 100 100", 0},
        SameMaskCase{"millimetres", {"--mask", "mm.svg"},
                     "M " + std::to_string(10 * MM_PX) + " " + std::to_string(20 * MM_PX) + " L " + std::to_string(70 * MM_PX) +
                         " " + std::to_string(30 * MM_PX), 1},
        SameMaskCase{"compressed", {"--mask", "mm.svgz"},
                     "M " + std::to_string(10 * MM_PX) + " " + std::to_string(20 * MM_PX) + " L " + std::to_string(70 * MM_PX) +
                         " " + std::to_string(30 * MM_PX), 1},
        SameMaskCase{"viewBox origin and scale", {"--mask", "origin.svg"}, "M 10.5 20.5 L 310.5 120.5", 1},
        SameMaskCase{"artboard fitted onto the layer", {"--mask", "artboard.svg", "--mask-fit", "layer"}, "M 10 20 L 310 160", 1},
        SameMaskCase{"first drawn element", {"--mask", "shapes.svg"}, "M 10 90.5 L 310 90.5", 0},
        SameMaskCase{"element by id", {"--mask", "shapes.svg#ring"},
                     "M 200 90 A 40 40 0 0 1 160 130 A 40 40 0 0 1 120 90 A 40 40 0 0 1 160 50 A 40 40 0 0 1 200 90 Z", 0}));

TEST(RenderMasks, ALoneMovetoRendersAndSaysItDrawsNoCircles) {
    ScratchDir dir;
    ASSERT_TRUE(WritePicture(dir / "in.png", Input8(true)));
    const RunResult r = RunTool(dir, {"render", "in.png", "out.png", "--mask-d", "M 10 10"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "ringstride: warning: --mask-d: the mask has a single point and no segment; no circles are drawn\n");
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"in.png", "out.png"}));
}

TEST(RenderFiles, SixteenBitInputsKeepTheirDepthAndRoundTrip) {
    ScratchDir dir;
    Picture in;
    in.width = 64;
    in.height = 8;
    in.type = OIIO::TypeDesc::UINT16;
    for (int i = 0; i < 64 * 8 * 4; ++i) in.samples.push_back((i * 977) % 65536);
    ASSERT_TRUE(WritePicture(dir / "in16.png", in));
    const RunResult r = RunTool(dir, {"render", "in16.png", "out.png", "--param", "on-original=on"});
    ASSERT_EQ(r.code, 0) << r.err;
    Picture got;
    ASSERT_TRUE(ReadPicture(dir / "out.png", &got));
    ASSERT_EQ(got.type, OIIO::TypeDesc::UINT16);
    std::vector<double> want;
    for (double f : in.samples) want.push_back(Round(Round(f * 32768.0 / 65535.0) * 65535.0 / 32768.0));
    std::string report;
    EXPECT_EQ(CompareSamples(got, want, &report), 0) << report;
}

TEST(RenderFiles, FloatTiffIsBitExactAndExrIsPremultiplied) {
    ScratchDir dir;
    Picture in;
    in.width = 16;
    in.height = 4;
    in.type = OIIO::TypeDesc::FLOAT;
    for (int i = 0; i < 16 * 4; ++i) {
        in.samples.push_back(static_cast<float>(i) / 7.0f);  // above 1.0 too
        in.samples.push_back(static_cast<float>(1.0 / 3.0));
        in.samples.push_back(-0.25);
        in.samples.push_back(static_cast<float>((i % 5) / 4.0));
    }
    ASSERT_TRUE(WritePicture(dir / "in.tif", in));
    RunResult r = RunTool(dir, {"render", "in.tif", "out.tif", "--param", "on-original=on"});
    ASSERT_EQ(r.code, 0) << r.err;
    Picture tif;
    ASSERT_TRUE(ReadPicture(dir / "out.tif", &tif));
    ASSERT_EQ(tif.type, OIIO::TypeDesc::FLOAT);
    std::string report;
    EXPECT_EQ(CompareSamples(tif, in.samples, &report), 0) << report;

    r = RunTool(dir, {"render", "in.tif", "out.exr", "--param", "on-original=on"});
    ASSERT_EQ(r.code, 0) << r.err;
    Picture exr;
    OIIO::ImageSpec config;
    ASSERT_TRUE(ReadPicture(dir / "out.exr", &exr));
    std::vector<double> want;
    for (size_t i = 0; i < in.samples.size(); i += 4) {
        const double a = in.samples[i + 3];
        for (int k = 0; k < 3; ++k) want.push_back(static_cast<float>(in.samples[i + static_cast<size_t>(k)] * a));
        want.push_back(a);
    }
    report.clear();
    EXPECT_EQ(CompareSamples(exr, want, &report), 0) << report;
}

// Each file in its format's convention: integer files and 8/16-bit
// renders are sRGB-encoded, EXR is linear, float TIFF holds values as they
// are; --raw-colour converts nothing. The red of an opaque flat picture.
TEST(RenderFiles, EachFormatKeepsItsColourConvention) {
    struct Case {
        const char* input;   // in8.png: 128; in.exr, inf.tif: 0.5
        std::vector<std::string> extra;
        const char* output;
        double want;
    };
    const Case cases[] = {
        {"in.exr", {}, "out.png", 48192},                   // float render of linear light, encoded
        {"in.exr", {"--raw-colour"}, "out.png", 32768},
        {"in.exr", {}, "out.tif", 0.5},                      // float TIFF: as rendered
        {"in.exr", {"--depth", "8"}, "out.exr", 0.5028865},  // through 8-bit sRGB 188 and back
        {"in8.png", {}, "out.exr", 0.2158605},               // sRGB 128 decoded
        {"in8.png", {"--depth", "32"}, "out.exr", 0.2158605},
        {"in8.png", {"--raw-colour"}, "out.exr", 128 / 255.0},
        {"inf.tif", {}, "out.exr", 0.5},                     // float TIFF in: taken as it is
    };
    ScratchDir dir;
    Picture in8, linear;
    in8.width = linear.width = 4;
    in8.height = linear.height = 2;
    linear.type = OIIO::TypeDesc::FLOAT;
    for (int i = 0; i < 8; ++i) {
        in8.samples.insert(in8.samples.end(), {128, 0, 255, 255});
        linear.samples.insert(linear.samples.end(), {0.5, 0, 1, 1});
    }
    ASSERT_TRUE(WritePicture(dir / "in8.png", in8));
    ASSERT_TRUE(WritePicture(dir / "in.exr", linear));
    ASSERT_TRUE(WritePicture(dir / "inf.tif", linear));
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render", c.input, c.output, "--param", "on-original=on"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const RunResult r = RunTool(dir, args);
        ASSERT_EQ(r.code, 0) << r.err;
        Picture got;
        ASSERT_TRUE(ReadPicture(dir / c.output, &got));
        EXPECT_NEAR(got.At(3, 1, 0), c.want, 1e-6) << c.input << " -> " << c.output << " " << (c.extra.empty() ? "" : c.extra[0]);
    }
}

TEST(RenderFiles, DownsampleHalvesTheFrameWithABoxFilter) {
    ScratchDir dir;
    const Picture input = Input8(false);
    ASSERT_TRUE(WritePicture(dir / "in.png", input));
    const RunResult r = RunTool(dir, {"render", "in.png", "out.png", "--downsample", "2", "--param", "on original=1"});
    ASSERT_EQ(r.code, 0) << r.err;
    Picture got;
    ASSERT_TRUE(ReadPicture(dir / "out.png", &got));
    ASSERT_EQ(got.width, W / 2);
    ASSERT_EQ(got.height, H / 2);
    std::vector<double> want;
    for (int y = 0; y < H / 2; ++y) {
        for (int x = 0; x < W / 2; ++x) {
            double alpha = 0, weighted[3] = {0, 0, 0};
            for (int j = 0; j < 2; ++j) {
                for (int i = 0; i < 2; ++i) {
                    const double a = input.At(2 * x + i, 2 * y + j, 3);
                    alpha += a;
                    for (int k = 0; k < 3; ++k) weighted[k] += a * input.At(2 * x + i, 2 * y + j, k);
                }
            }
            for (int k = 0; k < 3; ++k) want.push_back(Round(weighted[k] / alpha));
            want.push_back(Round(alpha / 4));
        }
    }
    std::string report;
    EXPECT_EQ(CompareSamples(got, want, &report), 0) << report;
}

}  // namespace
