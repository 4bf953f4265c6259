// Routing of callbacks to their session. The callbacks carry no context of
// ours (a handle allocation passes only a size), so each thread remembers
// the session whose command it is running.
#include "runner/session_state.h"

namespace runner {

namespace {

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
