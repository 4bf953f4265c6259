// SIGINT (Ctrl-C) and SIGTERM (what Slurm and other schedulers send at a
// job's time limit) caught for as long as a run needs to stop in order:
// the run looks at Caught() between frames, keeps what it has finished and
// ends with the status a shell gives a process the signal ended
// (128 + signal: 130 and 143).
#ifndef FOLVEK_CLI_INTERRUPT_H
#define FOLVEK_CLI_INTERRUPT_H

#include <signal.h>

#include <string>

namespace runner::cli {

class InterruptCatcher {
public:
    // Catches both signals until destroyed; a signal ignored when the
    // tool started (nohup, a background job of a script) stays ignored.
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // The signal caught since the last catcher was made, or 0; still there
    // once the catcher is gone, for the exit status.
    static int Caught();

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

// "SIGINT", "SIGTERM".
std::string SignalName(int signal);

}  // namespace runner::cli

#endif
