// Loading an effect library: the only file with platform code in it.
#include "runner/loader/effect_library.h"

#include <stdio.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "runner/loader/elf_sections.h"

namespace runner {

namespace {

constexpr const char* PIPL_SECTION = "PIPL";

#ifdef _WIN32
constexpr WORD PIPL_RESOURCE_ID = 16000;
constexpr WORD PIPL_LANGUAGE = 1033;

std::string LastWindowsError() {
    return "error " + std::to_string(static_cast<unsigned long>(GetLastError()));
}

Expected<std::vector<uint8_t>> PiplFromModule(HMODULE module, const std::string& path) {
    HRSRC resource = FindResourceExA(module, PIPL_SECTION, MAKEINTRESOURCEA(PIPL_RESOURCE_ID),
                                     PIPL_LANGUAGE);
    if (resource == nullptr) return Failure{path + ": no PiPL resource"};
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    if (data == nullptr) return Failure{path + ": cannot load its PiPL resource"};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}
#endif

bool FileExists(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    fclose(file);
    return true;
}

}  // namespace

#ifdef _WIN32

Expected<std::vector<uint8_t>> ReadPiplBytes(const std::string& path) {
    if (!FileExists(path)) return Failure{path + ": no such file"};
    // As a data file: the PiPL is read before any of the library's code runs.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return Failure{path + ": not a library (" + LastWindowsError() + ")"};
    Expected<std::vector<uint8_t>> bytes = PiplFromModule(module, path);
    FreeLibrary(module);
    return bytes;
}

Expected<std::shared_ptr<EffectLibrary>> EffectLibrary::Load(const std::string& path) {
    Expected<std::vector<uint8_t>> bytes = ReadPiplBytes(path);
    if (!bytes) return Failure{bytes.Error()};
    Expected<Pipl> pipl = ParsePipl(bytes.Value().data(), bytes.Value().size());
    if (!pipl) return Failure{path + ": " + pipl.Error()};

    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        return Failure{path + ": cannot load library (" + LastWindowsError() + ")"};
    }
    FARPROC symbol = GetProcAddress(module, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        FreeLibrary(module);
        return Failure{path + ": no " PF_ENTRY_POINT_NAME};
    }
    std::shared_ptr<EffectLibrary> library(new EffectLibrary);
    library->path_ = path;
    library->pipl_ = pipl.TakeValue();
    library->module_ = module;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(reinterpret_cast<void*>(symbol));
    return library;
}

EffectLibrary::~EffectLibrary() {
    if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

#else

Expected<std::vector<uint8_t>> ReadPiplBytes(const std::string& path) {
    Expected<std::vector<uint8_t>> file = ReadFileBytes(path);
    if (!file) return Failure{FileExists(path) ? file.Error() : path + ": no such file"};
    Expected<std::vector<uint8_t>> section =
        ReadElfSection(file.Value().data(), file.Value().size(), PIPL_SECTION);
    if (!section) return Failure{path + ": " + section.Error()};
    return section;
}

Expected<std::shared_ptr<EffectLibrary>> EffectLibrary::Load(const std::string& path) {
    Expected<std::vector<uint8_t>> bytes = ReadPiplBytes(path);
    if (!bytes) return Failure{bytes.Error()};
    Expected<Pipl> pipl = ParsePipl(bytes.Value().data(), bytes.Value().size());
    if (!pipl) return Failure{path + ": " + pipl.Error()};

    // RTLD_LOCAL: two effects (or two builds of one) never share symbols.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        return Failure{path + ": cannot load library (" + (why ? why : "unknown") + ")"};
    }
    void* symbol = dlsym(module, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        dlclose(module);
        return Failure{path + ": no " PF_ENTRY_POINT_NAME};
    }
    std::shared_ptr<EffectLibrary> library(new EffectLibrary);
    library->path_ = path;
    library->pipl_ = pipl.TakeValue();
    library->module_ = module;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(symbol);
    return library;
}

EffectLibrary::~EffectLibrary() {
    if (module_ != nullptr) dlclose(module_);
}

#endif

}  // namespace runner
