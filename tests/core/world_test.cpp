// Worlds with row padding, and the whole-world copy and fill the host
// serves to the effect.
#include <gtest/gtest.h>

#include "runner/core/world.h"

namespace {

runner::World Make(PF_PixelFormat format, int32_t w, int32_t h, int32_t padding) {
    auto made = runner::World::Create(format, w, h, padding);
    EXPECT_TRUE(made.has_value()) << made.error().message;
    return std::move(*made);
}

const PF_PixelFormat FORMATS[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                  PF_PixelFormat_ARGB128};

}  // namespace

TEST(World, GeometryAndPaddingCanary) {
    for (PF_PixelFormat format : FORMATS) {
        runner::World w = Make(format, 5, 3, 12);
        EXPECT_EQ(w.RowBytes(), 5 * runner::BytesPerPixel(format) + 12);
        EXPECT_EQ(w.Def()->width, 5);
        EXPECT_EQ(w.Def()->height, 3);
        EXPECT_EQ(runner::FormatOfDef(w.Def()), format);
        EXPECT_TRUE(w.PaddingIntact());
        w.Row(1)[5 * runner::BytesPerPixel(format) + 11] = 0;  // last padding byte of row 1
        EXPECT_FALSE(w.PaddingIntact());
    }
}

TEST(World, MovingKeepsTheRecordValid) {
    runner::World a = Make(PF_PixelFormat_ARGB64, 4, 4, 0);
    void* data = a.Def()->data;
    runner::World b = std::move(a);
    EXPECT_EQ(b.Def()->data, data);
    EXPECT_EQ(runner::FormatOfDef(b.Def()), PF_PixelFormat_ARGB64);
    EXPECT_EQ(a.Format(), PF_PixelFormat_INVALID);  // NOLINT: moved-from is empty, not broken
}

TEST(World, UnsoundSizesAreRefused) {
    struct Case {
        PF_PixelFormat format;
        int32_t w, h, padding;
    };
    const Case cases[] = {
        {PF_PixelFormat_INVALID, 1, 1, 0},   {7, 1, 1, 0},
        {PF_PixelFormat_ARGB32, -1, 1, 0},   {PF_PixelFormat_ARGB32, 1, -1, 0},
        {PF_PixelFormat_ARGB32, 1, 1, -4},   {PF_PixelFormat_ARGB128, 0x10000000, 1, 0},
        {PF_PixelFormat_ARGB32, 0x7FFFFFFF, 1, 0}, {PF_PixelFormat_ARGB32, 60000, 60000, 0},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(runner::World::Create(c.format, c.w, c.h, c.padding).has_value())
            << c.format << " " << c.w << "x" << c.h << "+" << c.padding;
    }
    EXPECT_TRUE(runner::World::Create(PF_PixelFormat_ARGB32, 0, 0).has_value());
}

TEST(World, CopyBetweenDifferentPaddingsTouchesOnlyTheImage) {
    for (PF_PixelFormat format : FORMATS) {
        runner::World src = Make(format, 7, 5, 4);
        runner::World dst = Make(format, 7, 5, 36);
        const int32_t bytes = 7 * runner::BytesPerPixel(format);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t i = 0; i < bytes; ++i) src.Row(y)[i] = uint8_t(y * 31 + i);
        }
        ASSERT_EQ(runner::CopyWorld(src.Def(), dst.Def()), PF_Err_NONE);
        EXPECT_TRUE(dst.SameImage(src));
        EXPECT_TRUE(dst.PaddingIntact());
    }
}

TEST(World, CopyRefusesMismatchedWorlds) {
    runner::World src = Make(PF_PixelFormat_ARGB32, 4, 4, 0);
    runner::World taller = Make(PF_PixelFormat_ARGB32, 4, 5, 0);
    runner::World wider = Make(PF_PixelFormat_ARGB32, 5, 4, 0);
    runner::World deeper = Make(PF_PixelFormat_ARGB64, 4, 4, 0);
    EXPECT_EQ(runner::CopyWorld(src.Def(), taller.Def()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(runner::CopyWorld(src.Def(), wider.Def()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(runner::CopyWorld(src.Def(), deeper.Def()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(runner::CopyWorld(nullptr, src.Def()), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(taller.ImageBytesAll(runner::PADDING_CANARY));
}

TEST(World, FillExpandsTheColourToTheDepth) {
    const PF_Pixel colour{255, 128, 0, 1};
    runner::World w8 = Make(PF_PixelFormat_ARGB32, 3, 2, 8);
    runner::World w16 = Make(PF_PixelFormat_ARGB64, 3, 2, 8);
    runner::World wf = Make(PF_PixelFormat_ARGB128, 3, 2, 8);
    for (runner::World* w : {&w8, &w16, &wf}) {
        ASSERT_EQ(runner::FillWorld(colour, w->Def()), PF_Err_NONE);
        EXPECT_TRUE(w->PaddingIntact());
    }
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            const PF_Pixel& p8 = w8.Pixel8(x, y);
            EXPECT_EQ(p8.alpha, 255);
            EXPECT_EQ(p8.red, 128);
            EXPECT_EQ(p8.blue, 1);
            const PF_Pixel16& p16 = w16.Pixel16(x, y);
            EXPECT_EQ(p16.alpha, 32768);  // white is 32768, not 65535
            EXPECT_EQ(p16.red, 16448);    // 128 * 32768 / 255, rounded
            EXPECT_EQ(p16.green, 0);
            EXPECT_EQ(p16.blue, 129);
            const PF_PixelFloat& pf = wf.PixelFloat(x, y);
            EXPECT_EQ(pf.alpha, 1.0f);
            EXPECT_FLOAT_EQ(pf.red, 128.0f / 255.0f);
            EXPECT_EQ(pf.green, 0.0f);
        }
    }
}
