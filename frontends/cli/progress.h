// Progress of a long run on standard error: a bar redrawn in place on a
// terminal, otherwise a plain line every tenth of the way.
#ifndef FOLVEK_CLI_PROGRESS_H
#define FOLVEK_CLI_PROGRESS_H

#include <stdint.h>

#include <chrono>
#include <string>

namespace runner::cli {

class Progress {
public:
    Progress(int32_t total, bool terminal);
    void Update(int32_t done);
    // Ends the bar's line (terminal) so the summary starts on its own.
    void Finish();
    double Seconds() const;

    // The bar as it is drawn, for `done` of `total` at `fps`.
    static std::string Bar(int32_t done, int32_t total, double fps);

private:
    int32_t total_;
    bool terminal_;
    int32_t last_tenth_ = -1;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace runner::cli

#endif
