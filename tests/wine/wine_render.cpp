// Loads the Windows build of the effect as a host would: checks its PIPL
// resource, finds EntryPointFunc, and renders the shared scene list through
// our host library, one frame file per scene. Run under wine.
//
//     wine_render.exe FolvekRingStride.aex OUTPUT_DIR
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/host_api.h"
#include "resources/pipl.h"
#include "runner/loader/effect_library.h"
#include "scene_render.h"

namespace {

// The list this build of the effect carries: the entry point under "8664"
// in the 64-bit DLL, under "wx86" in the 32-bit one.
#ifdef _WIN64
constexpr const PiplImage& BUILT_PIPL = PIPL_IMAGE_X64;
constexpr const char* BUILT_ENTRY_KEY = PIPL_ENTRY_KEY_X64;
#else
constexpr const PiplImage& BUILT_PIPL = PIPL_IMAGE;
constexpr const char* BUILT_ENTRY_KEY = PIPL_ENTRY_KEY_X86;
#endif

struct Enumerated {
    std::vector<std::string> names;
    std::vector<WORD> languages;
};

BOOL CALLBACK OnName(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
    auto* seen = reinterpret_cast<Enumerated*>(context);
    seen->names.push_back(IS_INTRESOURCE(name)
                              ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                              : std::string(name));
    return TRUE;
}

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR context) {
    reinterpret_cast<Enumerated*>(context)->languages.push_back(language);
    return TRUE;
}

uint32_t Le32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// The key of the property of BUILT_PIPL that holds byte `offset`, in
// reading order ("name"), or "header".
std::string PropertyAt(size_t offset) {
    size_t at = PIPL_HEADER_SIZE;
    if (offset < at) return "header";
    while (at + PIPL_PROPERTY_HEADER_SIZE <= PIPL_IMAGE_SIZE) {
        const size_t next = at + PIPL_PROPERTY_HEADER_SIZE + PiplPadded(Le32(&BUILT_PIPL[at + 12]));
        if (offset < next) {
            std::string key;
            for (size_t i = 4; i > 0; --i) key += static_cast<char>(BUILT_PIPL[at + 3 + i]);
            return key;
        }
        at = next;
    }
    return "beyond the last property";
}

// Exactly one PIPL resource, 16000 in language 1033, holding the image.
bool CheckPipl(HMODULE module) {
    Enumerated seen;
    EnumResourceNamesA(module, PIPL_RESOURCE_TYPE, OnName, reinterpret_cast<LONG_PTR>(&seen));
    const std::string expected_name = "#" + std::to_string(PIPL_RESOURCE_ID);
    if (seen.names.size() != 1 || seen.names[0] != expected_name) {
        printf("PIPL: expected one resource %s, found %u\n", expected_name.c_str(),
               static_cast<unsigned>(seen.names.size()));
        for (const std::string& name : seen.names) printf("  %s\n", name.c_str());
        return false;
    }
    EnumResourceLanguagesA(module, PIPL_RESOURCE_TYPE, MAKEINTRESOURCEA(PIPL_RESOURCE_ID),
                           OnLanguage, reinterpret_cast<LONG_PTR>(&seen));
    if (seen.languages.size() != 1 || seen.languages[0] != PIPL_RESOURCE_LANGUAGE) {
        printf("PIPL: expected language %u only, found %u languages\n",
               static_cast<unsigned>(PIPL_RESOURCE_LANGUAGE),
               static_cast<unsigned>(seen.languages.size()));
        return false;
    }

    HRSRC resource = FindResourceExA(module, PIPL_RESOURCE_TYPE,
                                     MAKEINTRESOURCEA(PIPL_RESOURCE_ID), PIPL_RESOURCE_LANGUAGE);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) {
        printf("PIPL: FindResourceExA / LoadResource failed (%lu)\n",
               static_cast<unsigned long>(GetLastError()));
        return false;
    }
    const size_t size = SizeofResource(module, resource);
    if (size != PIPL_IMAGE_SIZE) {
        printf("PIPL: %u bytes, expected %u\n", static_cast<unsigned>(size),
               static_cast<unsigned>(PIPL_IMAGE_SIZE));
        return false;
    }
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != BUILT_PIPL[i]) {
            printf("PIPL: byte %u (in %s) is 0x%02x, expected 0x%02x\n", static_cast<unsigned>(i),
                   PropertyAt(i).c_str(), bytes[i], BUILT_PIPL[i]);
            return false;
        }
    }
    printf("PIPL: one resource %u/%u, %u bytes, all %u properties as expected\n",
           static_cast<unsigned>(PIPL_RESOURCE_ID), static_cast<unsigned>(PIPL_RESOURCE_LANGUAGE),
           static_cast<unsigned>(size), static_cast<unsigned>(PIPL_PROPERTY_COUNT));
    return true;
}

// Our host's own Windows loader must read the same list.
bool CheckHostLoader(const char* path) {
    auto loaded = runner::EffectLibrary::Load(path);
    if (!loaded) {
        printf("host loader: %s\n", loaded.error().message.c_str());
        return false;
    }
    const runner::Pipl& pipl = loaded.value()->PiplInfo();
    const bool ok = pipl.name == EFFECT_NAME && pipl.category == EFFECT_CATEGORY &&
                    pipl.match_name == EFFECT_MATCH_NAME &&
                    pipl.entry_point == EFFECT_ENTRY_POINT &&
                    pipl.entry_point_key == BUILT_ENTRY_KEY && pipl.version == EFFECT_VERSION &&
                    pipl.out_flags == EFFECT_OUT_FLAGS && pipl.out_flags2 == EFFECT_OUT_FLAGS2 &&
                    pipl.properties.size() == PIPL_PROPERTY_COUNT &&
                    loaded.value()->EntryPoint() != nullptr;
    if (!ok) printf("host loader: the PiPL it read is not the effect's\n");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: wine_render EFFECT.aex OUTPUT_DIR\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        printf("cannot load %s (error %lu)\n", argv[1], static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    if (!CheckPipl(module)) return 1;

    auto entry = reinterpret_cast<PF_EntryPointFunc>(
        reinterpret_cast<void*>(GetProcAddress(module, PF_ENTRY_POINT_NAME)));
    if (entry == nullptr) {
        printf("%s exports no %s\n", argv[1], PF_ENTRY_POINT_NAME);
        return 1;
    }
    if (!CheckHostLoader(argv[1])) return 1;

    const int status = scenes::RenderAllScenes(entry, argv[2]);
    FreeLibrary(module);
    return status;
}
