// The PNG chunk walk that runs before the image library sees a file: a
// chunk that claims more than the file holds is refused, anything that is
// not a PNG or is a sound one passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/media/png_probe.h"
#include "robustness_support.h"

namespace {

using robustness::Be32;

const std::string SIGNATURE("\x89PNG\r\n\x1a\n", 8);

struct ProbeCase {
    const char* name;
    std::string bytes;
    bool ok;
};

std::vector<ProbeCase> Cases() {
    const std::string good = robustness::PngClaiming(3, 2);
    // A chunk whose header claims 1952543336 bytes, with 30 bytes behind it:
    // what made libpng ask for 1.9 GB for a file of 130 bytes.
    const std::string liar = good.substr(0, good.size() - 12) + Be32(1952543336u) + "tEXt" + std::string(30, 'x');
    return {
        {"a sound PNG", good, true},
        {"not a PNG at all", "P6\n1 1\n255\nabc", true},
        {"empty", "", true},
        {"the signature alone", SIGNATURE, true},
        {"a chunk header cut short", SIGNATURE + std::string("\0\0\0", 3), true},
        {"a chunk claiming 1.9 GB in a small file", liar, false},
        {"a chunk length with the top bit set", SIGNATURE + Be32(0x80000000u) + "IHDR" + std::string(20, '\0'), false},
        {"a chunk one byte longer than the file", SIGNATURE + Be32(5) + "tEXt" + "abcd" + Be32(0), false},
        {"data after IEND is not looked at", good + Be32(0x7FFFFFFFu) + "junk", true},
        // 111 bytes of image data cannot inflate to the 3.6 GB of rows that
        // 30000 x 30000 RGBA pixels need (deflate stops at 1032 : 1).
        {"30000 x 30000 pixels in 111 bytes of image data", robustness::PngClaiming(30000, 30000), false},
        {"1000 x 100 pixels in 111 bytes of image data", robustness::PngClaiming(1000, 100), false},
        {"100 x 100 pixels in 111 bytes of image data", robustness::PngClaiming(100, 100), true},
        {"largest possible header in 111 bytes", robustness::PngClaiming(0x7FFFFFFFu, 0x7FFFFFFFu), false},
    };
}

TEST(PngProbe, RefusesChunksLongerThanTheFileAndPassesEverythingElse) {
    for (const ProbeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        const runner::Status in_memory = runner::CheckPngChunks(data, c.bytes.size(), "f.png");
        EXPECT_EQ(in_memory.has_value(), c.ok);
        if (!c.ok) {
            EXPECT_NE(in_memory.error().message.find("f.png: damaged PNG file"), std::string::npos);
        }

        robustness::Scratch dir;
        robustness::WriteFile(dir / "f.png", c.bytes);
        EXPECT_EQ(runner::CheckPngFile(dir / "f.png").has_value(), c.ok);
    }
}

TEST(PngProbe, AMissingFileIsLeftToTheReader) {
    EXPECT_TRUE(runner::CheckPngFile("/nonexistent/none.png").has_value());
}

}  // namespace
