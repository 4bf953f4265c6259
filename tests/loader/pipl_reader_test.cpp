// PiPL parsing on hand-made bytes: a well-formed list, then damaged ones
// that must be refused without reading outside the buffer.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "runner/loader/pipl_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t((v >> (8 * i)) & 0xFF));
}
// A four-character code as stored: bytes reversed.
void Code(Bytes& b, const char* code) {
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(code[i]));
}
void Property(Bytes& b, const char* key, const Bytes& value) {
    Code(b, "8BIM");
    Code(b, key);
    Le32(b, 0);
    Le32(b, uint32_t(value.size()));
    b.insert(b.end(), value.begin(), value.end());
    while (b.size() % 4 != 2) b.push_back(0);  // the header is 10 bytes: align the values
}
Bytes Pascal(const std::string& s, size_t length) {
    Bytes v(length, 0);
    v[0] = uint8_t(s.size());
    std::copy(s.begin(), s.end(), v.begin() + 1);
    return v;
}
Bytes Word(uint32_t w) {
    Bytes v;
    Le32(v, w);
    return v;
}
Bytes Header(uint16_t version, uint32_t count) {
    Bytes b;
    Le16(b, version);
    Le32(b, 0);
    Le32(b, count);
    return b;
}

Bytes GoodPipl() {
    Bytes b = Header(1, 7);
    Bytes kind;
    Code(kind, "eFKT");
    Property(b, "kind", kind);
    Property(b, "name", Pascal("FolvekRingStride", 20));
    Property(b, "catg", Pascal("Folvek", 8));
    Bytes entry(16, 0);
    const std::string ep = "EntryPointFunc";
    std::copy(ep.begin(), ep.end(), entry.begin());
    Property(b, "wx86", entry);
    Property(b, "eVER", Word(0x00080601));
    Property(b, "eGLO", Word(0x06000040));
    Property(b, "eGL2", Word(0x00001400));
    return b;
}

runner::Result<runner::Pipl> Parse(const Bytes& b) { return runner::ParsePipl(b.data(), b.size()); }

}  // namespace

TEST(PiplReader, ReadsEveryField) {
    const Bytes bytes = GoodPipl();
    auto parsed = runner::ParsePipl(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
    const runner::Pipl& p = parsed.value();
    EXPECT_EQ(p.kind, "eFKT");
    EXPECT_EQ(p.name, "FolvekRingStride");
    EXPECT_EQ(p.category, "Folvek");
    EXPECT_EQ(p.entry_point, "EntryPointFunc");
    EXPECT_EQ(p.version, 0x00080601u);
    EXPECT_EQ(p.out_flags, 0x06000040);
    EXPECT_EQ(p.out_flags2, 0x00001400);
    ASSERT_EQ(p.properties.size(), 7u);
    EXPECT_EQ(p.properties[0].vendor, "8BIM");
    ASSERT_NE(p.Find("catg"), nullptr);
    EXPECT_EQ(p.Find("catg")->value.size(), 8u);
    EXPECT_EQ(p.Find("nope"), nullptr);
}

TEST(PiplReader, EveryTruncationIsRefused) {
    const Bytes bytes = GoodPipl();
    // The last value is 4 bytes long, so it has no padding: every shorter
    // prefix cuts into a header or a value.
    for (size_t n = 0; n < bytes.size(); ++n) {
        const Bytes cut(bytes.begin(), bytes.begin() + long(n));
        EXPECT_FALSE(runner::ParsePipl(cut.data(), cut.size()).has_value()) << "prefix " << n;
    }
}

TEST(PiplReader, HostileListsAreRefused) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"version 2", Header(2, 0)});
    cases.push_back({"count far beyond the data", Header(1, 0xFFFFFFFFu)});
    {
        Bytes b = Header(1, 1);
        Code(b, "8BIM");
        Code(b, "name");
        Le32(b, 0);
        Le32(b, 0xFFFFFFF0u);  // a length that would wrap an offset
        b.push_back(3);
        cases.push_back({"value length past the end", b});
    }
    {
        Bytes b = Header(1, 1);
        Property(b, "name", Pascal("abc", 4));
        b[b.size() - 4] = 200;  // string length beyond its value
        cases.push_back({"pascal string too long", b});
    }
    {
        Bytes b = Header(1, 1);
        Property(b, "wx86", Bytes{'E', 'P', 'F', 'x'});
        cases.push_back({"entry point without terminator", b});
    }
    {
        Bytes b = Header(1, 1);
        Property(b, "8664", Bytes{'E', 'P', 'F', 'x'});
        cases.push_back({"64-bit entry point without terminator", b});
    }
    {
        Bytes b = Header(1, 1);
        Property(b, "eVER", Bytes{1, 2});
        cases.push_back({"version of two bytes", b});
    }
    {
        Bytes b = Header(1, 1);
        Property(b, "name", Bytes{});
        cases.push_back({"empty name", b});
    }
    for (const Case& c : cases) {
        auto parsed = Parse(c.bytes);
        EXPECT_FALSE(parsed.has_value()) << c.what;
        EXPECT_FALSE(parsed.error().message.empty()) << c.what;
    }
}

TEST(PiplReader, UnknownPropertiesAreKeptNotJudged) {
    Bytes b = Header(1, 2);
    Property(b, "zzzz", Bytes{1, 2, 3});
    Property(b, "aeFL", Word(8));
    auto parsed = Parse(b);
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
    ASSERT_EQ(parsed.value().properties.size(), 2u);
    EXPECT_EQ(parsed.value().properties[0].key, "zzzz");
    EXPECT_EQ(parsed.value().properties[0].value, (Bytes{1, 2, 3}));
    EXPECT_EQ(parsed.value().name, "");
}

// The 32-bit and the 64-bit entry point; with both, the one this host can call.
TEST(PiplReader, EntryPointFromEitherKey) {
    const std::string own = sizeof(void*) == 8 ? "8664" : "wx86";
    const Bytes x86 = {'F', '8', '6', 0};
    const Bytes x64 = {'F', '6', '4', 0};
    struct Case {
        std::vector<std::pair<const char*, Bytes>> properties;
        std::string key;
        std::string entry;
    };
    const Case cases[] = {
        {{{"wx86", x86}}, "wx86", "F86"},
        {{{"8664", x64}}, "8664", "F64"},
        {{{"wx86", x86}, {"8664", x64}}, own, own == "8664" ? "F64" : "F86"},
        {{{"8664", x64}, {"wx86", x86}}, own, own == "8664" ? "F64" : "F86"},
        {{{"name", Pascal("x", 4)}}, "", ""},
    };
    for (const Case& c : cases) {
        Bytes b = Header(1, uint32_t(c.properties.size()));
        for (const auto& [key, value] : c.properties) Property(b, key, value);
        auto parsed = Parse(b);
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
        EXPECT_EQ(parsed.value().entry_point_key, c.key);
        EXPECT_EQ(parsed.value().entry_point, c.entry) << c.key;
    }
}
