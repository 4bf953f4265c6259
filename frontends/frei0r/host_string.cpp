#include "frei0r/host_string.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace runner::frei0r {
namespace {

size_t PageSize() {
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<size_t>(size) : 4096;
}

// A pipe copies memory the same way: write() answers EFAULT for bytes it
// may not read.
bool CopyThroughPipe(uintptr_t from, size_t n, char* to) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    bool ok = write(fds[1], reinterpret_cast<const void*>(from), n) == static_cast<ssize_t>(n);
    size_t done = 0;
    while (ok && done < n) {
        const ssize_t got = read(fds[0], to + done, n - done);
        ok = got > 0;
        if (ok) done += static_cast<size_t>(got);
    }
    close(fds[0]);
    close(fds[1]);
    return ok;
}

// One piece that lies within one page (no more than a pipe holds), copied
// by the kernel on our behalf: a page we may not read gives an error, never
// a fault. The pipe serves where process_vm_readv is not allowed (some
// sandboxes forbid it).
bool CopyPiece(uintptr_t from, size_t n, char* to) {
#ifdef __linux__
    iovec local{to, n};
    iovec remote{reinterpret_cast<void*>(from), n};
    const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (got == static_cast<ssize_t>(n)) return true;
    if (got >= 0 || errno == EFAULT) return false;
#endif
    return CopyThroughPipe(from, n, to);
}

// The bytes from `from` up to the end of its page, at most `limit`.
size_t PieceAt(uintptr_t from, size_t limit) {
    const size_t page = PageSize();
    const size_t left_in_page = page - from % page;
    return left_in_page < limit ? left_in_page : limit;
}

// How many of the n bytes at `from` could be read (into `to`).
size_t CopyReadable(uintptr_t from, size_t n, char* to) {
    size_t done = 0;
    while (done < n) {
        const size_t piece = PieceAt(from + done, n - done);
        if (!CopyPiece(from + done, piece, to + done)) break;
        done += piece;
    }
    return done;
}

// The string at `from` when every byte of it up to its terminating NUL can
// be read; a page at a time, so that bytes beyond the NUL are never asked
// for outside the page that holds it.
std::optional<std::string> ReadableString(uintptr_t from) {
    std::string text;
    char buffer[4096];
    while (true) {
        const size_t piece = PieceAt(from, sizeof buffer);
        if (from + piece < from || !CopyPiece(from, piece, buffer)) return std::nullopt;
        const void* nul = std::memchr(buffer, '\0', piece);
        if (nul != nullptr) {
            text.append(buffer, static_cast<size_t>(static_cast<const char*>(nul) - buffer));
            return text;
        }
        text.append(buffer, piece);
        from += piece;
    }
}

}  // namespace

std::optional<std::string> HostString(const void* param) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(param);
    uintptr_t pointer = 0;
    char bytes[sizeof pointer];
    if (CopyReadable(at, sizeof bytes, bytes) == sizeof bytes) {
        std::memcpy(&pointer, bytes, sizeof pointer);
        if (pointer == 0) return std::string();
        if (std::optional<std::string> text = ReadableString(pointer)) return text;
    }
    return ReadableString(at);
}

}  // namespace runner::frei0r
