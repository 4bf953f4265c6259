// PiPL parsing: the property list is read from a file we have not loaded
// yet, so every length is checked before it is used.
#include "runner/loader/pipl_reader.h"

#include <string.h>

#include "runner/loader/byte_reader.h"

namespace runner {

namespace {

constexpr uint16_t PIPL_VERSION = 1;
constexpr uint32_t PROPERTY_HEADER_BYTES = 16;

// Four-character codes are stored byte-reversed.
std::string FourCharCode(const uint8_t* stored) {
    return std::string{static_cast<char>(stored[3]), static_cast<char>(stored[2]),
                       static_cast<char>(stored[1]), static_cast<char>(stored[0])};
}

bool PascalString(const std::vector<uint8_t>& value, std::string* out) {
    if (value.empty() || value[0] > value.size() - 1) return false;
    out->assign(reinterpret_cast<const char*>(value.data() + 1), value[0]);
    return true;
}

bool CString(const std::vector<uint8_t>& value, std::string* out) {
    const void* end = memchr(value.data(), 0, value.size());
    if (end == nullptr) return false;
    out->assign(reinterpret_cast<const char*>(value.data()),
                static_cast<size_t>(static_cast<const uint8_t*>(end) - value.data()));
    return true;
}

bool Word32(const std::vector<uint8_t>& value, uint32_t* out) {
    if (value.size() != 4) return false;
    return ByteReader(value.data(), value.size()).U32(0, out);
}

Error Bad(const std::string& why) { return Error{"malformed PiPL: " + why}; }

// The entry point's key for the processor this host runs on, and the other.
constexpr const char* OWN_ENTRY_KEY = sizeof(void*) == 8 ? "8664" : "wx86";
constexpr const char* OTHER_ENTRY_KEY = sizeof(void*) == 8 ? "wx86" : "8664";

}  // namespace

const PiplProperty* Pipl::Find(const std::string& key) const {
    for (const PiplProperty& p : properties) {
        if (p.key == key) return &p;
    }
    return nullptr;
}

Result<Pipl> ParsePipl(const uint8_t* bytes, size_t size) {
    const ByteReader in(bytes, size);
    uint16_t version = 0;
    uint32_t reserved = 0;
    uint32_t count = 0;
    if (!in.U16(0, &version) || !in.U32(2, &reserved) || !in.U32(6, &count)) {
        return Bad("header truncated");
    }
    if (version != PIPL_VERSION) return Bad("version " + std::to_string(version));
    // Each property needs at least its header: a huge count in a small
    // file is refused before anything is reserved for it.
    if (count > (size - 10) / PROPERTY_HEADER_BYTES) return Bad("count beyond the data");

    Pipl pipl;
    pipl.properties.reserve(count);
    uint64_t offset = 10;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        uint32_t length = 0;
        if (!in.Has(offset, PROPERTY_HEADER_BYTES) || !in.U32(offset + 8, &id) ||
            !in.U32(offset + 12, &length)) {
            return Bad("property " + std::to_string(i + 1) + " header truncated");
        }
        const uint64_t value_at = offset + PROPERTY_HEADER_BYTES;
        if (!in.Has(value_at, length)) {
            return Bad("property " + std::to_string(i + 1) + " runs past the end");
        }
        PiplProperty p;
        p.vendor = FourCharCode(in.At(offset));
        p.key = FourCharCode(in.At(offset + 4));
        p.id = static_cast<int32_t>(id);
        p.value.assign(in.At(value_at), in.At(value_at) + length);
        const uint64_t padded = (uint64_t{length} + 3u) & ~uint64_t{3};
        // The last property's padding may be missing; the next header check
        // catches a short file otherwise.
        offset = value_at + padded;
        pipl.properties.push_back(std::move(p));
    }

    for (const PiplProperty& p : pipl.properties) {
        bool ok = true;
        uint32_t word = 0;
        if (p.key == "kind") {
            ok = p.value.size() == 4;
            if (ok) pipl.kind = FourCharCode(p.value.data());
        } else if (p.key == "name") {
            ok = PascalString(p.value, &pipl.name);
        } else if (p.key == "catg") {
            ok = PascalString(p.value, &pipl.category);
        } else if (p.key == "eMNA") {
            ok = PascalString(p.value, &pipl.match_name);
        } else if (p.key == OWN_ENTRY_KEY || p.key == OTHER_ENTRY_KEY) {
            std::string entry;
            ok = CString(p.value, &entry);
            if (ok && (pipl.entry_point_key.empty() || p.key == OWN_ENTRY_KEY)) {
                pipl.entry_point = entry;
                pipl.entry_point_key = p.key;
            }
        } else if (p.key == "eVER") {
            ok = Word32(p.value, &pipl.version);
        } else if (p.key == "eGLO") {
            ok = Word32(p.value, &word);
            pipl.out_flags = static_cast<int32_t>(word);
        } else if (p.key == "eGL2") {
            ok = Word32(p.value, &word);
            pipl.out_flags2 = static_cast<int32_t>(word);
        }
        if (!ok) return Bad("property '" + p.key + "' has the wrong shape");
    }
    return pipl;
}

}  // namespace runner
