// "PF Path Query Suite" and "PF Path Data Suite" over the session's masks.
// A checked-out path is the mask at the asked time at the current
// resolution; each segment preparation is tracked until cleaned up, and
// every pointer the effect hands back is checked against what we gave out.
#include <algorithm>

#include "runner/core/session_state.h"
#include "runner/core/suite_tables.h"

namespace runner {

namespace {

bool Injected(Session::State* s, PathOperation op) {
    return s->faults.fail_path_operation == op &&
           Session::State::Hit(&s->fault_counts.path_calls[op], s->faults.fail_path_call);
}

double Factor(const PF_RationalScale& scale) {
    if (scale.den == 0) return 1.0;
    return static_cast<double>(scale.num) / static_cast<double>(scale.den);
}

const CheckedOutPath* FindPath(const Session::State* s, PF_PathOutlinePtr path) {
    for (const auto& p : s->paths) {
        if (p.get() == path) return p.get();
    }
    return nullptr;
}

PathPreparation* FindPrep(Session::State* s, PF_PathOutlinePtr path, int32_t segment,
                          PF_PathSegPrepPtr* prep) {
    if (prep == nullptr) return nullptr;
    const auto found = s->preparations.find(static_cast<const PathPreparation*>(*prep));
    if (found == s->preparations.end()) return nullptr;
    PathPreparation* p = found->second.get();
    return (p->path == path && p->segment == segment) ? p : nullptr;
}

PF_Err CheckoutPath(PF_ProgPtr effect_ref, PF_PathID path_id, int32_t what_time,
                    int32_t /*time_step*/, uint32_t time_scale, PF_PathOutlinePtr* path) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || path == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_QUERY, "PF_CheckoutPath")) return PF_Err_BAD_CALLBACK_PARAM;
        *path = nullptr;
        if (Injected(s, PATH_OP_CHECKOUT)) return s->faults.error;
        MaskPath mask;
        if (!s->MaskAt(path_id, s->ToSessionTime(what_time, time_scale), &mask)) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        StartWalksOfCheckout(&s->kept_walks);
        std::unique_ptr<CheckedOutPath> out(new CheckedOutPath);
        out->id = path_id;
        out->path = Scaled(mask, Factor(s->downsample_x), Factor(s->downsample_y));
        *path = out.get();
        s->paths.push_back(std::move(out));
        ++s->path_checkouts;
        return PF_Err_NONE;
    });
}

PF_Err CheckinPath(PF_ProgPtr effect_ref, PF_PathID path_id, PF_Boolean /*changed*/,
                   PF_PathOutlinePtr path) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_QUERY, "PF_CheckinPath")) return PF_Err_BAD_CALLBACK_PARAM;
        if (Injected(s, PATH_OP_CHECKIN)) return s->faults.error;
        auto it = std::find_if(s->paths.begin(), s->paths.end(),
                               [&](const std::unique_ptr<CheckedOutPath>& p) {
                                   return p.get() == path && p->id == path_id;
                               });
        if (it == s->paths.end()) return PF_Err_BAD_CALLBACK_PARAM;
        // Preparations of this path stay tracked (so a leak shows) but can no
        // longer be used: they name a path that is gone.
        for (auto& [key, prep] : s->preparations) {
            if (prep->path == it->get()) prep->path = nullptr;
        }
        s->paths.erase(it);
        ++s->path_checkins;
        return PF_Err_NONE;
    });
}

PF_Err NumSegments(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t* num_segments) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || num_segments == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_DATA, "PF_PathNumSegments")) return PF_Err_BAD_CALLBACK_PARAM;
        if (Injected(s, PATH_OP_NUM_SEGMENTS)) return s->faults.error;
        const CheckedOutPath* p = FindPath(s, path);
        if (p == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        *num_segments = SegmentCount(p->path);
        return PF_Err_NONE;
    });
}

PF_Err PrepareSegLength(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t segment,
                        int32_t frequency, PF_PathSegPrepPtr* prep) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || prep == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_DATA, "PF_PathPrepareSegLength")) return PF_Err_BAD_CALLBACK_PARAM;
        *prep = nullptr;
        if (Injected(s, PATH_OP_PREPARE)) return s->faults.error;
        const CheckedOutPath* p = FindPath(s, path);
        if (p == nullptr || segment < 0 || segment >= SegmentCount(p->path)) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        std::unique_ptr<PathPreparation> made(new PathPreparation);
        made->path = p;
        made->segment = segment;
        made->walk = TakeWalk(&s->kept_walks, p->path, segment, frequency);
        *prep = made.get();
        s->preparations.emplace(made.get(), std::move(made));
        ++s->path_preparations;
        return PF_Err_NONE;
    });
}

PF_Err GetSegLength(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t segment,
                    PF_PathSegPrepPtr* prep, double* length) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || length == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_DATA, "PF_PathGetSegLength")) return PF_Err_BAD_CALLBACK_PARAM;
        if (Injected(s, PATH_OP_GET_LENGTH)) return s->faults.error;
        const PathPreparation* p = FindPrep(s, path, segment, prep);
        if (p == nullptr || p->path == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        *length = SegmentLength(p->walk->prep);
        return PF_Err_NONE;
    });
}

PF_Err EvalSegLengthDeriv1(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_PathSegPrepPtr* prep,
                           int32_t segment, double length, double* x, double* y, double* dx,
                           double* dy) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr || x == nullptr || y == nullptr || dx == nullptr || dy == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        if (!SuiteHeld(s, SERVED_PATH_DATA, "PF_PathEvalSegLengthDeriv1")) return PF_Err_BAD_CALLBACK_PARAM;
        if (Injected(s, PATH_OP_EVAL)) return s->faults.error;
        PathPreparation* p = FindPrep(s, path, segment, prep);
        if (p == nullptr || p->path == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        const PathPoint point = PointOfSegmentWalk(&s->kept_walks, p->walk.get(), length);
        *x = point.x;
        *y = point.y;
        *dx = point.dx;
        *dy = point.dy;
        return PF_Err_NONE;
    });
}

PF_Err CleanupSegLength(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t segment,
                        PF_PathSegPrepPtr* prep) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = StateFor(effect_ref);
        if (s == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_PATH_DATA, "PF_PathCleanupSegLength")) return PF_Err_BAD_CALLBACK_PARAM;
        if (Injected(s, PATH_OP_CLEANUP)) return s->faults.error;
        PathPreparation* p = FindPrep(s, path, segment, prep);
        if (p == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        KeepWalk(&s->kept_walks, std::move(p->walk));
        s->preparations.erase(p);
        *prep = nullptr;
        return PF_Err_NONE;
    });
}

}  // namespace

const PF_PathQuerySuite1 PATH_QUERY_SUITE = {CheckoutPath, CheckinPath};
const PF_PathDataSuite1 PATH_DATA_SUITE = {NumSegments, PrepareSegLength, GetSegLength,
                                           EvalSegLengthDeriv1, CleanupSegLength};

}  // namespace runner
