#include "cli/progress.h"

#include <cmath>
#include <cstdio>

namespace runner::cli {

constexpr int32_t BAR_WIDTH = 30;

Progress::Progress(int32_t total, bool terminal, std::string verb)
    : total_(total),
      terminal_(terminal),
      verb_(std::move(verb)),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

double Progress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::Clock(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e7) return "?";
    const long long s = std::llround(seconds);
    char buf[32];
    if (s >= 3600) {
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    }
    return buf;
}

std::string Progress::Bar(int32_t done, int32_t total, double rate, const std::string& verb) {
    const int32_t filled = total > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * BAR_WIDTH / total) : 0;
    std::string bar = "[";
    for (int32_t i = 0; i < BAR_WIDTH; ++i) bar += i < filled ? '#' : '.';
    const std::string left = rate > 0 ? Clock((total - done) / rate) : "?";
    char tail[128];
    std::snprintf(tail, sizeof tail, "] %d/%d frames, %.1f %s/s, %s left", done, total, rate, verb.c_str(),
                  left.c_str());
    return bar + tail;
}

void Progress::Update(int32_t done) {
    const double seconds = Seconds();
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    if (terminal_) {
        const auto now = std::chrono::steady_clock::now();
        if (done < total_ && drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
        last_draw_ = now;
        drawn_ = true;
        std::fprintf(stderr, "\r%s", Bar(done, total_, rate, verb_).c_str());
        std::fflush(stderr);
        return;
    }
    const int32_t tenth = total_ > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * 10 / total_) : 10;
    if (tenth == last_tenth_) return;
    last_tenth_ = tenth;
    const int32_t percent = total_ > 0 ? static_cast<int32_t>(static_cast<int64_t>(done) * 100 / total_) : 100;
    std::fprintf(stderr, "frame %d/%d (%d%%), %.1f %s/s, %s left\n", done, total_, percent, rate, verb_.c_str(),
                 rate > 0 ? Clock((total_ - done) / rate).c_str() : "?");
}

void Progress::Phase(const std::string& what) {
    Finish();
    drawn_ = false;
    if (!what.empty()) std::fprintf(stderr, "%s ...\n", what.c_str());
}

void Progress::Finish() {
    if (terminal_ && drawn_) std::fprintf(stderr, "\n");
    drawn_ = false;
}

}  // namespace runner::cli
