// Shared set-up of the protocol tests: the effect loaded from the built
// library, a session over it, and scenes to render.
#ifndef FOLVEK_TESTS_PROTOCOL_FIXTURE_H
#define FOLVEK_TESTS_PROTOCOL_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "host/param_ids.h"
#include "runner/core/session.h"
#ifdef RINGSTRIDE_STATIC_EFFECT
extern "C" PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*);
#else
#include "runner/loader/effect_open.h"
#endif

namespace protocol {

#ifdef RINGSTRIDE_STATIC_EFFECT
// The effect linked into this program: sessions call its entry point directly.
inline bool EffectReady() { return true; }
inline std::unique_ptr<runner::Session> NewEffectSession() {
    auto session = std::make_unique<runner::Session>(&EntryPointFunc);
    session->RecordEvents(true);
    return session;
}
#else
// The effect loaded from the built library, once.
inline std::shared_ptr<runner::EffectLibrary> Effect() {
    static std::shared_ptr<runner::EffectLibrary> library = [] {
        auto loaded = runner::EffectLibrary::Load(RINGSTRIDE_EFFECT_PATH);
        if (!loaded) ADD_FAILURE() << loaded.error().message;
        return loaded ? std::move(*loaded) : nullptr;
    }();
    return library;
}
inline bool EffectReady() { return Effect() != nullptr; }
inline std::unique_ptr<runner::Session> NewEffectSession() {
    std::unique_ptr<runner::Session> session = runner::NewSession(Effect());
    session->RecordEvents(true);
    return session;
}
#endif

// A flat, opaque input of one colour per depth, with row padding.
inline runner::World FlatInput(PF_PixelFormat format, int32_t width, int32_t height,
                               int32_t row_padding_bytes = 0) {
    runner::World world = runner::World::Create(format, width, height, row_padding_bytes).value();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            switch (format) {
                case PF_PixelFormat_ARGB32: world.Pixel8(x, y) = PF_Pixel{255, 40, 160, 220}; break;
                case PF_PixelFormat_ARGB64: world.Pixel16(x, y) = PF_Pixel16{32768, 5140, 20560, 28270}; break;
                default: world.PixelFloat(x, y) = PF_PixelFloat{1.0f, 0.15f, 0.625f, 0.875f}; break;
            }
        }
    }
    return world;
}

// A horizontal mask across the layer at a half-integer row.
inline runner::MaskPath HorizontalMask(double y, double x0, double x1) {
    runner::MaskPath mask;
    mask.vertices.resize(2);
    mask.vertices[0].x = x0;
    mask.vertices[0].y = y;
    mask.vertices[1].x = x1;
    mask.vertices[1].y = y;
    return mask;
}

// A smooth open curve that crosses the layer.
inline runner::MaskPath CurvedMask(double width, double height) {
    runner::MaskPath mask;
    mask.vertices.resize(3);
    mask.vertices[0] = {width * 0.05, height * 0.8, 0, 0, width * 0.3, -height * 0.6};
    mask.vertices[1] = {width * 0.5, height * 0.5, -width * 0.2, 0, width * 0.2, 0};
    mask.vertices[2] = {width * 0.95, height * 0.2, -width * 0.3, height * 0.6, 0, 0};
    return mask;
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(EffectReady());
        session = NewEffectSession();
    }

    // A set-up instance with `input` and mask 1 chosen as "Path".
    void Prepare(runner::World input, const runner::MaskPath& mask) {
        session->SetInput(std::move(input));
        ASSERT_EQ(session->SetUp().err, PF_Err_NONE);
        ASSERT_TRUE(session->SetMask(1, mask));
        ASSERT_TRUE(session->SetValue(PARAM_PATH, 1));
    }

    std::unique_ptr<runner::Session> session;
};

}  // namespace protocol

#endif
