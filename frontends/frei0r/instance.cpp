#include "frei0r/instance.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "runner/loader/effect_open.h"
#include "runner/shot/apply_settings.h"
#include "frei0r/host_string.h"
#include "runner/shot/mask_choice.h"
#include "runner/shot/param_list.h"
#include "runner/shot/rgba.h"
#include "runner/shot/svg_scan.h"

namespace runner::frei0r {
namespace {

// The path id under which the mask is handed to the host.
constexpr PF_PathID MASK_ID = 1;
constexpr const char* PASS_THROUGH = "; frames pass through unchanged";

void Report(FilterInstance* instance, const std::string& line) {
    if (!instance->reported.insert(line).second) return;
    const std::string text = std::string(MESSAGE_PREFIX) + line + "\n";
    std::fputs(text.c_str(), stderr);
}

std::string Short(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// A host number within [0, 1]; outside it is held at the nearer end, with a
// note. NaN is a bad value.
std::optional<double> Unit(FilterInstance* instance, const HostParam& p, double x) {
    if (std::isnan(x)) {
        instance->problems.push_back(p.name + ": the value is not a number");
        return std::nullopt;
    }
    if (x >= 0.0 && x <= 1.0) return x;
    const double held = x < 0.0 ? 0.0 : 1.0;
    Report(instance, p.name + ": " + Short(x) + " is outside 0 to 1 and counts as " + Short(held) +
                         (p.kind == ValueKind::SLIDER ? " (Values takes values beyond the slider)" : ""));
    return held;
}

// Path's text as the mask, on a layer the frame's size; no mask when blank.
Result<std::optional<MaskPath>> ReadPath(const std::string& text, const World& frame, const std::string& name) {
    if (TrimSvgBlanks(text).empty()) return std::optional<MaskPath>();
    Result<MaskPath> chosen = MaskFromText(text, 0, frame.Width(), frame.Height(), name);
    if (!chosen) return chosen.error();
    return std::optional<MaskPath>(std::move(*chosen));
}

// Every value the effect is to see: the host's where it set one, else the
// effect's default, then Values on top; bad values become problems.
void ApplyHostValues(FilterInstance* instance) {
    instance->problems.clear();
    Session* session = instance->session.get();
    const std::vector<ParamDefinition>& defs = session->Params();
    const std::vector<HostParam>& params = instance->catalog->params;
    std::vector<ParamSetting> settings;
    for (size_t i = 0; i < params.size(); ++i) {
        const HostParam& p = params[i];
        const HostValue& v = instance->values[i];
        if (p.kind == ValueKind::VALUES) {
            if (v.text != instance->values_text) {
                instance->values_read = ParseParamList(v.text, defs, p.name);
                instance->values_text = v.text;
            }
            if (!instance->values_read) instance->problems.push_back(instance->values_read.error().message);
            continue;
        }
        if (p.kind == ValueKind::PATH) {
            if (v.text != instance->path_text) {
                instance->mask_applied = false;
                instance->path_read = ReadPath(v.text, session->Input(), p.name);
                instance->path_text = v.text;
            }
            if (!instance->path_read) instance->problems.push_back(instance->path_read.error().message);
            continue;
        }
        const ParamDefinition& def = defs[static_cast<size_t>(p.effect_index)];
        ParamSetting s;
        s.index = p.effect_index;
        s.label = def.label;
        if (p.kind == ValueKind::COLOR) {
            s.is_color = true;
            s.color = def.default_color;
            if (v.set) {
                if (std::isnan(v.color.r) || std::isnan(v.color.g) || std::isnan(v.color.b)) {
                    instance->problems.push_back(p.name + ": a channel is not a number");
                    continue;
                }
                s.color = ColorFromHost(v.color);
            }
            settings.push_back(s);
            continue;
        }
        s.from = def.default_value;
        if (v.set) {
            const std::optional<double> x = Unit(instance, p, v.number);
            if (!x) continue;
            s.from = p.kind == ValueKind::SLIDER ? SliderFromHost(def, *x)
                     : p.kind == ValueKind::POPUP ? PopupFromHost(def, *x)
                                                  : CheckboxFromHost(*x);
        }
        s.to = s.from;
        settings.push_back(s);
    }
    if (!instance->problems.empty()) return;
    // Values last: later settings win.
    settings.insert(settings.end(), instance->values_read->begin(), instance->values_read->end());
    if (Status ok = ApplySettings(session, settings); !ok) instance->problems.push_back(ok.error().message);
    // The settings never touch the mask parameter: the mask is handed over again only when Path changed.
    if (!instance->mask_applied) {
        Status ok = ApplyMask(session, *instance->path_read, MASK_ID);
        if (!ok) instance->problems.push_back(ok.error().message);
        instance->mask_applied = ok.has_value();
    }
}

void PassThrough(const FilterInstance& instance, const uint32_t* in, uint32_t* out) {
    const World& input = instance.session->Input();
    if (in != out) {
        std::memmove(out, in, static_cast<size_t>(input.Width()) * static_cast<size_t>(input.Height()) * 4);
    }
}

void AdvanceTime(FilterInstance* instance, double seconds) {
    const int32_t ticks = TicksOf(seconds);
    if (instance->timed && ticks > instance->last_ticks) {
        const int64_t step = int64_t{ticks} - instance->last_ticks;
        instance->time_step = static_cast<int32_t>(step > INT32_MAX ? INT32_MAX : step);
    }
    instance->timed = true;
    instance->last_ticks = ticks;
    instance->session->SetTime(ticks, instance->time_step, TIME_SCALE);
}

}  // namespace

int32_t TicksOf(double seconds) {
    const double ticks = std::floor(seconds * TIME_SCALE + 0.5);
    if (std::isnan(ticks)) return 0;
    if (ticks >= 2147483647.0) return INT32_MAX;
    if (ticks <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(ticks);
}

Result<std::unique_ptr<FilterInstance>> CreateInstance(const Catalog& catalog, uint32_t width, uint32_t height) {
    if (!catalog.failure.empty()) return Error{catalog.failure};
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        return Error{"frame size " + std::to_string(width) + "x" + std::to_string(height) + " is not usable"};
    }
    // A session of its own on the library the catalog keeps loaded.
    Result<OpenedEffect> opened = OpenEffect(catalog.library);
    if (!opened) return opened.error();
    Result<World> input =
        World::Create(PF_PixelFormat_ARGB32, static_cast<int32_t>(width), static_cast<int32_t>(height), 0, 0);
    if (!input) {
        return Error{"frame size " + std::to_string(width) + "x" + std::to_string(height) + ": " + input.error().message};
    }
    auto instance = std::make_unique<FilterInstance>();
    instance->catalog = &catalog;
    instance->session = std::move(opened->session);
    instance->session->SetInput(std::move(*input));
    instance->session->SetTime(0, DEFAULT_TIME_STEP, TIME_SCALE);
    for (const HostParam& p : catalog.params) {
        HostValue v;
        v.number = p.default_number;
        v.color = p.default_color;
        instance->values.push_back(v);
    }
    return instance;
}

void SetHostValue(FilterInstance* instance, int index, const void* param) {
    if (param == nullptr || index < 0 || static_cast<size_t>(index) >= instance->values.size()) return;
    HostValue& v = instance->values[static_cast<size_t>(index)];
    switch (instance->catalog->params[static_cast<size_t>(index)].type) {
    case F0R_PARAM_STRING: {
        // A pointer to the char*, or (GStreamer, while playing) the char*.
        std::optional<std::string> now = HostString(param);
        if (!now || *now == v.text) return;  // unreadable, or hosts that set every value on every frame
        v.text = std::move(*now);
        break;
    }
    case F0R_PARAM_COLOR: {
        const f0r_param_color_t c = *static_cast<const f0r_param_color_t*>(param);
        if (v.set && c.r == v.color.r && c.g == v.color.g && c.b == v.color.b) return;
        v.color = c;
        break;
    }
    default: {
        const double x = *static_cast<const double*>(param);
        if (v.set && x == v.number) return;
        v.number = x;
        break;
    }
    }
    v.set = true;
    instance->changed = true;
}

void GetHostValue(FilterInstance* instance, int index, void* param) {
    if (param == nullptr || index < 0 || static_cast<size_t>(index) >= instance->values.size()) return;
    HostValue& v = instance->values[static_cast<size_t>(index)];
    switch (instance->catalog->params[static_cast<size_t>(index)].type) {
    case F0R_PARAM_STRING: *static_cast<char**>(param) = v.text.data(); break;
    case F0R_PARAM_COLOR: *static_cast<f0r_param_color_t*>(param) = v.color; break;
    default: *static_cast<double*>(param) = v.number; break;
    }
}

void UpdateFrame(FilterInstance* instance, double seconds, const uint32_t* in, uint32_t* out) {
    if (in == nullptr || out == nullptr) return;
    try {
        if (instance->changed) {
            instance->changed = false;
            ApplyHostValues(instance);
        }
        if (!instance->problems.empty()) {
            for (const std::string& p : instance->problems) Report(instance, p + PASS_THROUGH);
            return PassThrough(*instance, in, out);
        }
        Session* session = instance->session.get();
        // frei0r's RGBA8888 frames say nothing of premultiplication and the
        // effect works in straight colour, so every byte keeps its value.
        RgbaIntoWorld(in, 8, &session->MutableInput());
        AdvanceTime(instance, seconds);
        RenderResult rendered = session->RenderFrame();
        if (Status ok = CheckFrame(rendered, ""); !ok) {
            Report(instance, instance->catalog->library + ": " + ok.error().message + PASS_THROUGH);
            PassThrough(*instance, in, out);
        } else if (const World& output = rendered.output; output.Width() != session->Input().Width() ||
                                                          output.Height() != session->Input().Height() ||
                                                          output.Format() != PF_PixelFormat_ARGB32) {
            Report(instance, "the effect's output does not match the frame" + std::string(PASS_THROUGH));
            PassThrough(*instance, in, out);
        } else {
            WorldToRgba8(output, reinterpret_cast<uint8_t*>(out));
        }
        // The next frame draws into the same memory.
        session->RecycleOutput(std::move(rendered.output));
    } catch (const std::exception& e) {
        Report(instance, std::string("unexpected failure: ") + e.what() + PASS_THROUGH);
        PassThrough(*instance, in, out);
    } catch (...) {
        Report(instance, std::string("unexpected failure") + PASS_THROUGH);
        PassThrough(*instance, in, out);
    }
}

}  // namespace runner::frei0r
