#include "cli/interrupt.h"

#include <atomic>

namespace runner::cli {
namespace {

std::atomic<int> g_caught{0};

extern "C" void OnInterrupt(int signal) { g_caught.store(signal); }

void Catch(int signal, struct sigaction* old) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, old);
    if (old->sa_handler == SIG_IGN) sigaction(signal, old, nullptr);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
    g_caught.store(0);
    Catch(SIGINT, &old_int_);
    Catch(SIGTERM, &old_term_);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
}

int InterruptCatcher::Caught() { return g_caught.load(); }

std::string SignalName(int signal) {
    if (signal == SIGINT) return "SIGINT";
    if (signal == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(signal);
}

}  // namespace runner::cli
