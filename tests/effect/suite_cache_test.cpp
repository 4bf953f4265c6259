// The suite cache and the reporting suite functions against a scripted
// basic suite, and the small record helpers shared by pre-render.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/suite_cache.h"
#include "host/suite_reporting.h"
#include "render/render_params.h"

namespace {

struct Call {
    bool acquire;
    std::string name;
    int32_t version;
};

// One basic suite at a time; the tests run on one thread.
std::vector<Call> g_calls;
std::string g_refused;
int g_dummy_suite = 0;

SPErr FakeAcquire(const char* name, int32_t version, const void** suite) {
    g_calls.push_back({true, name, version});
    if (g_refused == name) {
        *suite = nullptr;
        return 1;
    }
    *suite = &g_dummy_suite;
    return 0;
}

SPErr FakeRelease(const char* name, int32_t version) {
    g_calls.push_back({false, name, version});
    return 0;
}

SPBasicSuite g_basic{FakeAcquire, FakeRelease};

class SuiteCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_refused.clear();
    }
};

TEST_F(SuiteCacheTest, GettersAcquireOnceAndReleaseInTableOrder) {
    {
        HostSuiteCache cache(&g_basic);
        const void* first = cache.HandleSuite();
        EXPECT_EQ(first, cache.HandleSuite());
        cache.PathDataSuite();
        cache.AnsiSuite();
        cache.PathQuerySuite();
        cache.UtilitySuite();
        cache.ParamUtilsSuite();
    }
    // Acquired in call order, each once; released in the table's order.
    const std::vector<std::pair<std::string, int32_t>> acquired = {
        {"PF Handle Suite", 1}, {"PF Path Data Suite", 1}, {"PF ANSI Suite", 1},
        {"PF Path Query Suite", 1}, {"AEGP Utility Suite", 7}, {"PF Param Utils Suite", 1}};
    const std::vector<std::pair<std::string, int32_t>> released = {
        {"PF Path Query Suite", 1}, {"PF Path Data Suite", 1}, {"PF Param Utils Suite", 1},
        {"AEGP Utility Suite", 7}, {"PF ANSI Suite", 1}, {"PF Handle Suite", 1}};
    ASSERT_EQ(g_calls.size(), acquired.size() + released.size());
    for (size_t i = 0; i < acquired.size(); ++i) {
        EXPECT_TRUE(g_calls[i].acquire);
        EXPECT_EQ(g_calls[i].name, acquired[i].first);
        EXPECT_EQ(g_calls[i].version, acquired[i].second);
    }
    for (size_t i = 0; i < released.size(); ++i) {
        const Call& c = g_calls[acquired.size() + i];
        EXPECT_FALSE(c.acquire);
        EXPECT_EQ(c.name, released[i].first);
        EXPECT_EQ(c.version, released[i].second);
    }
}

TEST_F(SuiteCacheTest, RefusedSuiteThrowsAndEarlierSuitesAreStillReleased) {
    g_refused = "PF Path Data Suite";
    PF_Err thrown = 0;
    try {
        HostSuiteCache cache(&g_basic);
        cache.HandleSuite();
        cache.AnsiSuite();
        cache.PathDataSuite();
        ADD_FAILURE() << "a refused suite must throw";
    } catch (PF_Err err) {
        thrown = err;
    }
    EXPECT_EQ(thrown, PF_Err_BAD_CALLBACK_PARAM);
    int releases = 0;
    for (const Call& c : g_calls) {
        if (!c.acquire) {
            ++releases;
            EXPECT_NE(c.name, "PF Path Data Suite");
        }
    }
    EXPECT_EQ(releases, 2);
}

TEST_F(SuiteCacheTest, NullBasicSuiteThrows) {
    EXPECT_THROW({ HostSuiteCache cache(nullptr); }, PF_Err);
}

TEST(SuiteTable, HoldsEightyFiveDistinctSlots) {
    for (int32_t i = 0; i < SUITE_TABLE_SIZE; ++i) {
        for (int32_t j = i + 1; j < SUITE_TABLE_SIZE; ++j) {
            const bool same = std::strcmp(SUITE_TABLE[i].name, SUITE_TABLE[j].name) == 0 &&
                              SUITE_TABLE[i].version == SUITE_TABLE[j].version;
            EXPECT_FALSE(same) << SUITE_TABLE[i].name << " " << SUITE_TABLE[i].version;
        }
    }
    EXPECT_STREQ(SUITE_TABLE[0].name, "AEGP Layer Suite");
    EXPECT_STREQ(SUITE_TABLE[53].name, "PF iterate16 Suite");
    EXPECT_STREQ(SUITE_TABLE[84].name, "PF SamplingFloat Suite");
}

// ---- reporting ---------------------------------------------------------------

int BoundedSprintf(char* dst, const char* format, ...) {
    // Only "%s" reaches the host from these functions.
    va_list args;
    va_start(args, format);
    const int n = std::vsprintf(dst, format, args);
    va_end(args);
    return n;
}

struct ReportingFixture : SuiteCacheTest {
    PF_UtilCallbacks utils{};
    PF_InData in{};
    PF_OutData out{};
    void SetUp() override {
        SuiteCacheTest::SetUp();
        utils.ansi.sprintf = BoundedSprintf;
        in.utils = &utils;
        in.pica_basicP = &g_basic;
    }
};

TEST_F(ReportingFixture, UnknownSuiteLeavesTheMessageAndTheFlag) {
    g_refused = "AEGP Mask Suite";
    const void* suite = nullptr;
    EXPECT_EQ(AcquireSuiteReporting(&in, &out, "AEGP Mask Suite", 1, "Couldn't load suite.", &suite),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(out.return_msg, "Couldn't load suite.");
    EXPECT_EQ(out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
}

TEST_F(ReportingFixture, DefaultMessagesWithoutABasicSuite) {
    in.pica_basicP = nullptr;
    const void* suite = nullptr;
    EXPECT_EQ(AcquireSuiteReporting(&in, &out, "PF World Suite", 2, nullptr, &suite), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(out.return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_EQ(ReleaseSuiteReporting(&in, &out, "PF World Suite", 2, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(out.return_msg, "Not able to release AEFX Suite.");
}

TEST_F(ReportingFixture, AcquiredSuiteIsReturnedAndReleasedWithoutMessage) {
    const void* suite = nullptr;
    EXPECT_EQ(AcquireSuiteReporting(&in, &out, "PF World Suite", 2, "x", &suite), PF_Err_NONE);
    EXPECT_EQ(suite, &g_dummy_suite);
    EXPECT_EQ(ReleaseSuiteReporting(&in, &out, "PF World Suite", 2, "y"), PF_Err_NONE);
    EXPECT_EQ(out.out_flags, 0);
    EXPECT_STREQ(out.return_msg, "");
}

TEST(BoundMessage, LongTextsAreCutToTheFieldWithTheirZero) {
    const std::string long_text(1000, 'x');
    const BoundedText cut = BoundMessage(long_text.c_str());
    EXPECT_EQ(std::strlen(cut.text), static_cast<size_t>(PF_RETURN_MSG_LEN - 1));
    EXPECT_STREQ(BoundMessage(nullptr).text, "");
    EXPECT_STREQ(BoundMessage("abc").text, "abc");
}

// ---- rectangles and record conversions ----------------------------------------

TEST(UnionRectInto, EmptyDestinationTakesTheSourceAndEmptySourceAddsNothing) {
    struct Case {
        PF_LRect src, dst, expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 20}, {0, 0, 0, 0}, {0, 0, 10, 20}},          // empty destination
        {{5, 5, 5, 9}, {0, 0, 0, 0}, {5, 5, 5, 9}},              // empty copied into empty
        {{3, 3, 3, 3}, {1, 2, 4, 5}, {1, 2, 4, 5}},              // empty source
        {{0, 0, 10, 10}, {5, -5, 20, 8}, {0, -5, 20, 10}},       // bounding box
        {{-4, 1, 2, 3}, {0, 0, 1, 1}, {-4, 0, 2, 3}},
    };
    for (const Case& c : cases) {
        PF_LRect dst = c.dst;
        UnionRectInto(c.src, &dst);
        EXPECT_EQ(dst.left, c.expected.left);
        EXPECT_EQ(dst.top, c.expected.top);
        EXPECT_EQ(dst.right, c.expected.right);
        EXPECT_EQ(dst.bottom, c.expected.bottom);
    }
}

TEST(RenderParamsConversions, PixelSizesScaleAndNeverVanish) {
    struct Case {
        int32_t value;
        PF_RationalScale scale;
        int32_t expected;
    };
    const Case cases[] = {
        {50, {1, 1}, 50}, {5, {1, 2}, 2}, {3, {1, 4}, 1}, {1, {1, 8}, 1},
        {0, {1, 2}, 0},   {-3, {1, 2}, -3}, {5000, {1, 3}, 1666},
        {7, {0, 0}, 7},   // a nonsensical factor keeps the size
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScalePixelSize(c.value, DownsampleFactor(c.scale)), c.expected) << c.value;
    }
}

TEST(RenderParamsConversions, PercentSlidersBecomeFractionsExactlyAtTheEnds) {
    EXPECT_EQ(PercentToFraction(0), 0.0);
    EXPECT_EQ(PercentToFraction(0x00640000), 1.0);
    EXPECT_EQ(PercentToFraction(0x00320000), 0.5);
    EXPECT_DOUBLE_EQ(PercentToFraction(0x000A0000), 0.1);
}

}  // namespace
