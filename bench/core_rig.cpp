#include "core_rig.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/param_ids.h"
#include "pixel/draw.h"
#include "render/placement.h"
#include "runner/core/portable_math.h"

namespace bench {

namespace {

constexpr PF_PathID PATH_ID = 1;

HandleBytes g_handles;

CoreRig* RigOf(PF_ProgPtr ref) { return static_cast<CoreRig*>(ref); }

PF_Err CheckoutPath(PF_ProgPtr ref, PF_PathID, int32_t, int32_t, uint32_t, PF_PathOutlinePtr* path) {
    *path = &RigOf(ref)->mask;
    return PF_Err_NONE;
}
PF_Err CheckinPath(PF_ProgPtr, PF_PathID, PF_Boolean, PF_PathOutlinePtr) { return PF_Err_NONE; }
PF_Err NumSegments(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t* n) {
    *n = runner::SegmentCount(RigOf(ref)->mask);
    return PF_Err_NONE;
}
// A preparation as the session keeps one: the segment and its walk ahead.
struct RigPrep {
    runner::SegmentPrep prep;
    runner::WalkAhead ahead;
};
PF_Err Prepare(PF_ProgPtr ref, PF_PathOutlinePtr, int32_t seg, int32_t freq, PF_PathSegPrepPtr* prep) {
    *prep = new RigPrep{runner::PrepareSegment(RigOf(ref)->mask, seg, freq), {}};
    return PF_Err_NONE;
}
PF_Err Length(PF_ProgPtr, PF_PathOutlinePtr, int32_t, PF_PathSegPrepPtr* prep, double* length) {
    *length = runner::SegmentLength(static_cast<RigPrep*>(*prep)->prep);
    return PF_Err_NONE;
}
PF_Err Eval(PF_ProgPtr, PF_PathOutlinePtr, PF_PathSegPrepPtr* prep, int32_t, double t, double* x, double* y,
            double* dx, double* dy) {
    RigPrep* p = static_cast<RigPrep*>(*prep);
    const runner::PathPoint point = runner::PointOfWalk(p->prep, t, &p->ahead);
    *x = point.x;
    *y = point.y;
    *dx = point.dx;
    *dy = point.dy;
    return PF_Err_NONE;
}
PF_Err Cleanup(PF_ProgPtr, PF_PathOutlinePtr, int32_t, PF_PathSegPrepPtr* prep) {
    delete static_cast<RigPrep*>(*prep);
    *prep = nullptr;
    return PF_Err_NONE;
}

// Handles as our host makes them: zero-filled blocks behind a pointer, with
// the size kept in front so that live bytes can be counted.
PF_Handle NewHandle(uint32_t size) {
    void** handle = static_cast<void**>(std::malloc(sizeof(void*) + sizeof(uint64_t)));
    if (handle == nullptr) return nullptr;
    *handle = std::calloc(1, size == 0 ? 1 : size);
    if (*handle == nullptr) {
        std::free(handle);
        return nullptr;
    }
    const uint64_t bytes = size;
    std::memcpy(handle + 1, &bytes, sizeof bytes);
    g_handles.live += bytes;
    if (g_handles.live > g_handles.peak) g_handles.peak = g_handles.live;
    return handle;
}
void DisposeHandle(PF_Handle handle) {
    if (handle == nullptr) return;
    uint64_t bytes = 0;
    std::memcpy(&bytes, handle + 1, sizeof bytes);
    g_handles.live -= bytes;
    std::free(*handle);
    std::free(handle);
}
double HostSqrt(double x) { return std::sqrt(x); }
double HostFloor(double x) { return std::floor(x); }
char* HostStrcpy(char* dst, const char* src) { return std::strcpy(dst, src); }
PF_Err Progress(PF_ProgPtr, int32_t, int32_t) { return PF_Err_NONE; }

}  // namespace

HandleBytes CoreRig::Handles() { return g_handles; }
void CoreRig::ResetHandles() { g_handles.peak = g_handles.live; }

CoreRig::CoreRig(const BenchScene& scene) : scene_(scene) {
    const int32_t bpp = BytesPerPixelOf(scene.format);
    row_bytes_ = scene.width * bpp;
    const size_t bytes = static_cast<size_t>(row_bytes_) * static_cast<size_t>(scene.height);
    input_.assign(bytes, 0);
    output_.assign(bytes, 0);
    FillPattern(scene.format, scene.width, scene.height, row_bytes_, input_.data());
    if (scene.crossings > 0) mask = SweepMask(scene.width, scene.height, scene.crossings);

    utils_.host_new_handle = NewHandle;
    utils_.host_dispose_handle = DisposeHandle;
    utils_.ansi.sqrt = HostSqrt;
    utils_.ansi.floor = HostFloor;
    utils_.ansi.hypot = runner::PortableHypot;
    utils_.ansi.pow = runner::PortablePow;
    utils_.ansi.strcpy = HostStrcpy;
    in_.utils = &utils_;
    in_.inter.progress = Progress;
    in_.effect_ref = this;
    in_.time_step = 1;
    in_.time_scale = 24;
    query_ = PF_PathQuerySuite1{CheckoutPath, CheckinPath};
    data_ = PF_PathDataSuite1{NumSegments, Prepare, Length, Eval, Cleanup};

    // The defaults, then the scene's own values.
    params_.downsample = 1.0;
    params_.mode = MODE_CONTINUOUS;
    params_.direction = DIRECTION_PATH;
    params_.path_id = scene.crossings > 0 ? PATH_ID : 0;
    params_.time = scene.time * 0.01;
    params_.max_radius = scene.max_radius;
    params_.min_radius = 0.1;
    params_.edge_thickness = scene.edge_thickness;
    params_.edge_mode = EDGE_MODE_BRIGHTNESS;
    params_.edge_color = PF_Pixel{255, 255, 255, 255};
    params_.edge_brightness = 1.0;
    params_.invert = 0;
    params_.seed = 0;
    params_.on_original = scene.on_original;

    context_.in_data = &in_;
    context_.out_data = &out_;
    context_.width = scene.width;
    context_.height = scene.height;
    context_.input_stride = scene.width;
    context_.output_stride = scene.width;
    switch (scene.format) {
        case PF_PixelFormat_ARGB32:
            context_.depth = DEPTH_8;
            context_.input_pixels8 = reinterpret_cast<PF_Pixel*>(input_.data());
            context_.output_pixels8 = reinterpret_cast<PF_Pixel*>(output_.data());
            break;
        case PF_PixelFormat_ARGB64:
            context_.depth = DEPTH_16;
            context_.input_pixels16 = reinterpret_cast<PF_Pixel16*>(input_.data());
            context_.output_pixels16 = reinterpret_cast<PF_Pixel16*>(output_.data());
            break;
        default:
            context_.depth = DEPTH_FLOAT;
            context_.input_pixels_float = reinterpret_cast<PF_PixelFloat*>(input_.data());
            context_.output_pixels_float = reinterpret_cast<PF_PixelFloat*>(output_.data());
            break;
    }
}

CoreRig::~CoreRig() { DisposeHandle(grid_); }

PF_Err CoreRig::Place() {
    DisposeHandle(grid_);
    grid_ = nullptr;
    if (params_.path_id == 0) return PF_Err_NONE;
    return PlaceCircles(params_, &in_, &out_, PathSuites{&query_, &data_}, scene_.width, scene_.height, &result_,
                        &grid_);
}

double CoreRig::WalkPathOnly() {
    double sum = 0.0;
    if (params_.path_id == 0) return sum;
    const int32_t segments = runner::SegmentCount(mask);
    for (int32_t s = 0; s < segments; ++s) {
        PF_PathSegPrepPtr prep = nullptr;
        Prepare(this, &mask, s, PATH_SAMPLING_FREQUENCY, &prep);
        double length = 0.0;
        Length(this, &mask, s, &prep, &length);
        for (double t = 0.0; t <= length && t <= MAX_SEGMENT_WALK; t += 1.0) {
            double x = 0.0, y = 0.0, dx = 0.0, dy = 0.0;
            Eval(this, &mask, &prep, s, t, &x, &y, &dx, &dy);
            sum += x + y + dx + dy;
        }
        Cleanup(this, &mask, s, &prep);
    }
    return sum;
}

void CoreRig::ResetOutput() {
    if (scene_.on_original != 0) {
        std::memcpy(output_.data(), input_.data(), output_.size());
    } else {
        std::memset(output_.data(), 0, output_.size());
    }
}

PF_Err CoreRig::Draw() { return DrawCircles(params_, context_, result_); }

std::vector<DrawnCircle> CoreRig::DrawnCircles() const {
    std::vector<DrawnCircle> circles;
    if (scene_.format != PF_PixelFormat_ARGB32) return circles;
    const PF_Pixel* in = reinterpret_cast<const PF_Pixel*>(input_.data());
    // At 50 % every circle is drawn in full: radius + 1, its near edge on the
    // path point.
    result_.circles.ForEach([&](const CircleRecord& r) {
        DrawnCircle c;
        c.drawn_radius = r.radius + 1;
        c.cx = static_cast<double>(r.point_x) + static_cast<double>(c.drawn_radius) * r.dir_x;
        c.cy = static_cast<double>(r.point_y) + static_cast<double>(c.drawn_radius) * r.dir_y;
        c.fill = in[static_cast<size_t>(r.point_y) * static_cast<size_t>(scene_.width) +
                    static_cast<size_t>(r.point_x)];
        c.edge = c.fill;
        circles.push_back(c);
    });
    return circles;
}

}  // namespace bench
