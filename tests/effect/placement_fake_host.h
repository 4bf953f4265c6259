// A small host for placement tests: the path suites answered from a
// runner::MaskPath, with per-segment overrides and injected failures, and
// the few utility callbacks placement needs.
#ifndef FOLVEK_TESTS_PLACEMENT_FAKE_HOST_H
#define FOLVEK_TESTS_PLACEMENT_FAKE_HOST_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "host/param_ids.h"
#include "render/placement.h"
#include "runner/core/mask_path.h"

namespace placement_test {

constexpr PF_PathID PATH_ID = 7;
constexpr PF_Err OP_ERR = 33;

// Replaces what one segment reports.
struct SegmentOverride {
    bool has_length = false;
    double length = 0.0;
    bool has_point = false;
    double x = 0.0, y = 0.0;
    bool has_deriv = false;
    double dx = 0.0, dy = 0.0;
};

struct FakePathHost {
    runner::MaskPath mask;
    std::map<int32_t, SegmentOverride> overrides;

    PF_Err checkout_err = 0, num_segments_err = 0, checkin_err = 0;
    int32_t fail_prepare = -1, fail_length = -1, fail_cleanup = -1;
    long fail_eval_call = -1;  // 0-based index over all evaluations

    int checkouts = 0, checkins = 0, num_segment_calls = 0, ops_after_checkin = 0;
    bool checkin_changed = true;
    int32_t checkout_time[3] = {0, 0, 0};
    std::vector<int32_t> prepared, lengths_asked, cleaned;
    long eval_calls = 0;
    std::vector<std::pair<int32_t, double>> evals;  // the first few thousand
    std::vector<runner::SegmentPrep*> live;

    ~FakePathHost() {
        for (runner::SegmentPrep* p : live) delete p;
    }
};

inline FakePathHost* Host(PF_ProgPtr ref) { return static_cast<FakePathHost*>(ref); }

inline void NoteOp(FakePathHost* h) {
    if (h->checkins > 0) ++h->ops_after_checkin;
}

inline PF_Err Checkout(PF_ProgPtr ref, PF_PathID id, int32_t time, int32_t step, uint32_t scale, PF_PathOutlinePtr* path) {
    FakePathHost* h = Host(ref);
    ++h->checkouts;
    h->checkout_time[0] = time;
    h->checkout_time[1] = step;
    h->checkout_time[2] = static_cast<int32_t>(scale);
    if (id != PATH_ID) return 99;
    if (h->checkout_err != 0) return h->checkout_err;
    *path = &h->mask;
    return 0;
}

inline PF_Err Checkin(PF_ProgPtr ref, PF_PathID id, PF_Boolean changed, PF_PathOutlinePtr path) {
    FakePathHost* h = Host(ref);
    ++h->checkins;
    h->checkin_changed = changed != 0;
    if (id != PATH_ID || path != &h->mask) return 98;
    return h->checkin_err;
}

inline PF_Err NumSegments(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t* n) {
    FakePathHost* h = Host(ref);
    NoteOp(h);
    ++h->num_segment_calls;
    if (h->num_segments_err != 0) return h->num_segments_err;
    *n = runner::SegmentCount(h->mask);
    return 0;
}

inline PF_Err Prepare(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t seg, int32_t freq, PF_PathSegPrepPtr* prep) {
    FakePathHost* h = Host(ref);
    NoteOp(h);
    h->prepared.push_back(seg);
    if (seg == h->fail_prepare || freq != PATH_SAMPLING_FREQUENCY) return OP_ERR;
    runner::SegmentPrep* p = new runner::SegmentPrep(runner::PrepareSegment(h->mask, seg, freq));
    h->live.push_back(p);
    *prep = p;
    return 0;
}

inline PF_Err Length(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t seg, PF_PathSegPrepPtr* prep, double* length) {
    FakePathHost* h = Host(ref);
    NoteOp(h);
    h->lengths_asked.push_back(seg);
    if (seg == h->fail_length) return OP_ERR;
    auto o = h->overrides.find(seg);
    *length = o != h->overrides.end() && o->second.has_length
                  ? o->second.length
                  : runner::SegmentLength(*static_cast<runner::SegmentPrep*>(*prep));
    return 0;
}

inline PF_Err Eval(PF_ProgPtr ref, PF_PathOutlinePtr, PF_PathSegPrepPtr* prep, int32_t seg, double t, double* x,
                   double* y, double* dx, double* dy) {
    FakePathHost* h = Host(ref);
    NoteOp(h);
    if (h->evals.size() < 20000) h->evals.emplace_back(seg, t);
    if (h->eval_calls++ == h->fail_eval_call) return OP_ERR;
    runner::EvalAtLength(*static_cast<runner::SegmentPrep*>(*prep), t, x, y, dx, dy);
    auto o = h->overrides.find(seg);
    if (o != h->overrides.end()) {
        if (o->second.has_point) {
            *x = o->second.x;
            *y = o->second.y;
        }
        if (o->second.has_deriv) {
            *dx = o->second.dx;
            *dy = o->second.dy;
        }
    }
    return 0;
}

inline PF_Err Cleanup(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t seg, PF_PathSegPrepPtr* prep) {
    FakePathHost* h = Host(ref);
    NoteOp(h);
    h->cleaned.push_back(seg);
    if (seg == h->fail_cleanup) return OP_ERR;
    runner::SegmentPrep* p = static_cast<runner::SegmentPrep*>(*prep);
    for (auto& q : h->live) {
        if (q == p) {
            delete q;
            q = h->live.back();
            h->live.pop_back();
            break;
        }
    }
    *prep = nullptr;
    return 0;
}

// Handles: the block is filled with junk so that a missing clear shows.
inline PF_Handle NewHandle(uint32_t size) {
    void** handle = static_cast<void**>(std::malloc(sizeof(void*)));
    *handle = std::malloc(size == 0 ? 1 : size);
    std::memset(*handle, 0x5A, size);
    return handle;
}
inline PF_Handle RefuseHandle(uint32_t) { return nullptr; }
inline PF_Handle UnexpectedHandle(uint32_t) {
    ADD_FAILURE() << "the grid must not be allocated";
    return nullptr;
}
inline void DisposeHandle(PF_Handle handle) {
    if (handle == nullptr) return;
    std::free(*handle);
    std::free(handle);
}
inline char* CopyText(char* dst, const char* src) { return std::strcpy(dst, src); }
inline double Hypot(double x, double y) { return std::hypot(x, y); }
inline double Sqrt(double x) { return std::sqrt(x); }

inline runner::MaskVertex V(double x, double y) {
    runner::MaskVertex v;
    v.x = x;
    v.y = y;
    return v;
}

// An open path of straight segments through the given points.
inline runner::MaskPath Polyline(std::initializer_list<std::pair<double, double>> points) {
    runner::MaskPath path;
    for (const auto& p : points) path.vertices.push_back(V(p.first, p.second));
    return path;
}

// Everything one PlaceCircles call needs.
struct Rig {
    FakePathHost host;
    PF_UtilCallbacks utils{};
    PF_InData in{};
    PF_OutData out{};
    PF_PathQuerySuite1 query{Checkout, Checkin};
    PF_PathDataSuite1 data{NumSegments, Prepare, Length, Eval, Cleanup};
    RenderParams params{};
    PlacementResult result;
    PF_Handle grid = nullptr;

    Rig() {
        utils.host_new_handle = NewHandle;
        utils.host_dispose_handle = DisposeHandle;
        utils.ansi.hypot = Hypot;
        utils.ansi.sqrt = Sqrt;
        utils.ansi.strcpy = CopyText;
        in.utils = &utils;
        in.effect_ref = &host;
        in.current_time = 12;
        in.time_step = 1;
        in.time_scale = 24;
        params.path_id = PATH_ID;
        params.direction = DIRECTION_PATH;
        params.max_radius = 50;
        params.min_radius = 0.1;
        params.edge_thickness = 1;
        params.seed = 0;
    }
    ~Rig() { DisposeHandle(grid); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    PF_Err Run(int32_t width, int32_t height) {
        return PlaceCircles(params, &in, &out, PathSuites{&query, &data}, width, height, &result, &grid);
    }
    std::vector<CircleRecord> Circles() const {
        std::vector<CircleRecord> list;
        result.circles.ForEach([&](const CircleRecord& r) { list.push_back(r); });
        return list;
    }
    int32_t Cell(int32_t width, int32_t x, int32_t y) const {
        return static_cast<const int32_t*>(*grid)[y * width + x];
    }
};

}  // namespace placement_test

#endif
