// Parameter values as the host keeps them: a value (or a linear animation)
// per parameter, answered at whatever time the effect asks for.
#include <math.h>
#include <string.h>

#include <limits>

#include "runner/core/session_state.h"

namespace runner {

namespace {

constexpr double FIXED_ONE = 65536.0;
constexpr uint64_t FNV_OFFSET = 1469598103934665603ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;
constexpr int32_t STATE_TAG = 0x52535354;  // marks a PF_State as ours

// Fraction of the way from start to end at `time`, within 0..1.
double Progress(int32_t time, int32_t start, int32_t end) {
    if (end <= start) return time < start ? 0.0 : 1.0;
    if (time <= start) return 0.0;
    if (time >= end) return 1.0;
    return (static_cast<double>(time) - start) / (static_cast<double>(end) - start);
}

// A finite double to int32, rounded to nearest and saturated, so that no
// value a test sets can make an undefined conversion.
int32_t SaturatingRound(double v) {
    if (!(v == v)) return 0;
    const double r = floor(v + 0.5);
    if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

bool Scalar(PF_ParamType type) {
    return type == PF_Param_SLIDER || type == PF_Param_FIX_SLIDER ||
           type == PF_Param_FLOAT_SLIDER || type == PF_Param_CHECKBOX ||
           type == PF_Param_POPUP || type == PF_Param_PATH;
}

uint64_t Mix(uint64_t hash, const void* bytes, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * FNV_PRIME;
    return hash;
}

MaskPath Blend(const MaskPath& a, const MaskPath& b, double f) {
    MaskPath out = a;
    for (size_t i = 0; i < out.vertices.size(); ++i) {
        MaskVertex& v = out.vertices[i];
        const MaskVertex& w = b.vertices[i];
        v.x += (w.x - v.x) * f;
        v.y += (w.y - v.y) * f;
        v.in_x += (w.in_x - v.in_x) * f;
        v.in_y += (w.in_y - v.in_y) * f;
        v.out_x += (w.out_x - v.out_x) * f;
        v.out_y += (w.out_y - v.out_y) * f;
    }
    return out;
}

}  // namespace

int32_t Session::State::LayerWidth() const {
    if (layer_width >= 0) return layer_width;
    if (downsample_x.num <= 0 || downsample_x.den == 0) return input.Width();
    return static_cast<int32_t>(int64_t{input.Width()} * downsample_x.den / downsample_x.num);
}

int32_t Session::State::LayerHeight() const {
    if (layer_height >= 0) return layer_height;
    if (downsample_y.num <= 0 || downsample_y.den == 0) return input.Height();
    return static_cast<int32_t>(int64_t{input.Height()} * downsample_y.den / downsample_y.num);
}

int32_t Session::State::ToSessionTime(int32_t what_time, uint32_t scale) const {
    if (scale == 0 || scale == time_scale) return what_time;
    const int64_t t = int64_t{what_time} * time_scale / scale;
    if (t > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (t < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

PF_ParamDef Session::State::DefAt(PF_ParamIndex index, int32_t time) const {
    PF_ParamDef def;
    memset(&def, 0, sizeof def);
    if (index < 0 || static_cast<size_t>(index) >= params.size()) return def;
    const ParamDefinition& p = params[static_cast<size_t>(index)];
    if (index == 0) {
        def.param_type = PF_Param_LAYER;
        def.u.ld = *input.Def();
        return def;
    }
    def = p.raw;
    const ValueTrack& track = values[static_cast<size_t>(index)];
    // Popups, checkboxes and the path choice change only at keys.
    const bool hold_only = p.type == PF_Param_POPUP || p.type == PF_Param_CHECKBOX || p.type == PF_Param_PATH;
    const double v = !track.keys.empty()
                         ? ScalarAt(track.keys, Seconds(time), hold_only)
                         : track.from + (track.to - track.from) *
                                            (track.animated ? Progress(time, track.start_time, track.end_time) : 0.0);
    switch (p.type) {
        case PF_Param_SLIDER: def.u.sd.value = SaturatingRound(v); break;
        case PF_Param_FIX_SLIDER: def.u.fd.value = SaturatingRound(v * FIXED_ONE); break;
        case PF_Param_FLOAT_SLIDER: def.u.fs_d.value = v; break;
        case PF_Param_CHECKBOX:
            def.u.bd.value = SaturatingRound(v);
            def.u.bd.nameptr = p.checkbox_text.c_str();
            break;
        case PF_Param_POPUP:
            def.u.pd.value = SaturatingRound(v);
            def.u.pd.namesptr = p.choice_text.c_str();
            break;
        case PF_Param_PATH: def.u.path_d.path_id = static_cast<PF_PathID>(SaturatingRound(v)); break;
        case PF_Param_COLOR:
            def.u.cd.value = track.color_keys.empty() ? track.color : ColorAt(track.color_keys, Seconds(time));
            break;
        default: break;
    }
    return def;
}

uint64_t Session::State::Fingerprint(PF_ParamIndex index, int32_t time) const {
    const PF_ParamDef def = DefAt(index, time);
    uint64_t hash = FNV_OFFSET;
    switch (def.param_type) {
        case PF_Param_SLIDER: return Mix(hash, &def.u.sd.value, sizeof def.u.sd.value);
        case PF_Param_FIX_SLIDER: return Mix(hash, &def.u.fd.value, sizeof def.u.fd.value);
        case PF_Param_FLOAT_SLIDER: return Mix(hash, &def.u.fs_d.value, sizeof def.u.fs_d.value);
        case PF_Param_CHECKBOX: return Mix(hash, &def.u.bd.value, sizeof def.u.bd.value);
        case PF_Param_POPUP: return Mix(hash, &def.u.pd.value, sizeof def.u.pd.value);
        case PF_Param_PATH: {
            hash = Mix(hash, &def.u.path_d.path_id, sizeof def.u.path_d.path_id);
            MaskPath mask;
            if (MaskAt(def.u.path_d.path_id, time, &mask)) {
                for (const MaskVertex& v : mask.vertices) hash = Mix(hash, &v, sizeof v);
                hash = Mix(hash, &mask.closed, sizeof mask.closed);
            }
            return hash;
        }
        case PF_Param_COLOR: return Mix(hash, &def.u.cd.value, sizeof def.u.cd.value);
        default: return hash;
    }
}

PF_State Session::State::MakeState() const {
    uint64_t hash = FNV_OFFSET;
    for (size_t i = 0; i < params.size(); ++i) {
        const uint64_t f = Fingerprint(static_cast<PF_ParamIndex>(i), current_time);
        hash = Mix(hash, &f, sizeof f);
    }
    PF_State state{};
    state.opaque[0] = static_cast<int32_t>(change_counter);
    state.opaque[1] = static_cast<int32_t>(static_cast<uint32_t>(hash));
    state.opaque[2] = static_cast<int32_t>(static_cast<uint32_t>(hash >> 32));
    state.opaque[3] = STATE_TAG;
    return state;
}

bool Session::State::MaskAt(PF_PathID id, int32_t time, MaskPath* out) const {
    auto it = masks.find(id);
    if (id == 0 || it == masks.end()) return false;
    const MaskTrack& m = it->second;
    if (!m.keys.empty()) {
        *out = MaskShapeAt(m.keys, Seconds(time));
    } else {
        *out = m.animated ? Blend(m.from, m.to, Progress(time, m.start_time, m.end_time)) : m.from;
    }
    return true;
}

World* Session::State::KnownWorld(const PF_EffectWorld* def) {
    if (def == nullptr) return nullptr;
    World* worlds[] = {&input, &output};
    for (World* w : worlds) {
        if (!w->Empty() && def->host_reserved == w->Def()->host_reserved &&
            def->data == w->Def()->data) {
            return w;
        }
    }
    return nullptr;
}

// ---- the Session's parameter calls ------------------------------------------

const std::vector<ParamDefinition>& Session::Params() const { return state_->params; }
int32_t Session::ParamCount() const { return static_cast<int32_t>(state_->params.size()); }

bool Session::SetValue(PF_ParamIndex index, double value) {
    if (index <= 0 || index >= ParamCount() || !isfinite(value)) return false;
    if (!Scalar(state_->params[static_cast<size_t>(index)].type)) return false;
    ValueTrack& t = state_->values[static_cast<size_t>(index)];
    t.from = t.to = value;
    t.animated = false;
    t.keys.clear();
    ++state_->change_counter;
    return true;
}

bool Session::SetFixedRaw(PF_ParamIndex index, PF_Fixed raw) {
    if (index <= 0 || index >= ParamCount()) return false;
    if (state_->params[static_cast<size_t>(index)].type != PF_Param_FIX_SLIDER) return false;
    return SetValue(index, raw / FIXED_ONE);  // exact: raw has 31 bits
}

bool Session::SetColor(PF_ParamIndex index, const PF_Pixel& color) {
    if (index <= 0 || index >= ParamCount()) return false;
    if (state_->params[static_cast<size_t>(index)].type != PF_Param_COLOR) return false;
    state_->values[static_cast<size_t>(index)].color = color;
    state_->values[static_cast<size_t>(index)].color_keys.clear();
    ++state_->change_counter;
    return true;
}

namespace {

// Times finite and strictly increasing, at least one key.
template <typename Key>
bool Increasing(const std::vector<Key>& keys) {
    if (keys.empty()) return false;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!isfinite(keys[i].time) || (i > 0 && !(keys[i].time > keys[i - 1].time))) return false;
    }
    return true;
}

}  // namespace

bool Session::SetKeys(PF_ParamIndex index, std::vector<ScalarKey> keys) {
    if (!Increasing(keys)) return false;
    for (const ScalarKey& k : keys) {
        if (!isfinite(k.value)) return false;
    }
    if (!SetValue(index, keys.front().value)) return false;
    state_->values[static_cast<size_t>(index)].keys = std::move(keys);
    return true;
}

bool Session::SetColorKeys(PF_ParamIndex index, std::vector<ColorKey> keys) {
    if (!Increasing(keys) || !SetColor(index, keys.front().value)) return false;
    state_->values[static_cast<size_t>(index)].color_keys = std::move(keys);
    return true;
}

bool Session::SetMaskKeys(PF_PathID id, std::vector<MaskKey> keys) {
    if (id == 0 || !Increasing(keys)) return false;
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].path.vertices.size() != keys[0].path.vertices.size() ||
            keys[i].path.closed != keys[0].path.closed) {
            return false;
        }
    }
    MaskTrack& m = state_->masks[id];
    m = MaskTrack{};
    m.from = keys.front().path;
    m.keys = std::move(keys);
    ++state_->change_counter;
    return true;
}

bool Session::Animate(PF_ParamIndex index, double from, double to, int32_t start_time,
                      int32_t end_time) {
    if (!SetValue(index, from) || !isfinite(to)) return false;
    ValueTrack& t = state_->values[static_cast<size_t>(index)];
    t.to = to;
    t.animated = true;
    t.start_time = start_time;
    t.end_time = end_time;
    return true;
}

double Session::ValueAt(PF_ParamIndex index, int32_t time) const {
    if (index <= 0 || index >= ParamCount()) return 0.0;
    const PF_ParamDef def = state_->DefAt(index, time);
    switch (def.param_type) {
        case PF_Param_SLIDER: return def.u.sd.value;
        case PF_Param_FIX_SLIDER: return def.u.fd.value / FIXED_ONE;
        case PF_Param_FLOAT_SLIDER: return def.u.fs_d.value;
        case PF_Param_CHECKBOX: return def.u.bd.value;
        case PF_Param_POPUP: return def.u.pd.value;
        case PF_Param_PATH: return def.u.path_d.path_id;
        default: return 0.0;
    }
}

double Session::Value(PF_ParamIndex index) const { return ValueAt(index, state_->current_time); }

PF_ParamDef Session::DefAt(PF_ParamIndex index, int32_t time) const {
    return state_->DefAt(index, time);
}

PF_State Session::CurrentState() const { return state_->MakeState(); }

bool Session::SetMask(PF_PathID id, const MaskPath& path) {
    if (id == 0) return false;
    MaskTrack& m = state_->masks[id];
    m = MaskTrack{};
    m.from = path;
    ++state_->change_counter;
    return true;
}

bool Session::AnimateMask(PF_PathID id, const MaskPath& from, const MaskPath& to,
                          int32_t start_time, int32_t end_time) {
    if (id == 0 || from.vertices.size() != to.vertices.size() || from.closed != to.closed) {
        return false;
    }
    MaskTrack& m = state_->masks[id];
    m.from = from;
    m.to = to;
    m.animated = true;
    m.start_time = start_time;
    m.end_time = end_time;
    ++state_->change_counter;
    return true;
}

void Session::RemoveMask(PF_PathID id) {
    if (state_->masks.erase(id) != 0) ++state_->change_counter;
}

bool Session::MaskAt(PF_PathID id, int32_t time, MaskPath* out) const {
    return out != nullptr && state_->MaskAt(id, time, out);
}

}  // namespace runner
