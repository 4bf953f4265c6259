// A loaded effect no longer depends on its file: rewriting the file in place
// (cp over it) took the loaded library's relocated tables back to the
// file's link-time offsets and the next command jumped to one of them.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "runner/loader/effect_open.h"

namespace {

namespace fs = std::filesystem;

std::string EffectBytes() {
    std::ifstream in(RINGSTRIDE_EFFECT_PATH, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Truncates and writes the same file, as cp does when the target exists.
void WriteInPlace(const fs::path& file, const std::string& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ftruncate(fileno(f), 0), 0);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

fs::path ScratchCopy(const std::string& name) {
    const fs::path file = fs::path(testing::TempDir()) / (name + "_" + std::to_string(getpid()) + ".so");
    fs::remove(file);
    fs::copy_file(RINGSTRIDE_EFFECT_PATH, file);
    return file;
}

TEST(LibraryFile, CommandsStillRunAfterTheFileIsRewrittenInPlace) {
    const std::string bytes = EffectBytes();
    const struct {
        const char* what;
        std::string rewritten_with;
    } cases[] = {{"the same bytes", bytes}, {"nothing", ""}};
    for (const auto& c : cases) {
        const fs::path file = ScratchCopy("rewritten");
        auto library = runner::EffectLibrary::Load(file.string());
        ASSERT_TRUE(library.has_value()) << library.error().message;
        runner::Session first(library.value()->EntryPoint(), library.value());
        ASSERT_EQ(first.About().err, PF_Err_NONE);
        WriteInPlace(file, c.rewritten_with);
        runner::Session second(library.value()->EntryPoint(), library.value());
        EXPECT_EQ(second.About().err, PF_Err_NONE) << c.what;
        EXPECT_EQ(first.GlobalSetup().err, PF_Err_NONE) << c.what;
        fs::remove(file);
    }
}

TEST(LibraryFile, LoadsOfOnePathShareOneCopyWhichGoesWithTheLastUser) {
    const fs::path file = ScratchCopy("shared");
    auto a = runner::EffectLibrary::Load(file.string());
    auto b = runner::EffectLibrary::Load(file.string());
    ASSERT_TRUE(a.has_value() && b.has_value());
    EXPECT_EQ(a.value().get(), b.value().get());
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(a.value()->EntryPoint()), &info), 0);
    const fs::path loaded = info.dli_fname;
    EXPECT_NE(loaded, file);
    EXPECT_TRUE(fs::exists(loaded));
    a = runner::Error{"released"};
    EXPECT_TRUE(fs::exists(loaded));
    b = runner::Error{"released"};
    EXPECT_FALSE(fs::exists(loaded));
    EXPECT_FALSE(fs::exists(loaded.parent_path()));
    EXPECT_TRUE(runner::EffectLibrary::Load(file.string()).has_value());
    fs::remove(file);
}

}  // namespace
