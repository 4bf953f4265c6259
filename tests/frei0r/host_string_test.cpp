// A string parameter taken from either form a host passes it in, next to
// memory it may not read: a pointer to the char* (frei0r) or the char*
// itself (GStreamer while playing), the latter also when the text ends
// within the eight bytes a pointer would take.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "frei0r/host_string.h"

namespace {

using runner::frei0r::HostString;

// Two pages, the second one unreadable.
class GuardedPage {
public:
    GuardedPage() {
        size_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* p = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
        if (base_ != nullptr) mprotect(base_ + size_, size_, PROT_NONE);
    }
    ~GuardedPage() {
        if (base_ != nullptr) munmap(base_, 2 * size_);
    }
    // `text` with its NUL as the last bytes before the unreadable page.
    char* AtEnd(const char* text) {
        char* at = base_ + size_ - (std::strlen(text) + 1);
        std::memcpy(at, text, std::strlen(text) + 1);
        return at;
    }
    char* Unreadable() { return base_ + size_; }
    bool Ok() const { return base_ != nullptr; }

private:
    char* base_ = nullptr;
    size_t size_ = 0;
};

TEST(Frei0rHostString, EitherFormGivesTheText) {
    GuardedPage page;
    ASSERT_TRUE(page.Ok());
    const char* path = "M 34 150 L 200 20";
    const char* none = nullptr;
    char short_texts[][8] = {"", "M", "M 0 0", "abcdef"};  // zeros after the text
    const char* at_page_end = page.AtEnd("M 1 2");
    struct Case {
        const void* param;
        const char* want;
    } cases[] = {{&path, path}, {path, path}, {&none, ""}, {&at_page_end, "M 1 2"}, {at_page_end, "M 1 2"}};
    for (const Case& c : cases) {
        const std::optional<std::string> text = HostString(c.param);
        ASSERT_TRUE(text.has_value()) << c.want;
        EXPECT_EQ(*text, c.want);
    }
    for (char* text : short_texts) EXPECT_EQ(HostString(text), std::string(text));
    EXPECT_EQ(HostString(page.Unreadable()), std::nullopt);
}

}  // namespace
