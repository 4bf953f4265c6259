// Keyframed values as checkout_param and PF_CheckoutPath answer them, held
// against the interpolation formulas computed here: s = (t - t0) / (t1 - t0),
// ease 3s^2 - 2s^3, hold 0; stored as the host stores each type.
#include <cmath>

#include "protocol_fixture.h"

namespace protocol {
namespace {

using runner::ColorKey;
using runner::MaskKey;
using runner::ScalarKey;

constexpr uint32_t SCALE = 30000;  // frame times of 30000/1001 fps
constexpr int32_t STEP = 1001;

class KeyframeTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        Prepare(FlatInput(PF_PixelFormat_ARGB32, 64, 48), HorizontalMask(10.5, 0, 64));
        session->SetTime(0, STEP, SCALE);
    }
};

double Shape(runner::KeyInterpolation how, double s) {
    if (how == runner::KEY_HOLD) return 0.0;
    return how == runner::KEY_EASE ? 3 * s * s - 2 * s * s * s : s;
}

TEST_F(KeyframeTest, ScalarsAtAndBetweenKeysAreStoredAsTheHostStoresThem) {
    struct Case {
        PF_ParamIndex index;
        double a, b;  // values at 0.5 s and 2.0 s
    };
    const Case cases[] = {{PARAM_MAX_RADIUS, 20, 87}, {PARAM_TIME, 12.3, 97.1}, {PARAM_EDGE_BRIGHTNESS, 0.3, 1.7},
                          {PARAM_MODE, 1, 3},         {PARAM_INVERT, 0, 1}};
    const int32_t frames[] = {0, 14, 15, 16, 31, 44, 45, 46, 59, 60, 90};  // 0.5 s is frame 14.985
    for (runner::KeyInterpolation how : {runner::KEY_LINEAR, runner::KEY_EASE, runner::KEY_HOLD}) {
        for (const Case& c : cases) {
            ASSERT_TRUE(session->SetKeys(c.index, {ScalarKey{0.5, c.a, how}, ScalarKey{2.0, c.b, how}}));
            const PF_ParamType type = session->Params()[static_cast<size_t>(c.index)].type;
            const bool holds = type == PF_Param_POPUP || type == PF_Param_CHECKBOX;
            for (int32_t f : frames) {
                const double t = f * STEP / static_cast<double>(SCALE);
                double v = c.a;
                if (t >= 2.0) {
                    v = c.b;
                } else if (t > 0.5 && !holds) {
                    v = c.a + (c.b - c.a) * Shape(how, (t - 0.5) / (2.0 - 0.5));
                }
                const PF_ParamDef def = session->DefAt(c.index, f * STEP);
                SCOPED_TRACE(::testing::Message() << "param " << c.index << " interpolation " << how << " frame " << f);
                switch (type) {
                case PF_Param_SLIDER: EXPECT_EQ(def.u.sd.value, std::floor(v + 0.5)); break;
                case PF_Param_FIX_SLIDER: EXPECT_EQ(def.u.fd.value, std::floor(v * 65536 + 0.5)); break;
                case PF_Param_FLOAT_SLIDER: EXPECT_EQ(def.u.fs_d.value, v); break;
                case PF_Param_POPUP: EXPECT_EQ(def.u.pd.value, v); break;
                default: EXPECT_EQ(def.u.bd.value, v); break;
                }
            }
        }
    }
}

TEST_F(KeyframeTest, ColoursMoveChannelByChannel) {
    ASSERT_TRUE(session->SetColorKeys(PARAM_EDGE_COLOR, {ColorKey{0.0, {255, 255, 0, 10}, runner::KEY_EASE},
                                                         ColorKey{1.5, {255, 0, 0, 255}, runner::KEY_LINEAR}}));
    for (int32_t f : {0, 7, 20, 44, 45, 80}) {
        const double t = f * STEP / static_cast<double>(SCALE);
        const double s = t >= 1.5 ? 1.0 : Shape(runner::KEY_EASE, t / 1.5);
        const PF_Pixel c = session->DefAt(PARAM_EDGE_COLOR, f * STEP).u.cd.value;
        EXPECT_EQ(c.red, std::floor(255 + (0 - 255) * s + 0.5)) << f;
        EXPECT_EQ(c.blue, std::floor(10 + (255 - 10) * s + 0.5)) << f;
        EXPECT_EQ(c.green, 0) << f;
    }
}

TEST_F(KeyframeTest, AMaskMovesEveryVertexAndTangentWithTheSameS) {
    MaskKey a{0.0, CurvedMask(64, 48), runner::KEY_EASE};
    MaskKey b{1.0, CurvedMask(64, 48), runner::KEY_LINEAR};
    for (runner::MaskVertex& v : b.path.vertices) {
        v.y += 9;
        v.out_x *= 2;
    }
    ASSERT_TRUE(session->SetMaskKeys(1, {a, b}));
    const int32_t f = 12;
    const double s = Shape(runner::KEY_EASE, f * STEP / static_cast<double>(SCALE));
    runner::MaskPath at;
    ASSERT_TRUE(session->MaskAt(1, f * STEP, &at));
    for (size_t i = 0; i < at.vertices.size(); ++i) {
        EXPECT_EQ(at.vertices[i].y, a.path.vertices[i].y + (b.path.vertices[i].y - a.path.vertices[i].y) * s);
        EXPECT_EQ(at.vertices[i].out_x,
                  a.path.vertices[i].out_x + (b.path.vertices[i].out_x - a.path.vertices[i].out_x) * s);
    }
    b.path.vertices.pop_back();
    EXPECT_FALSE(session->SetMaskKeys(1, {a, b})) << "keys with different vertex counts";
    EXPECT_FALSE(session->SetKeys(PARAM_SEED, {ScalarKey{1.0, 1}, ScalarKey{1.0, 2}})) << "times must increase";
}

}  // namespace
}  // namespace protocol
