// Progress of a long run on standard error: a bar redrawn in place on a
// terminal, otherwise a plain line every tenth of the way. The rate is
// frames done (rendered, or read for encode) per second since the run's
// first frame was asked for, and the time left is what that rate gives for
// the frames still to come; a video's encoder may still be busy after the
// last frame, which Phase() says.
#ifndef FOLVEK_CLI_PROGRESS_H
#define FOLVEK_CLI_PROGRESS_H

#include <stdint.h>

#include <chrono>
#include <string>

namespace runner::cli {

class Progress {
public:
    // `verb`: what a frame done is ("rendered", "read").
    Progress(int32_t total, bool terminal, std::string verb = "rendered");
    void Update(int32_t done);
    // Ends the bar's line (terminal) and says what the run does now
    // ("finishing out.gif"), on a line of its own; empty: only ends the bar.
    void Phase(const std::string& what);
    // Ends the bar's line (terminal) so the summary starts on its own.
    void Finish();
    double Seconds() const;

    // The bar as it is drawn, for `done` of `total` at `rate` frames a second.
    static std::string Bar(int32_t done, int32_t total, double rate, const std::string& verb);
    // "0:07", "1:02:03"; "?" when unknown.
    static std::string Clock(double seconds);

private:
    int32_t total_;
    bool terminal_;
    std::string verb_;
    int32_t last_tenth_ = -1;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace runner::cli

#endif
