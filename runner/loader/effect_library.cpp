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

Result<std::vector<uint8_t>> PiplFromModule(HMODULE module, const std::string& path) {
    HRSRC resource = FindResourceExA(module, PIPL_SECTION, MAKEINTRESOURCEA(PIPL_RESOURCE_ID),
                                     PIPL_LANGUAGE);
    if (resource == nullptr) return Error{path + ": no PiPL resource"};
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    if (data == nullptr) return Error{path + ": cannot load its PiPL resource"};
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

Result<std::vector<uint8_t>> ReadPiplBytes(const std::string& path) {
    if (!FileExists(path)) return Error{path + ": no such file"};
    // As a data file: the PiPL is read before any of the library's code runs.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return Error{path + ": not a library (" + LastWindowsError() + ")"};
    Result<std::vector<uint8_t>> bytes = PiplFromModule(module, path);
    FreeLibrary(module);
    return bytes;
}

Result<std::shared_ptr<EffectLibrary>> EffectLibrary::Load(const std::string& path) {
    Result<std::vector<uint8_t>> bytes = ReadPiplBytes(path);
    if (!bytes) return Error{bytes.error().message};
    Result<Pipl> pipl = ParsePipl(bytes.value().data(), bytes.value().size());
    if (!pipl) return Error{path + ": " + pipl.error().message};

    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        return Error{path + ": cannot load library (" + LastWindowsError() + ")"};
    }
    FARPROC symbol = GetProcAddress(module, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        FreeLibrary(module);
        return Error{path + ": no " PF_ENTRY_POINT_NAME};
    }
    std::shared_ptr<EffectLibrary> library(new EffectLibrary);
    library->path_ = path;
    library->pipl_ = std::move(*pipl);
    library->module_ = module;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(reinterpret_cast<void*>(symbol));
    return library;
}

EffectLibrary::~EffectLibrary() {
    if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

#else

Result<std::vector<uint8_t>> ReadPiplBytes(const std::string& path) {
    Result<std::vector<uint8_t>> file = ReadFileBytes(path);
    if (!file) return Error{FileExists(path) ? file.error().message : path + ": no such file"};
    Result<std::vector<uint8_t>> section =
        ReadElfSection(file.value().data(), file.value().size(), PIPL_SECTION);
    if (!section) return Error{path + ": " + section.error().message};
    return section;
}

Result<std::shared_ptr<EffectLibrary>> EffectLibrary::Load(const std::string& path) {
    Result<std::vector<uint8_t>> bytes = ReadPiplBytes(path);
    if (!bytes) return Error{bytes.error().message};
    Result<Pipl> pipl = ParsePipl(bytes.value().data(), bytes.value().size());
    if (!pipl) return Error{path + ": " + pipl.error().message};

    // RTLD_LOCAL: two effects (or two builds of one) never share symbols.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        return Error{path + ": cannot load library (" + (why ? why : "unknown") + ")"};
    }
    void* symbol = dlsym(module, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        dlclose(module);
        return Error{path + ": no " PF_ENTRY_POINT_NAME};
    }
    std::shared_ptr<EffectLibrary> library(new EffectLibrary);
    library->path_ = path;
    library->pipl_ = std::move(*pipl);
    library->module_ = module;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(symbol);
    return library;
}

EffectLibrary::~EffectLibrary() {
    if (module_ != nullptr) dlclose(module_);
}

#endif

}  // namespace runner
