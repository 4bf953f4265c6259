// One frei0r filter instance: its own effect session (set up as ringstride
// sets one up), the values the host gave it, and the frames it turns.
// Instances share nothing but the catalog, so a host may run several on
// several threads; one instance is used by one thread at a time.
#ifndef FOLVEK_FREI0R_INSTANCE_H
#define FOLVEK_FREI0R_INSTANCE_H

#include <stdint.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frei0r/catalog.h"
#include "runner/core/error.h"
#include "runner/core/session.h"
#include "runner/shot/param_text.h"

namespace runner::frei0r {

// Host time in ticks of 1/1000 s: frei0r asks hosts for millisecond
// resolution, and 32-bit ticks then reach some 596 hours. (Frame-exact
// scales for 29.97 fps and its kin, such as 120000, would end after five.)
constexpr uint32_t TIME_SCALE = 1000;
// The frame duration assumed until two frames show the real one (25 fps).
constexpr int32_t DEFAULT_TIME_STEP = 40;

struct HostValue {
    bool set = false;  // the host gave this one; otherwise the effect's default holds
    double number = 0.0;
    f0r_param_color_t color{0.0f, 0.0f, 0.0f};
    std::string text;
};

struct FilterInstance {
    const Catalog* catalog = nullptr;
    std::unique_ptr<Session> session;
    std::vector<HostValue> values;  // by host parameter index
    bool changed = false;           // values not yet handed to the session
    // Why frames pass through unchanged at present, one line each.
    std::vector<std::string> problems;
    std::set<std::string> reported;  // lines already written to standard error
    // Path and Values as last read, read again only when their text changes.
    std::string path_text;
    Result<std::optional<MaskPath>> path_read;  // no mask for blank text
    bool mask_applied = false;                  // the session holds path_read's mask
    std::string values_text;
    Result<std::vector<ParamSetting>> values_read;
    bool timed = false;              // a frame has been seen
    int32_t last_ticks = 0;
    int32_t time_step = DEFAULT_TIME_STEP;
};

Result<std::unique_ptr<FilterInstance>> CreateInstance(const Catalog& catalog, uint32_t width, uint32_t height);

// `param` points at a double, an f0r_param_color_t, or a char* (strings),
// as frei0r passes them; a string may also be the char* itself (HostString).
// Unknown indices, null pointers and unreadable strings are ignored.
void SetHostValue(FilterInstance* instance, int index, const void* param);
void GetHostValue(FilterInstance* instance, int index, void* param);

// The effect's frame, or the input unchanged while a value is bad or the
// effect fails (one line each on standard error, once per instance).
void UpdateFrame(FilterInstance* instance, double seconds, const uint32_t* in, uint32_t* out);

// Seconds to ticks of 1/TIME_SCALE s, rounded and held within int32; NaN is 0.
int32_t TicksOf(double seconds);

}  // namespace runner::frei0r

#endif
