#include "cli/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace runner::cli {
namespace {

constexpr int32_t FRAMES_IN_FLIGHT_PER_WORKER = 2;  // as animate's window
// Per worker: its input, its output and the effect's working copy.
constexpr int64_t FRAMES_PER_WORKER = 3;
// A video source: our copy of the decoded frame and the decoder's own frames.
constexpr int64_t DECODER_FRAMES = 4;

int64_t BytesPerPixel(int32_t bits) { return bits == 8 ? 4 : bits == 16 ? 8 : 16; }

// The memory cap of this process's cgroup (v2), or -1.
int64_t CgroupLimit() {
    std::ifstream self("/proc/self/cgroup");
    std::string line;
    while (std::getline(self, line)) {
        if (line.rfind("0::", 0) != 0) continue;
        std::ifstream max("/sys/fs/cgroup" + line.substr(3) + "/memory.max");
        std::string value;
        if (max >> value && !value.empty() && std::isdigit(static_cast<unsigned char>(value[0]))) {
            return std::stoll(value);
        }
    }
    return -1;
}

}  // namespace

Result<int64_t> ParseMemorySize(const std::string& text) {
    const std::string bad = "--max-memory " + text + ": expected a size such as 8G, 512M or 1.5GiB";
    size_t i = 0;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) ++i;
    if (i == 0) return Error{bad};
    char* end = nullptr;
    const std::string number = text.substr(0, i);
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !(value > 0)) return Error{bad};
    std::string unit;
    for (size_t j = i; j < text.size(); ++j) {
        if (text[j] != ' ') unit += static_cast<char>(std::toupper(static_cast<unsigned char>(text[j])));
    }
    double scale = 1;
    if (!unit.empty() && unit != "B") {
        const std::string steps = "KMGT";
        const size_t step = steps.find(unit[0]);
        const std::string rest = unit.substr(1);
        if (step == std::string::npos || !(rest.empty() || rest == "B" || rest == "IB")) return Error{bad};
        scale = std::pow(1024.0, static_cast<double>(step + 1));
    }
    const double bytes = value * scale;
    if (bytes < 1 || bytes > 9.0e18) return Error{bad};
    return static_cast<int64_t>(bytes);
}

std::string DescribeBytes(int64_t bytes) {
    const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double v = static_cast<double>(bytes) / 1024;
    int u = 0;
    while (v >= 1024 && u < 3) {
        v /= 1024;
        ++u;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", v, units[u]);
    return text;
}

int64_t DefaultMemoryLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page = sysconf(_SC_PAGESIZE);
    int64_t limit = pages > 0 && page > 0 ? static_cast<int64_t>(pages) * page / 2 : (int64_t{4} << 30);
    if (const int64_t cgroup = CgroupLimit(); cgroup > 0) limit = std::min(limit, cgroup);
    struct rlimit space {};
    if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
        limit = std::min(limit, static_cast<int64_t>(space.rlim_cur));
    }
    return limit;
}

Result<int64_t> MemoryLimit(const std::string& text) {
    if (text.empty()) return DefaultMemoryLimit();
    return ParseMemorySize(text);
}

int64_t EstimateMemory(const FrameShape& shape, int32_t workers) {
    const int64_t per_pixel = BytesPerPixel(shape.bits);
    const int64_t frame = shape.width * shape.height * per_pixel;
    const int64_t full = shape.full_width * shape.full_height * per_pixel;
    const bool downsampled = full != frame;
    const int64_t threads = std::max(workers, 1);
    int64_t bytes = shape.still ? full : 0;
    bytes += threads * (FRAMES_PER_WORKER * frame + (!shape.still && downsampled ? full : 0));
    if (workers > 0) {
        const int64_t packed = shape.width * shape.height * shape.packed_bytes_per_pixel;
        bytes += threads * FRAMES_IN_FLIGHT_PER_WORKER * (frame + packed);
    }
    if (shape.video_source) bytes += DECODER_FRAMES * shape.full_width * shape.full_height * (shape.bits == 8 ? 4 : 8);
    return bytes;
}

Result<int32_t> WorkersWithin(const FrameShape& shape, int32_t wanted, bool fixed, int64_t limit,
                              const std::string& what) {
    int32_t workers = std::max(wanted, 1);
    while (!fixed && workers > 1 && EstimateMemory(shape, workers) > limit) --workers;
    const int64_t need = EstimateMemory(shape, wanted == 0 ? 0 : workers);
    if (need <= limit) return workers;
    std::string threads = wanted == 0 ? "" : " with " + std::to_string(workers) + (workers == 1 ? " thread" : " threads");
    return Error{what + ": " + std::to_string(shape.full_width) + " x " + std::to_string(shape.full_height) +
                 " frames at " + std::to_string(shape.bits) + " bits need about " + DescribeBytes(need) +
                 " of memory" + threads + ", more than the limit of " + DescribeBytes(limit) +
                 "; raise it with --max-memory SIZE (by default half of this machine's memory)" +
                 (fixed && workers > 1 ? " or give fewer --threads" : "")};
}

}  // namespace runner::cli
