// Routing of callbacks to their session. The callbacks carry no context of
// ours (a handle allocation passes only a size), so each thread remembers
// the session whose command it is running.
#include "runner/core/session_state.h"

namespace runner {

namespace {

// Initial-exec: one pointer in the static TLS block, even when our host is
// part of a plug-in another program loads (the frei0r filter), so that every
// callback reaches it without __tls_get_addr and no dynamic TLS is left
// behind when such a plug-in is unloaded.
#if defined(__GNUC__) && !defined(_WIN32)
__attribute__((tls_model("initial-exec")))
#endif
thread_local Session::State* g_active = nullptr;

}  // namespace

Session::State* ActiveState() { return g_active; }

ActiveSession::ActiveSession(Session::State* state) : previous_(g_active) { g_active = state; }

ActiveSession::~ActiveSession() { g_active = previous_; }

Session::State* StateFor(PF_ProgPtr effect_ref) {
    Session::State* state = g_active;
    return (state != nullptr && effect_ref == static_cast<PF_ProgPtr>(state)) ? state : nullptr;
}

}  // namespace runner
