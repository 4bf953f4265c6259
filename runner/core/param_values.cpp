// Parameter values as the host keeps them: keys per parameter (one for a
// value that never changes), answered at whatever time the effect asks for.
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
    const double v = ScalarAt(track.keys, Seconds(time), hold_only);
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
            if (!track.color_keys.empty()) def.u.cd.value = ColorAt(track.color_keys, Seconds(time));
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
    *out = MaskShapeAt(it->second.keys, Seconds(time));
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

namespace {

std::string Named(const std::vector<ParamDefinition>& params, PF_ParamIndex index) {
    return "parameter " + std::to_string(index) + " (\"" + params[static_cast<size_t>(index)].label + "\")";
}

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

Status Session::SetKeys(PF_ParamIndex index, std::vector<ScalarKey> keys) {
    if (index <= 0 || index >= ParamCount()) return Error{"no parameter " + std::to_string(index)};
    if (!Scalar(state_->params[static_cast<size_t>(index)].type)) {
        return Error{Named(state_->params, index) + " takes no number"};
    }
    if (!Increasing(keys)) return Error{Named(state_->params, index) + ": key times are not finite and increasing"};
    for (const ScalarKey& k : keys) {
        if (!isfinite(k.value)) return Error{Named(state_->params, index) + ": a value is not a finite number"};
    }
    state_->values[static_cast<size_t>(index)].keys = std::move(keys);
    ++state_->change_counter;
    return Success();
}

Status Session::SetValue(PF_ParamIndex index, double value) {
    return SetKeys(index, {ScalarKey{0.0, value, KEY_LINEAR}});
}

Status Session::SetFixedRaw(PF_ParamIndex index, PF_Fixed raw) {
    if (index > 0 && index < ParamCount() && state_->params[static_cast<size_t>(index)].type != PF_Param_FIX_SLIDER) {
        return Error{Named(state_->params, index) + " is not a fixed-point slider"};
    }
    return SetValue(index, raw / FIXED_ONE);  // exact: raw has 31 bits
}

Status Session::SetColorKeys(PF_ParamIndex index, std::vector<ColorKey> keys) {
    if (index <= 0 || index >= ParamCount()) return Error{"no parameter " + std::to_string(index)};
    if (state_->params[static_cast<size_t>(index)].type != PF_Param_COLOR) {
        return Error{Named(state_->params, index) + " is not a colour"};
    }
    if (!Increasing(keys)) return Error{Named(state_->params, index) + ": key times are not finite and increasing"};
    state_->values[static_cast<size_t>(index)].color_keys = std::move(keys);
    ++state_->change_counter;
    return Success();
}

Status Session::SetColor(PF_ParamIndex index, const PF_Pixel& color) {
    return SetColorKeys(index, {ColorKey{0.0, color, KEY_LINEAR}});
}

Status Session::SetMaskKeys(PF_PathID id, std::vector<MaskKey> keys) {
    if (id == 0) return Error{"path id 0 means no mask"};
    if (!Increasing(keys)) return Error{"mask key times are not finite and increasing"};
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].path.vertices.size() != keys[0].path.vertices.size() ||
            keys[i].path.closed != keys[0].path.closed) {
            return Error{"mask key " + std::to_string(i + 1) + " differs from the first in its vertex count or closedness"};
        }
    }
    state_->masks[id].keys = std::move(keys);
    ++state_->change_counter;
    return Success();
}

Status Session::SetMask(PF_PathID id, const MaskPath& path) { return SetMaskKeys(id, {MaskKey{0.0, path, KEY_LINEAR}}); }

void Session::RemoveMask(PF_PathID id) {
    if (state_->masks.erase(id) != 0) ++state_->change_counter;
}

bool Session::MaskAt(PF_PathID id, int32_t time, MaskPath* out) const {
    return out != nullptr && state_->MaskAt(id, time, out);
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

}  // namespace runner
