// Loading an effect library: with private_copy.cpp, the host's only platform code.
#include "runner/loader/effect_library.h"

#include <stdio.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include <map>
#include <mutex>
#endif

#include "runner/loader/elf_sections.h"
#include "runner/loader/private_copy.h"

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

#ifdef _WIN32
// The raw PiPL bytes of a library file, without keeping it loaded.
Result<std::vector<uint8_t>> ReadPiplBytes(const std::string& path) {
    if (!FileExists(path)) return Error{path + ": no such file"};
    // As a data file: the PiPL is read before any of the library's code runs.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return Error{path + ": not a library (" + LastWindowsError() + ")"};
    Result<std::vector<uint8_t>> bytes = PiplFromModule(module, path);
    FreeLibrary(module);
    return bytes;
}
#endif

}  // namespace

#ifdef _WIN32

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

namespace {

Result<std::vector<uint8_t>> ReadLibraryFile(const std::string& path) {
    Result<std::vector<uint8_t>> file = ReadFileBytes(path);
    if (!file) return Error{FileExists(path) ? file.error().message : path + ": no such file"};
    return file;
}

Result<std::vector<uint8_t>> PiplSection(const std::vector<uint8_t>& file, const std::string& path) {
    Result<std::vector<uint8_t>> section = ReadElfSection(file.data(), file.size(), PIPL_SECTION);
    if (!section) return Error{path + ": " + section.error().message};
    return section;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() || name == "." || name == ".." ? std::string("effect.so") : name;
}

}  // namespace

Result<std::shared_ptr<EffectLibrary>> EffectLibrary::Load(const std::string& path) {
    // Sessions that ask for the same path while it is loaded share one
    // loaded copy, as the system loader would give them one image of a
    // file it had already loaded.
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<EffectLibrary>> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    if (std::shared_ptr<EffectLibrary> live = loaded[path].lock()) return live;
    for (auto it = loaded.begin(); it != loaded.end();) it = it->second.expired() ? loaded.erase(it) : std::next(it);

    Result<std::vector<uint8_t>> file = ReadLibraryFile(path);
    if (!file) return Error{file.error().message};
    Result<std::vector<uint8_t>> bytes = PiplSection(file.value(), path);
    if (!bytes) return Error{bytes.error().message};
    Result<Pipl> pipl = ParsePipl(bytes.value().data(), bytes.value().size());
    if (!pipl) return Error{path + ": " + pipl.error().message};

    // The bytes just read, from a private copy (see private_copy.h), so that
    // a rewrite of the file cannot change the running library; the file
    // itself where no copy can be made or loaded (a full or noexec
    // temporary folder, dependencies found beside the file).
    // RTLD_LOCAL: two effects (or two builds of one) never share symbols.
    PrivateCopy copy;
    void* module = nullptr;
    if (Result<PrivateCopy> written = WritePrivateCopy(file.value(), FileNameOf(path))) {
        copy = std::move(*written);
        module = dlopen(copy.file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            RemovePrivateCopy(copy);
            copy = PrivateCopy{};
        }
    }
    if (module == nullptr) module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        return Error{path + ": cannot load library (" + (why ? why : "unknown") + ")"};
    }
    void* symbol = dlsym(module, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        dlclose(module);
        RemovePrivateCopy(copy);
        return Error{path + ": no " PF_ENTRY_POINT_NAME};
    }
    std::shared_ptr<EffectLibrary> library(new EffectLibrary);
    library->path_ = path;
    library->pipl_ = std::move(*pipl);
    library->module_ = module;
    library->copy_ = copy;
    library->entry_ = reinterpret_cast<PF_EntryPointFunc>(symbol);
    loaded[path] = library;
    return library;
}

EffectLibrary::~EffectLibrary() {
    if (module_ != nullptr) dlclose(module_);
    RemovePrivateCopy(copy_);
}

#endif

}  // namespace runner
