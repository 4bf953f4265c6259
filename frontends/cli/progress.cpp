#include "cli/progress.h"

#include <cstdio>

namespace runner::cli {

constexpr int32_t BAR_WIDTH = 30;

Progress::Progress(int32_t total, bool terminal)
    : total_(total), terminal_(terminal), start_(std::chrono::steady_clock::now()), last_draw_(start_) {}

double Progress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::Bar(int32_t done, int32_t total, double fps) {
    const int32_t filled = total > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * BAR_WIDTH / total) : 0;
    std::string bar = "[";
    for (int32_t i = 0; i < BAR_WIDTH; ++i) bar += i < filled ? '#' : '.';
    char tail[96];
    std::snprintf(tail, sizeof tail, "] %d/%d frames, %.1f fps", done, total, fps);
    return bar + tail;
}

void Progress::Update(int32_t done) {
    const double seconds = Seconds();
    const double fps = seconds > 0.0 ? done / seconds : 0.0;
    if (terminal_) {
        const auto now = std::chrono::steady_clock::now();
        if (done < total_ && drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
        last_draw_ = now;
        drawn_ = true;
        std::fprintf(stderr, "\r%s", Bar(done, total_, fps).c_str());
        std::fflush(stderr);
        return;
    }
    const int32_t tenth = total_ > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * 10 / total_) : 10;
    if (tenth == last_tenth_) return;
    last_tenth_ = tenth;
    const int32_t percent = total_ > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * 100 / total_) : 100;
    std::fprintf(stderr, "frame %d/%d (%d%%), %.1f fps\n", done, total_, percent, fps);
}

void Progress::Finish() {
    if (terminal_ && drawn_) std::fprintf(stderr, "\n");
}

}  // namespace runner::cli
