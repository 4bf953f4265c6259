// The property list image against its documented layout, written out here
// field by field: little-endian integers, four-character codes stored with
// their bytes reversed, each value zero-padded to a multiple of 4.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "resources/pipl.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
Bytes Le16(uint16_t v) { return {uint8_t(v & 0xFF), uint8_t(v >> 8)}; }
Bytes Le32(uint32_t v) {
    return {uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF), uint8_t((v >> 16) & 0xFF),
            uint8_t(v >> 24)};
}
// Raw bytes as they appear in the file, e.g. "MIB8" for the vendor 8BIM.
Bytes Raw(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Zeros(size_t n) { return Bytes(n, 0); }

struct ExpectedProperty {
    const char* key;         // readable key, for messages
    const char* stored_key;  // the key's bytes in file order
    uint32_t length;         // value length as stored
    Bytes value;             // the value, without padding
};

// The entry point's key: "wx86" for 32-bit x86, stored "68xw"; "8664" for
// 64-bit x86, stored "4668".
std::vector<ExpectedProperty> DocumentedProperties(const char* entry_key = "wx86",
                                                   const char* stored_entry_key = "68xw") {
    Bytes name = {16};
    Append(name, Raw("FolvekRingStride"));
    Append(name, Zeros(3));
    Bytes category = {6};
    Append(category, Raw("Folvek"));
    Append(category, Zeros(1));
    Bytes entry = Raw("EntryPointFunc");
    Append(entry, Zeros(2));
    Bytes match = {29};
    Append(match, Raw("FolvekRingStride by Tessovrin"));
    Append(match, Zeros(2));
    Bytes pipl_version = Le16(2);
    Append(pipl_version, Le16(0));
    Bytes spec_version = Le16(12);
    Append(spec_version, Le16(10));
    return {
        {"kind", "dnik", 4, Raw("TKFe")},
        {"name", "eman", 20, name},
        {"catg", "gtac", 8, category},
        {entry_key, stored_entry_key, 16, entry},
        {"ePVR", "RVPe", 4, pipl_version},
        {"eSVR", "RVSe", 4, spec_version},
        {"eVER", "REVe", 4, Le32(525825)},
        {"eINF", "FNIe", 2, Le16(0)},
        {"eGLO", "OLGe", 4, Le32(0x06000040)},
        {"eGL2", "2LGe", 4, Le32(0x00001400)},
        {"eMNA", "ANMe", 32, match},
        {"aeFL", "LFea", 4, Le32(8)},
    };
}

Bytes DocumentedImage(const char* entry_key = "wx86", const char* stored_entry_key = "68xw") {
    Bytes image = Le16(1);      // version
    Append(image, Le32(0));     // reserved
    Append(image, Le32(12));    // number of properties
    for (const ExpectedProperty& p : DocumentedProperties(entry_key, stored_entry_key)) {
        Append(image, Raw("MIB8"));
        Append(image, Raw(p.stored_key));
        Append(image, Le32(0));
        Append(image, Le32(p.length));
        Append(image, p.value);
        Append(image, Zeros((4 - p.length % 4) % 4));
    }
    return image;
}

Bytes Image() { return Bytes(PIPL_IMAGE.begin(), PIPL_IMAGE.end()); }

uint32_t ReadLe32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// Offset of the value of the property whose stored key is `stored_key`,
// walking the image the way a host does.
size_t ValueOffset(const Bytes& image, const std::string& stored_key) {
    size_t at = 10;
    while (at + 16 <= image.size()) {
        const uint32_t length = ReadLe32(image, at + 12);
        if (std::string(image.begin() + long(at) + 4, image.begin() + long(at) + 8) == stored_key)
            return at + 16;
        at += 16 + ((length + 3) & ~3u);
    }
    ADD_FAILURE() << "no property " << stored_key;
    return 0;
}

// The 32-bit list (also the Linux library's) and the 64-bit Windows list.
TEST(PiplImage, MatchesDocumentedLayoutByteForByte) {
    const struct {
        const char* what;
        const PiplImage& image;
        Bytes expected;
    } cases[] = {
        {"32-bit", PIPL_IMAGE, DocumentedImage("wx86", "68xw")},
        {"64-bit", PIPL_IMAGE_X64, DocumentedImage("8664", "4668")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes actual(c.image.begin(), c.image.end());
        ASSERT_EQ(actual.size(), c.expected.size());
        for (size_t i = 0; i < actual.size(); ++i)
            ASSERT_EQ(int(actual[i]), int(c.expected[i])) << "first difference at byte " << i;
    }
}

TEST(PiplImage, TotalSize) {
    // 10-byte header, twelve 16-byte property headers, values 4+20+8+16+4+4+4+(2+2)+4+4+32+4.
    EXPECT_EQ(PIPL_IMAGE_SIZE, 10u + 12u * 16u + 108u);
    EXPECT_EQ(PIPL_IMAGE.size(), 310u);
}

TEST(PiplImage, EveryPropertyHasVendorIdZeroAndItsLength) {
    const Bytes image = Image();
    size_t at = 10;
    for (const ExpectedProperty& p : DocumentedProperties()) {
        SCOPED_TRACE(p.key);
        ASSERT_LE(at + 16, image.size());
        EXPECT_EQ((at - 10) % 4, 0u) << "property not on a 4-byte step";
        EXPECT_EQ(std::string(image.begin() + long(at), image.begin() + long(at) + 4), "MIB8");
        EXPECT_EQ(std::string(image.begin() + long(at) + 4, image.begin() + long(at) + 8),
                  p.stored_key);
        EXPECT_EQ(ReadLe32(image, at + 8), 0u);
        EXPECT_EQ(ReadLe32(image, at + 12), p.length);
        at += 16 + ((p.length + 3) & ~3u);
    }
    EXPECT_EQ(at, image.size()) << "bytes after the last property";
}

TEST(PiplImage, HeaderCountsTwelveProperties) {
    const Bytes image = Image();
    EXPECT_EQ(image[0], 1);
    EXPECT_EQ(image[1], 0);
    EXPECT_EQ(ReadLe32(image, 2), 0u);
    EXPECT_EQ(ReadLe32(image, 6), 12u);
    EXPECT_EQ(PIPL_PROPERTY_COUNT, 12u);
}

}  // namespace
