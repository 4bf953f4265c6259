// Reading one named section out of an ELF file, little-endian, 32 or 64
// bit. Only the section header table and the section-name string table are
// consulted; every offset comes from the file and is checked.
#include "runner/loader/elf_sections.h"

#include <stdio.h>
#include <string.h>

#include "runner/loader/byte_reader.h"

namespace runner {

namespace {

constexpr uint8_t ELF_CLASS_32 = 1;
constexpr uint8_t ELF_CLASS_64 = 2;
constexpr uint8_t ELF_DATA_LITTLE = 1;
constexpr uint32_t SHT_NOBITS = 8;
constexpr uint16_t SHN_XINDEX = 0xFFFF;

struct Layout {
    uint64_t shoff_at, shoff_bytes;
    uint64_t shentsize_at, shnum_at, shstrndx_at;
    uint64_t min_entry;  // the bytes of a section header we read
    uint64_t type_at, link_at, offset_at, size_at, field_bytes;
};

constexpr Layout LAYOUT_32 = {0x20, 4, 0x2E, 0x30, 0x32, 40, 4, 24, 16, 20, 4};
constexpr Layout LAYOUT_64 = {0x28, 8, 0x3A, 0x3C, 0x3E, 64, 4, 40, 24, 32, 8};

struct Section {
    uint32_t name = 0;
    uint32_t type = 0;
    uint32_t link = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

bool ReadWord(const ByteReader& in, uint64_t at, uint64_t bytes, uint64_t* out) {
    if (bytes == 8) return in.U64(at, out);
    uint32_t v = 0;
    if (!in.U32(at, &v)) return false;
    *out = v;
    return true;
}

Error Bad(const std::string& why) { return Error{"not a readable ELF file: " + why}; }

}  // namespace

Result<std::vector<uint8_t>> ReadElfSection(const uint8_t* bytes, size_t size,
                                              const std::string& name) {
    const ByteReader in(bytes, size);
    uint8_t ident[6] = {};
    for (uint64_t i = 0; i < 6; ++i) {
        if (!in.U8(i, &ident[i])) return Bad("too short");
    }
    if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') {
        return Bad("no ELF magic");
    }
    if (ident[5] != ELF_DATA_LITTLE) return Bad("not little-endian");
    if (ident[4] != ELF_CLASS_32 && ident[4] != ELF_CLASS_64) return Bad("unknown class");
    const Layout& l = ident[4] == ELF_CLASS_64 ? LAYOUT_64 : LAYOUT_32;

    uint64_t shoff = 0;
    uint16_t shentsize = 0, shnum16 = 0, shstrndx16 = 0;
    if (!ReadWord(in, l.shoff_at, l.shoff_bytes, &shoff) || !in.U16(l.shentsize_at, &shentsize) ||
        !in.U16(l.shnum_at, &shnum16) || !in.U16(l.shstrndx_at, &shstrndx16)) {
        return Bad("header truncated");
    }
    if (shoff == 0) return Bad("no section headers");
    if (shentsize < l.min_entry) return Bad("section header entries too small");

    auto read_section = [&](uint64_t index, Section* s) {
        const uint64_t at = shoff + index * shentsize;  // index is bounded below
        uint32_t name_offset = 0, type = 0, link = 0;
        uint64_t offset = 0, section_size = 0;
        if (!in.Has(at, shentsize) || !in.U32(at, &name_offset) || !in.U32(at + 4, &type) ||
            !in.U32(at + l.link_at, &link) ||
            !ReadWord(in, at + l.offset_at, l.field_bytes, &offset) ||
            !ReadWord(in, at + l.size_at, l.field_bytes, &section_size)) {
            return false;
        }
        *s = Section{name_offset, type, link, offset, section_size};
        return true;
    };

    // Large files keep the true count and string table index in section 0.
    uint64_t shnum = shnum16;
    uint64_t shstrndx = shstrndx16;
    if (shnum == 0 || shstrndx == SHN_XINDEX) {
        Section first;
        if (!read_section(0, &first)) return Bad("section header table truncated");
        if (shnum == 0) shnum = first.size;
        if (shstrndx == SHN_XINDEX) shstrndx = first.link;
    }
    // The whole table must lie inside the file before any entry is read.
    if (shnum == 0 || shnum > size / shentsize || !in.Has(shoff, shnum * shentsize)) {
        return Bad("section header table outside the file");
    }
    if (shstrndx >= shnum) return Bad("no section name table");

    Section names;
    if (!read_section(shstrndx, &names) || names.type == SHT_NOBITS ||
        !in.Has(names.offset, names.size)) {
        return Bad("section name table outside the file");
    }

    for (uint64_t i = 0; i < shnum; ++i) {
        Section s;
        if (!read_section(i, &s)) return Bad("section header truncated");
        if (s.name >= names.size) continue;
        const char* candidate = reinterpret_cast<const char*>(in.At(names.offset + s.name));
        const size_t room = static_cast<size_t>(names.size - s.name);
        if (name.size() >= room || memcmp(candidate, name.c_str(), name.size() + 1) != 0) continue;
        if (s.type == SHT_NOBITS) return Bad("section " + name + " has no contents");
        if (!in.Has(s.offset, s.size)) return Bad("section " + name + " outside the file");
        return std::vector<uint8_t>(in.At(s.offset), in.At(s.offset) + s.size);
    }
    return Error{"no section named " + name};
}

Result<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return Error{"cannot open " + path};
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) return Error{"cannot read " + path};
    return bytes;
}

}  // namespace runner
