// in_data->utils and the handle and ANSI suites: memory, whole-world copy
// and fill, and the C library functions the effect must not take from its
// own runtime.
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runner/core/portable_math.h"
#include "runner/core/session_state.h"
#include "runner/core/suite_tables.h"

namespace runner {

namespace {

PF_Handle NewHandle(uint32_t size) {
    try {
        Session::State* s = ActiveState();
        if (s == nullptr) return nullptr;
        if (Session::State::Hit(&s->fault_counts.handle_allocations,
                                s->faults.fail_handle_allocation)) {
            return nullptr;
        }
        return s->handles.New(size);
    } catch (...) {
        return nullptr;
    }
}

void* LockHandle(PF_Handle handle) {
    try {
        Session::State* s = ActiveState();
        if (s == nullptr) return nullptr;
        if (Session::State::Hit(&s->fault_counts.locks, s->faults.fail_lock)) return nullptr;
        return s->handles.Lock(handle);
    } catch (...) {
        return nullptr;
    }
}

void UnlockHandle(PF_Handle handle) {
    Session::State* s = ActiveState();
    if (s != nullptr) s->handles.Unlock(handle);
}

void DisposeHandle(PF_Handle handle) {
    Session::State* s = ActiveState();
    if (s != nullptr) s->handles.Dispose(handle);
}

uint32_t HandleSize(PF_Handle handle) {
    Session::State* s = ActiveState();
    return s == nullptr ? 0 : s->handles.SizeOf(handle);
}

bool RectInside(const PF_Rect& r, const PF_EffectWorld& w) {
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom &&
           r.right <= w.width && r.bottom <= w.height;
}

PF_Rect WholeRect(const PF_EffectWorld& w) { return PF_Rect{0, 0, w.width, w.height}; }

PF_Err Copy(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_rect,
            PF_Rect* dst_rect) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        ++s->copy_calls;
        if (s->faults.fail_copy) return s->faults.error;
        World* from = s->KnownWorld(src);
        World* to = s->KnownWorld(dst);
        if (from == nullptr || to == nullptr || from->Format() != to->Format()) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const PF_EffectWorld& fw = *from->Def();
        const PF_EffectWorld& tw = *to->Def();
        if (src_rect == nullptr && dst_rect == nullptr) return CopyWorld(&fw, to->Def());
        // Rectangles: the same size in both, inside both worlds.
        const PF_Rect a = src_rect ? *src_rect : WholeRect(fw);
        const PF_Rect b = dst_rect ? *dst_rect : WholeRect(tw);
        if (!RectInside(a, fw) || !RectInside(b, tw) || a.right - a.left != b.right - b.left ||
            a.bottom - a.top != b.bottom - b.top) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const size_t bpp = static_cast<size_t>(BytesPerPixel(from->Format()));
        const size_t bytes = static_cast<size_t>(a.right - a.left) * bpp;
        for (int32_t y = 0; y < a.bottom - a.top; ++y) {
            memmove(to->Row(b.top + y) + static_cast<size_t>(b.left) * bpp,
                    from->Row(a.top + y) + static_cast<size_t>(a.left) * bpp, bytes);
        }
        return PF_Err_NONE;
    });
}

PF_Err Fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
            PF_EffectWorld* world) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        ++s->fill_calls;
        if (s->faults.fail_fill) return s->faults.error;
        World* w = s->KnownWorld(world);
        if (w == nullptr || color == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (dst_rect == nullptr) return FillWorld(*color, w->Def());
        if (!RectInside(*dst_rect, *w->Def())) return PF_Err_BAD_CALLBACK_PARAM;
        // A part of the world: fill a one-row world, then stamp it.
        const int32_t width = dst_rect->right - dst_rect->left;
        Result<World> row = World::Create(w->Format(), width, 1);
        if (!row) return PF_Err_OUT_OF_MEMORY;
        const PF_Err err = FillWorld(*color, row.value().Def());
        if (err != PF_Err_NONE) return err;
        const size_t bpp = static_cast<size_t>(BytesPerPixel(w->Format()));
        for (int32_t y = dst_rect->top; y < dst_rect->bottom; ++y) {
            memcpy(w->Row(y) + static_cast<size_t>(dst_rect->left) * bpp, row.value().Row(0),
                   static_cast<size_t>(width) * bpp);
        }
        return PF_Err_NONE;
    });
}

double AnsiFloor(double x) { return floor(x); }
double AnsiSqrt(double x) { return sqrt(x); }

char* AnsiStrcpy(char* dst, const char* src) {
    if (dst == nullptr || src == nullptr) return dst;
    return strcpy(dst, src);
}

// The C library's contract: the caller's buffer must hold the result.
int AnsiSprintf(char* dst, const char* format, ...) {
    if (dst == nullptr || format == nullptr) return -1;
    va_list args;
    va_start(args, format);
    const int written = vsprintf(dst, format, args);
    va_end(args);
    return written;
}

}  // namespace

const PF_ANSICallbacksSuite1 ANSI_SUITE = {AnsiFloor,  PortableHypot, PortablePow,
                                           AnsiSqrt,   AnsiStrcpy,    AnsiSprintf};

namespace {

// The same memory through "PF Handle Suite" 1, served only while it is held.
PF_Handle SuiteNewHandle(uint32_t size) {
    return SuiteHeld(ActiveState(), SERVED_HANDLE, "host_new_handle") ? NewHandle(size) : nullptr;
}
void* SuiteLockHandle(PF_Handle handle) {
    return SuiteHeld(ActiveState(), SERVED_HANDLE, "host_lock_handle") ? LockHandle(handle) : nullptr;
}
void SuiteUnlockHandle(PF_Handle handle) {
    if (SuiteHeld(ActiveState(), SERVED_HANDLE, "host_unlock_handle")) UnlockHandle(handle);
}
void SuiteDisposeHandle(PF_Handle handle) {
    if (SuiteHeld(ActiveState(), SERVED_HANDLE, "host_dispose_handle")) DisposeHandle(handle);
}
uint32_t SuiteHandleSize(PF_Handle handle) {
    return SuiteHeld(ActiveState(), SERVED_HANDLE, "host_get_handle_size") ? HandleSize(handle) : 0;
}

}  // namespace

const PF_HandleSuite1 HANDLE_SUITE = {SuiteNewHandle, SuiteLockHandle, SuiteUnlockHandle, SuiteDisposeHandle,
                                       SuiteHandleSize};

const PF_UtilCallbacks UTIL_CALLBACKS = {Copy, Fill, NewHandle, DisposeHandle, ANSI_SUITE};

}  // namespace runner
