// Running melt so that its own start-up race neither fails nor hangs a test.
//
// melt 7.12's avformat consumer starts its encoding thread before it marks
// itself running. A thread that gets through its set-up first finds the
// consumer not running, encodes nothing and reports it stopped: melt then
// exits 0 without a frame or, when that report came before the mark, waits
// for ever with no thread left to end it. Beside four busy loops on two
// cores, without any filter, about one run in ten did one or the other.
//
// Where the system allows it, melt runs at real-time (FIFO) priority on one
// processor: the thread that starts the consumer then goes on until it
// sleeps, marking the consumer running before the new thread can start
// (80 runs of 80 wrote their frames under that load). Where it does not, or
// should the race strike anyway, a run that exits 0 without a frame, or
// that stops using the processor before writing one, is started again, at
// most MELT_ATTEMPTS times in all, each time saying why. A run that wrote a
// frame is never repeated.
#ifndef FOLVEK_TESTS_FREI0R_MELT_RUN_H
#define FOLVEK_TESTS_FREI0R_MELT_RUN_H

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tool_support.h"

namespace frei0r_test {

constexpr int MELT_ATTEMPTS = 5;
// A melt that has written no frame and used no processor time for this
// long is waiting for ever; a working one uses it all the time.
constexpr int MELT_IDLE_SECONDS = 3;

// "chrt -f 1 taskset -c N " where this process may use real-time
// scheduling, else nothing.
inline std::string MeltPriority() {
    static const bool allowed = std::system("chrt -f 1 true > /dev/null 2>&1") == 0;
    const int cpu = sched_getcpu();  // one this process may use
    return allowed && cpu >= 0 ? "chrt -f 1 taskset -c " + std::to_string(cpu) + " " : "";
}

// User and system time of process `pid`, all its threads, in clock ticks;
// -1 once it is gone.
inline long ProcessorTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t name_end = text.rfind(')');  // the name may hold spaces and parentheses
    if (name_end == std::string::npos) return -1;
    std::istringstream fields(text.substr(name_end + 1));
    std::string skipped;
    for (int field = 3; field <= 13; ++field) fields >> skipped;
    long user = 0;
    long system = 0;
    fields >> user >> system;
    return fields ? user + system : -1;
}

struct MeltRun {
    RunResult result;
    bool idle = false;  // stopped: no frame and no processor time for MELT_IDLE_SECONDS
};

// One run of `command` (melt ...) in `dir`, as RunCommand runs it, watched:
// stopped when idle as above, or after TOOL_SECONDS (code TIMED_OUT).
inline MeltRun RunMeltOnce(const ScratchDir& dir, const std::string& env, const std::string& command,
                           const std::string& first_frame) {
    static int counter = 0;
    const std::string base = dir.Path() + ".melt" + std::to_string(counter++);
    // exec all the way, so that the child's process is melt itself.
    const std::string line = "cd " + Quote(dir.Path()) + " && exec env FREI0R_PATH=" + Quote(FREI0R_DIR) + " " +
                             env + " " + MeltPriority() + command + " > " + Quote(base + ".out") + " 2> " +
                             Quote(base + ".err") + " < /dev/null";
    MeltRun run;
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(pid, pid);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point busy = start;
    Clock::time_point stop_sent;
    long ticks = 0;
    bool stopping = false;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        usleep(100000);
        const Clock::time_point now = Clock::now();
        // A lone tick now and then is a sleeping loop waking up.
        if (const long t = ProcessorTicks(pid); t > ticks + 1) {
            ticks = t;
            busy = now;
        }
        if (!stopping) {
            run.idle = now - busy > std::chrono::seconds(MELT_IDLE_SECONDS) && !std::ifstream(dir / first_frame);
            if (run.idle || now - start > std::chrono::seconds(TOOL_SECONDS)) {
                kill(-pid, SIGTERM);  // melt ends cleanly on it
                stopping = true;
                stop_sent = now;
            }
        } else if (now - stop_sent > std::chrono::seconds(5)) {
            kill(-pid, SIGKILL);
        }
    }
    run.result.code = stopping ? TIMED_OUT : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.result.out = cli_test::ReadText(base + ".out");
    run.result.err = cli_test::ReadText(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return run;
}

// melt's run of `command`, started again while it fails as above.
inline RunResult RunMelt(const ScratchDir& dir, const std::string& env, const std::string& command,
                         const std::string& first_frame) {
    for (int attempt = 1;; ++attempt) {
        const MeltRun run = RunMeltOnce(dir, env, command, first_frame);
        const bool empty = run.result.code == 0 && !std::ifstream(dir / first_frame);
        if (!(empty || run.idle) || attempt == MELT_ATTEMPTS) return run.result;
        std::printf("melt %s; running it again (attempt %d of %d)\n",
                    run.idle ? "wrote no frame and used no processor time for 3 s" : "exited 0 without writing a frame",
                    attempt + 1, MELT_ATTEMPTS);
        std::fflush(stdout);
    }
}

}  // namespace frei0r_test

#endif
