// Rates and instants read as exact fractions within what the host's 32-bit
// frame times hold, and refused with the reason when they are not.
#include <gtest/gtest.h>

#include <string>

#include "runner/shot/frame_rate.h"

namespace {

struct Text {
    const char* text;
    int64_t num;  // 0 with den 0: refused, `phrase` in the message
    int64_t den;
    const char* phrase;
};

TEST(FrameRate, SecondsAreExactOrRefusedWithTheRange) {
    const Text cases[] = {
        {"1.5", 3, 2, ""},
        {"1001/30000", 1001, 30000, ""},
        {"15e-1", 3, 2, ""},
        {"2.50E+2", 250, 1, ""},
        {"0.000", 0, 1, ""},
        {"2147483647", 2147483647, 1, ""},
        {"1.0000000000000000000000", 1, 1, ""},
        {"1e300", 0, 0, "out of range; seconds go from 0 to 2147483647"},
        {"2147483648", 0, 0, "out of range"},
        {"1e999999999999999", 0, 0, "out of range"},
        {"4294967294/1.5", 0, 0, "out of range"},
        {"1e-300", 0, 0, "use a simpler fraction"},
        {"0.0000000001", 0, 0, "use a simpler fraction"},
        {"1/3000000000", 0, 0, "use a simpler fraction"},
        {"-1", 0, 0, "expected seconds"},
        {"1/2/3", 0, 0, "expected seconds"},
        {"1/0", 0, 0, "expected seconds"},
        {"1e", 0, 0, "expected seconds"},
        {"nan", 0, 0, "expected seconds"},
    };
    for (const Text& c : cases) {
        const runner::Result<runner::Fraction> r = runner::ParseSeconds(c.text, "seconds");
        if (c.den != 0) {
            ASSERT_TRUE(r.has_value()) << c.text << ": " << r.error().message;
            EXPECT_EQ(r->num, c.num) << c.text;
            EXPECT_EQ(r->den, c.den) << c.text;
            EXPECT_TRUE(runner::TimingAt(*r).has_value()) << c.text;
        } else {
            ASSERT_FALSE(r.has_value()) << c.text;
            EXPECT_EQ(r.error().message.rfind(std::string("seconds ") + c.text + ": ", 0), 0u) << r.error().message;
            EXPECT_NE(r.error().message.find(c.phrase), std::string::npos) << r.error().message;
        }
    }
}

TEST(FrameRate, RatesAreExactAndTheirMessagesNameNoOption) {
    const Text cases[] = {
        {"29.97", 30000, 1001, ""},
        {"30000/1001", 30000, 1001, ""},
        {"12.5", 25, 2, ""},
        {"1e3", 1000, 1, ""},
        {"1/2/3", 0, 0, "expected frames per second"},
        {"1e300", 0, 0, "between 0.01 and 1000"},
        {"1/1000", 0, 0, "between 0.01 and 1000"},
    };
    for (const Text& c : cases) {
        const runner::Result<runner::Fraction> r = runner::ParseFrameRate(c.text, "frame rate");
        if (c.den != 0) {
            ASSERT_TRUE(r.has_value()) << c.text << ": " << r.error().message;
            EXPECT_EQ(r->num, c.num) << c.text;
            EXPECT_EQ(r->den, c.den) << c.text;
        } else {
            ASSERT_FALSE(r.has_value()) << c.text;
            EXPECT_NE(r.error().message.find(c.phrase), std::string::npos) << r.error().message;
        }
    }
    const runner::Result<runner::Timing> too_long = runner::MakeTiming(1000000, {30000, 3001});
    ASSERT_FALSE(too_long.has_value());
    EXPECT_EQ(too_long.error().message.find("--"), std::string::npos) << too_long.error().message;
    // A frame's time in seconds is the host's, bit for bit.
    const runner::Timing t = runner::MakeTiming(100, {30000, 1001}).value();
    for (int32_t f : {1, 3, 6, 7, 99}) EXPECT_EQ(runner::FrameSeconds(f, {30000, 1001}), t.SecondsOf(f)) << f;
}

}  // namespace
