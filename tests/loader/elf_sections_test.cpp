// Section lookup on tiny ELF images built here, 64- and 32-bit, and on
// damaged copies of them: a failure, never a read outside the buffer.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "runner/loader/elf_sections.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t((v >> (8 * i)) & 0xFF);
}

struct Image {
    Bytes bytes;
    size_t shoff = 0;
    size_t entry = 0;    // bytes per section header
    size_t offset_at = 0;  // of sh_offset within an entry
    size_t size_at = 0;
    int word = 0;        // bytes of sh_offset / sh_size
};

// Sections: 0 null, 1 ".shstrtab", 2 "PIPL" holding `payload`, 3 ".bss" (no bits).
Image Build(bool is64, const Bytes& payload) {
    Image img;
    const size_t ehsize = is64 ? 64 : 52;
    img.entry = is64 ? 64 : 40;
    img.word = is64 ? 8 : 4;
    img.offset_at = is64 ? 24 : 16;
    img.size_at = is64 ? 32 : 20;
    const std::string names("\0.shstrtab\0PIPL\0.bss\0", 21);
    const size_t names_at = ehsize;
    const size_t payload_at = names_at + names.size();
    img.shoff = (payload_at + payload.size() + 7) & ~size_t{7};
    img.bytes.assign(img.shoff + 4 * img.entry, 0);
    Bytes& b = img.bytes;
    b[0] = 0x7F; b[1] = 'E'; b[2] = 'L'; b[3] = 'F';
    b[4] = is64 ? 2 : 1;
    b[5] = 1;  // little-endian
    b[6] = 1;
    Put(b, is64 ? 0x28 : 0x20, img.shoff, is64 ? 8 : 4);
    Put(b, is64 ? 0x3A : 0x2E, img.entry, 2);
    Put(b, is64 ? 0x3C : 0x30, 4, 2);  // shnum
    Put(b, is64 ? 0x3E : 0x32, 1, 2);  // shstrndx
    memcpy(&b[names_at], names.data(), names.size());
    memcpy(&b[payload_at], payload.data(), payload.size());
    auto section = [&](size_t i, uint32_t name, uint32_t type, size_t offset, size_t size) {
        const size_t at = img.shoff + i * img.entry;
        Put(b, at, name, 4);
        Put(b, at + 4, type, 4);
        Put(b, at + img.offset_at, offset, img.word);
        Put(b, at + img.size_at, size, img.word);
    };
    section(1, 1, 3, names_at, names.size());
    section(2, 11, 1, payload_at, payload.size());
    section(3, 16, 8, 0, 1000);
    return img;
}

runner::Result<Bytes> Read(const Bytes& b, const std::string& name = "PIPL") {
    return runner::ReadElfSection(b.data(), b.size(), name);
}

const Bytes PAYLOAD = {1, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0xAB};

}  // namespace

TEST(ElfSections, FindsTheNamedSectionIn64And32BitFiles) {
    for (bool is64 : {true, false}) {
        const Image img = Build(is64, PAYLOAD);
        auto found = Read(img.bytes);
        ASSERT_TRUE(found.has_value()) << found.error().message;
        EXPECT_EQ(found.value(), PAYLOAD);
        EXPECT_FALSE(Read(img.bytes, "PIP").has_value()) << "a prefix of a name is not the name";
        EXPECT_FALSE(Read(img.bytes, "PIPLX").has_value());
        EXPECT_FALSE(Read(img.bytes, ".bss").has_value()) << "a section without contents";
        EXPECT_TRUE(Read(img.bytes, ".shstrtab").has_value());
    }
}

TEST(ElfSections, EveryTruncationFailsCleanly) {
    for (bool is64 : {true, false}) {
        const Image img = Build(is64, PAYLOAD);
        for (size_t n = 0; n < img.bytes.size(); ++n) {
            // Exact-size copies, so a read past the end would be caught by
            // the address sanitizer runs as well.
            const Bytes cut(img.bytes.begin(), img.bytes.begin() + long(n));
            EXPECT_FALSE(Read(cut).has_value()) << (is64 ? "64" : "32") << "-bit prefix " << n;
        }
    }
}

TEST(ElfSections, HostileHeadersAreRefused) {
    struct Case {
        const char* what;
        void (*damage)(Image&);
    };
    const Case cases[] = {
        {"bad magic", [](Image& i) { i.bytes[1] = 'X'; }},
        {"big-endian", [](Image& i) { i.bytes[5] = 2; }},
        {"unknown class", [](Image& i) { i.bytes[4] = 3; }},
        {"section table far away", [](Image& i) { Put(i.bytes, 0x28, ~uint64_t{0} - 8, 8); }},
        {"huge section count", [](Image& i) { Put(i.bytes, 0x3C, 0xFFF0, 2); }},
        {"tiny entries", [](Image& i) { Put(i.bytes, 0x3A, 8, 2); }},
        {"name table index beyond the table", [](Image& i) { Put(i.bytes, 0x3E, 9, 2); }},
        {"payload offset beyond the file",
         [](Image& i) { Put(i.bytes, i.shoff + 2 * i.entry + i.offset_at, 1u << 30, i.word); }},
        {"payload size wraps",
         [](Image& i) { Put(i.bytes, i.shoff + 2 * i.entry + i.size_at, ~uint64_t{0}, i.word); }},
        {"name offset beyond the name table",
         [](Image& i) { Put(i.bytes, i.shoff + 2 * i.entry, 0x7FFFFFFF, 4); }},
        {"name table beyond the file",
         [](Image& i) { Put(i.bytes, i.shoff + 1 * i.entry + i.size_at, 1u << 20, i.word); }},
    };
    for (const Case& c : cases) {
        Image img = Build(true, PAYLOAD);
        c.damage(img);
        auto found = Read(img.bytes);
        EXPECT_FALSE(found.has_value()) << c.what;
        EXPECT_FALSE(found.error().message.empty()) << c.what;
    }
}
