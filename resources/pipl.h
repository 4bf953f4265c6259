// The effect's identity: name, category, version and capability flags, and
// the plug-in property list (PiPL) that carries them to the host before the
// library is loaded.
//
// This header is the only place these values are written down. Global
// set-up reads the version and flags from here, the Linux build embeds
// PIPL_IMAGE in an ELF section, and the Windows builds turn the same bytes
// (32-bit) or PIPL_IMAGE_X64 (64-bit) into the "PIPL" resource.
#ifndef FOLVEK_RESOURCES_PIPL_H
#define FOLVEK_RESOURCES_PIPL_H

#include <stddef.h>
#include <stdint.h>

#include <array>

#include "host/host_api.h"

// ---- identity ----------------------------------------------------------------
constexpr char EFFECT_NAME[] = "FolvekRingStride";
constexpr char EFFECT_CATEGORY[] = "Folvek";
constexpr char EFFECT_MATCH_NAME[] = "FolvekRingStride by Tessovrin";
constexpr char EFFECT_ENTRY_POINT[] = PF_ENTRY_POINT_NAME;

constexpr int32_t EFFECT_MAJOR_VERSION = 1;
constexpr int32_t EFFECT_MINOR_VERSION = 0;
constexpr int32_t EFFECT_BUG_VERSION = 0;
constexpr int32_t EFFECT_STAGE_RELEASE = 3;
constexpr int32_t EFFECT_BUILD_VERSION = 1;

// The host's packed version: major in bits 19..21, minor in 15..18, bug fix
// in 11..14, stage in 9..10, build in 0..8.
constexpr uint32_t PackEffectVersion(int32_t major, int32_t minor, int32_t bug, int32_t stage,
                                     int32_t build) {
    return (static_cast<uint32_t>(major & 0x7) << 19) | (static_cast<uint32_t>(minor & 0xF) << 15) |
           (static_cast<uint32_t>(bug & 0xF) << 11) | (static_cast<uint32_t>(stage & 0x3) << 9) |
           static_cast<uint32_t>(build & 0x1FF);
}

constexpr uint32_t EFFECT_VERSION = 0x00080601;
static_assert(EFFECT_VERSION == PackEffectVersion(EFFECT_MAJOR_VERSION, EFFECT_MINOR_VERSION,
                                                  EFFECT_BUG_VERSION, EFFECT_STAGE_RELEASE,
                                                  EFFECT_BUILD_VERSION),
              "EFFECT_VERSION must be version 1.0, release stage, build 1");

constexpr int32_t EFFECT_OUT_FLAGS =
    PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr int32_t EFFECT_OUT_FLAGS2 =
    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
static_assert(EFFECT_OUT_FLAGS == 0x06000040, "output flags changed");
static_assert(EFFECT_OUT_FLAGS2 == 0x00001400, "output flags 2 changed");

constexpr uint16_t PIPL_VERSION_MAJOR = 2;
constexpr uint16_t PIPL_VERSION_MINOR = 0;
constexpr uint16_t EFFECT_SPEC_VERSION_MAJOR = 12;
constexpr uint16_t EFFECT_SPEC_VERSION_MINOR = 10;
constexpr uint16_t EFFECT_INFO_FLAGS = 0;
constexpr uint32_t EFFECT_RESERVED_INFO = 8;

// ---- where the host finds the list ---------------------------------------------
constexpr char PIPL_RESOURCE_TYPE[] = "PIPL";    // Windows resource type
constexpr uint16_t PIPL_RESOURCE_ID = 16000;
constexpr uint16_t PIPL_RESOURCE_LANGUAGE = 1033;  // US English
constexpr char PIPL_SECTION_NAME[] = "PIPL";     // ELF section of the Linux build

// The key of the property that names the entry point also tells the host
// which processor the code is for. The two Windows lists differ in this key
// alone.
constexpr char PIPL_ENTRY_KEY_X86[] = "wx86";  // 32-bit x86
constexpr char PIPL_ENTRY_KEY_X64[] = "8664";  // 64-bit x86

// ---- the byte image --------------------------------------------------------------
// Little-endian throughout. A 10-byte header (version 16-bit, reserved
// 32-bit, property count 32-bit), then per property: vendor code, key,
// identifier 0 (32-bit), value length (32-bit), the value, and zero bytes
// that round the value up to a multiple of 4 bytes. Four-character codes
// are stored with their bytes reversed: "8BIM" is written M, I, B, 8.
constexpr uint16_t PIPL_HEADER_VERSION = 1;
constexpr uint32_t PIPL_PROPERTY_COUNT = 12;
constexpr size_t PIPL_HEADER_SIZE = 10;
constexpr size_t PIPL_PROPERTY_HEADER_SIZE = 16;
constexpr char PIPL_VENDOR[] = "8BIM";
constexpr char PIPL_KIND_EFFECT[] = "eFKT";

constexpr size_t PiplPadded(size_t length) { return (length + 3) & ~static_cast<size_t>(3); }

// Length-prefixed and zero-terminated strings both take one byte more than
// their text and are zero-filled to a multiple of 4.
template <size_t N>
constexpr size_t PiplStringFieldSize(const char (&)[N]) {
    return PiplPadded(N);
}

constexpr size_t PIPL_NAME_FIELD_SIZE = PiplStringFieldSize(EFFECT_NAME);
constexpr size_t PIPL_CATEGORY_FIELD_SIZE = PiplStringFieldSize(EFFECT_CATEGORY);
constexpr size_t PIPL_ENTRY_FIELD_SIZE = PiplStringFieldSize(EFFECT_ENTRY_POINT);
constexpr size_t PIPL_MATCH_NAME_FIELD_SIZE = PiplStringFieldSize(EFFECT_MATCH_NAME);
static_assert(sizeof(EFFECT_NAME) - 1 <= 255 && sizeof(EFFECT_CATEGORY) - 1 <= 255 &&
                  sizeof(EFFECT_MATCH_NAME) - 1 <= 255,
              "a length-prefixed string holds at most 255 characters");

// Value lengths of the twelve properties, in the order they are written.
constexpr size_t PIPL_VALUE_LENGTHS[PIPL_PROPERTY_COUNT] = {
    4,                           // kind
    PIPL_NAME_FIELD_SIZE,        // name
    PIPL_CATEGORY_FIELD_SIZE,    // catg
    PIPL_ENTRY_FIELD_SIZE,       // wx86 or 8664
    4,                           // ePVR
    4,                           // eSVR
    4,                           // eVER
    2,                           // eINF
    4,                           // eGLO
    4,                           // eGL2
    PIPL_MATCH_NAME_FIELD_SIZE,  // eMNA
    4,                           // aeFL
};

constexpr size_t PiplImageSize() {
    size_t size = PIPL_HEADER_SIZE;
    for (size_t length : PIPL_VALUE_LENGTHS) size += PIPL_PROPERTY_HEADER_SIZE + PiplPadded(length);
    return size;
}
constexpr size_t PIPL_IMAGE_SIZE = PiplImageSize();

using PiplImage = std::array<uint8_t, PIPL_IMAGE_SIZE>;

// Writes the image front to back; `position` ends at the image's size.
struct PiplWriter {
    PiplImage bytes{};
    size_t position = 0;
    size_t property = 0;
    size_t value_end = 0;
    bool overflow = false;  // a value longer than its declared length

    constexpr void U8(uint32_t value) { bytes[position++] = static_cast<uint8_t>(value & 0xFF); }
    constexpr void U16(uint32_t value) {
        U8(value);
        U8(value >> 8);
    }
    constexpr void U32(uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    constexpr void Code(const char (&code)[5]) {
        for (size_t i = 4; i > 0; --i) U8(static_cast<uint8_t>(code[i - 1]));
    }
    constexpr void Zeros(size_t count) {
        for (size_t i = 0; i < count; ++i) U8(0);
    }

    constexpr void Begin(const char (&key)[5]) {
        Code(PIPL_VENDOR);
        Code(key);
        U32(0);
        U32(static_cast<uint32_t>(PIPL_VALUE_LENGTHS[property]));
        value_end = position + PIPL_VALUE_LENGTHS[property];
    }
    // Zero-fills the rest of the value and its padding.
    constexpr void End() {
        if (position > value_end) {
            overflow = true;
            return;
        }
        Zeros(value_end - position);
        Zeros(PiplPadded(PIPL_VALUE_LENGTHS[property]) - PIPL_VALUE_LENGTHS[property]);
        ++property;
    }

    template <size_t N>
    constexpr void PascalString(const char (&text)[N]) {
        U8(static_cast<uint32_t>(N - 1));
        for (size_t i = 0; i + 1 < N; ++i) U8(static_cast<uint8_t>(text[i]));
    }
    template <size_t N>
    constexpr void CString(const char (&text)[N]) {
        for (size_t i = 0; i < N; ++i) U8(static_cast<uint8_t>(text[i]));
    }
};

constexpr PiplWriter WritePipl(const char (&entry_key)[5]) {
    PiplWriter w;
    w.U16(PIPL_HEADER_VERSION);
    w.U32(0);
    w.U32(PIPL_PROPERTY_COUNT);

    w.Begin("kind"), w.Code(PIPL_KIND_EFFECT), w.End();
    w.Begin("name"), w.PascalString(EFFECT_NAME), w.End();
    w.Begin("catg"), w.PascalString(EFFECT_CATEGORY), w.End();
    w.Begin(entry_key), w.CString(EFFECT_ENTRY_POINT), w.End();
    w.Begin("ePVR"), w.U16(PIPL_VERSION_MAJOR), w.U16(PIPL_VERSION_MINOR), w.End();
    w.Begin("eSVR"), w.U16(EFFECT_SPEC_VERSION_MAJOR), w.U16(EFFECT_SPEC_VERSION_MINOR), w.End();
    w.Begin("eVER"), w.U32(EFFECT_VERSION), w.End();
    w.Begin("eINF"), w.U16(EFFECT_INFO_FLAGS), w.End();
    w.Begin("eGLO"), w.U32(static_cast<uint32_t>(EFFECT_OUT_FLAGS)), w.End();
    w.Begin("eGL2"), w.U32(static_cast<uint32_t>(EFFECT_OUT_FLAGS2)), w.End();
    w.Begin("eMNA"), w.PascalString(EFFECT_MATCH_NAME), w.End();
    w.Begin("aeFL"), w.U32(EFFECT_RESERVED_INFO), w.End();
    return w;
}

constexpr bool PiplWrittenExactly(const PiplWriter& w) {
    return !w.overflow && w.property == PIPL_PROPERTY_COUNT && w.position == PIPL_IMAGE_SIZE;
}

constexpr PiplWriter PIPL_WRITTEN = WritePipl(PIPL_ENTRY_KEY_X86);
constexpr PiplWriter PIPL_WRITTEN_X64 = WritePipl(PIPL_ENTRY_KEY_X64);
static_assert(PiplWrittenExactly(PIPL_WRITTEN) && PiplWrittenExactly(PIPL_WRITTEN_X64),
              "every property written, every value within its length, the image filled exactly");

// The complete property list, byte for byte as the host reads it: the
// 32-bit Windows build's, and the Linux build's, which has carried this
// list (entry point under "wx86") from the start.
constexpr PiplImage PIPL_IMAGE = PIPL_WRITTEN.bytes;
// The 64-bit Windows build's: the same list with the entry point under "8664".
constexpr PiplImage PIPL_IMAGE_X64 = PIPL_WRITTEN_X64.bytes;

#endif
