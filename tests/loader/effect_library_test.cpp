// Loading refuses what is not an effect library, and says which file.
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <string>

#include "runner/loader/effect_library.h"

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + name;
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

}  // namespace

TEST(EffectLibrary, FailuresNameThePath) {
    struct Case {
        const char* what;
        std::string path;
        const char* says;
        bool remove;
    };
    const Case cases[] = {
        {"missing file", testing::TempDir() + "no_such_effect.so", "no such file", false},
        {"text file", WriteTemp("not_an_effect.so", "just some text, not a library\n"), "ELF", true},
        {"empty file", WriteTemp("empty_effect.so", ""), "ELF", true},
        {"a program without a PiPL", "/proc/self/exe", "PIPL", false},
    };
    for (const Case& c : cases) {
        auto loaded = runner::EffectLibrary::Load(c.path);
        ASSERT_FALSE(loaded.has_value()) << c.what;
        EXPECT_NE(loaded.error().message.find(c.path), std::string::npos) << c.what << ": " << loaded.error().message;
        EXPECT_NE(loaded.error().message.find(c.says), std::string::npos) << c.what << ": " << loaded.error().message;
        if (c.remove) unlink(c.path.c_str());
    }
}
