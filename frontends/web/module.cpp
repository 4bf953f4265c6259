// The functions the page's worker calls in the WebAssembly module. Each
// takes plain numbers and texts and answers one JSON text (valid until the
// next call): the result, or {"error": "one line"}. The effect is linked in
// and driven through EntryPointFunc by one session, as on the command line.
#include <emscripten/emscripten.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "runner/core/session.h"
#include "runner/shot/apply_settings.h"
#include "runner/shot/mask_choice.h"
#include "runner/shot/svg_document.h"
#include "runner/shot/svg_path.h"
#include "web/page_text.h"
#include "web/picture.h"
#include "web/shot_document.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*);

namespace {

using nlohmann::json;
using runner::Error;
using runner::Result;
using runner::Status;

struct Page {
    std::unique_ptr<runner::Session> session;
    bool has_picture = false;
    std::vector<uint8_t> frame;  // RGBA of the last frame rendered
    std::string reply;
};

Page& ThePage() {
    static Page page;
    return page;
}

const char* Answer(const json& j) {
    Page& page = ThePage();
    page.reply = j.dump();
    return page.reply.c_str();
}

const char* Fail(const std::string& message) { return Answer(json{{"error", message}}); }

std::string Text(const char* s) { return s == nullptr ? std::string() : std::string(s); }

runner::Session* Ready(std::string* why) {
    Page& page = ThePage();
    if (!page.session) *why = "the effect is not set up";
    return page.session.get();
}

// Every parameter's value and the mask at the session's time, as the page
// shows them on its controls and its canvas.
json StateAt(const runner::Session& session, int32_t time) {
    runner::MaskPath mask;
    const PF_ParamIndex mask_param = runner::MaskParamIndex(session.Params());
    const bool masked = mask_param >= 0 && session.ValueAt(mask_param, time) == runner::web::MASK_ID &&
                        session.MaskAt(runner::web::MASK_ID, time, &mask);
    const runner::web::Frei0rText text = runner::web::Frei0rAt(session, masked ? &mask : nullptr, time);
    json state{{"values", runner::web::ValuesAt(session, time)}, {"values_text", text.values}, {"path_data", text.path}};
    if (masked) {
        state["mask"] = runner::web::MasksJson({mask})[0];
        if (runner::SegmentCount(mask) == 0) {
            state["note"] = "the mask has a single point and no segment; no circles are drawn";
        }
    } else {
        state["mask"] = nullptr;
    }
    return state;
}

// Subpaths read for the page: each checked as a mask (`what` names them in
// messages), answered as the page's mask records.
const char* AnswerMaskPaths(const Result<std::vector<runner::MaskPath>>& paths, const std::string& what) {
    if (!paths) return Fail(paths.error().message);
    for (const runner::MaskPath& p : *paths) {
        if (Status ok = runner::CheckMask(p, what); !ok) return Fail(ok.error().message);
    }
    return Answer(json{{"paths", runner::web::MasksJson(*paths)}});
}

}  // namespace

extern "C" {

// Sets the effect up; its parameters as `ringstride info` lists them.
EMSCRIPTEN_KEEPALIVE const char* rs_start() {
    Page& page = ThePage();
    page.session = std::make_unique<runner::Session>(&EntryPointFunc);
    const runner::CommandResult set_up = page.session->SetUp();
    if (set_up.err != PF_Err_NONE) {
        page.session.reset();
        return Fail("the effect's set-up failed: " + runner::DescribeEffectError(set_up.err, set_up.return_msg));
    }
    return Answer(json{{"params", runner::web::ParamsJson(page.session->Params())}});
}

// Whether a picture of this size can be rendered; `name` names it.
EMSCRIPTEN_KEEPALIVE const char* rs_check_size(int32_t width, int32_t height, const char* name) {
    if (Status ok = runner::web::CheckPictureSize(width, height, Text(name)); !ok) return Fail(ok.error().message);
    return Answer(json{{"ok", true}});
}

// The layer: `rgba` holds width x height straight-alpha 8-bit RGBA pixels.
EMSCRIPTEN_KEEPALIVE const char* rs_set_picture(int32_t width, int32_t height, const uint8_t* rgba, const char* name) {
    std::string why;
    runner::Session* session = Ready(&why);
    if (session == nullptr) return Fail(why);
    Result<runner::World> world = runner::web::WorldFromRgba(width, height, rgba, Text(name));
    if (!world) return Fail(world.error().message);
    session->SetInput(std::move(*world));
    session->SetLayerSize(width, height);
    const PF_RationalScale one{1, 1};
    session->SetDownsample(one, one);
    ThePage().has_picture = true;
    return Answer(json{{"width", width}, {"height", height}});
}

// The shot of keys document `doc` at `at` seconds, keys given by frame
// placed at `rate`: the frame (RGBA at "pixels", width x height) and every
// value and the mask at that time.
EMSCRIPTEN_KEEPALIVE const char* rs_render(const char* doc, const char* at, const char* rate) {
    std::string why;
    runner::Session* session = Ready(&why);
    if (session == nullptr) return Fail(why);
    Page& page = ThePage();
    if (!page.has_picture) return Fail("open a picture first");
    Result<runner::Timing> timing = runner::web::ApplyDocument(Text(doc), "shot", Text(at), Text(rate), session);
    if (!timing) return Fail(timing.error().message);
    runner::RenderResult rendered = session->RenderFrame();
    if (Status ok = runner::CheckFrame(rendered, ""); !ok) return Fail("the effect: " + ok.error().message);
    runner::web::RgbaFromWorld(rendered.output, &page.frame);
    json answer = StateAt(*session, timing->TimeOf(0));
    answer["width"] = rendered.output.Width();
    answer["height"] = rendered.output.Height();
    answer["pixels"] = reinterpret_cast<uintptr_t>(page.frame.data());
    session->RecycleOutput(std::move(rendered.output));
    return Answer(answer);
}

// A keys file opened in the page (`name` names it), its keys given by frame
// placed at `rate`: {"document": ...} as the page keeps its shot.
EMSCRIPTEN_KEEPALIVE const char* rs_open_keys(const char* text, const char* name, const char* rate) {
    std::string why;
    runner::Session* session = Ready(&why);
    if (session == nullptr) return Fail(why);
    Result<json> doc = runner::web::PageDocument(Text(text), Text(name), Text(rate), session->Params());
    if (!doc) return Fail(doc.error().message);
    return Answer(json{{"document", *doc}});
}

// A frame rate as the command line reads --fps: {"num", "den"}.
EMSCRIPTEN_KEEPALIVE const char* rs_frame_rate(const char* text) {
    Result<runner::Fraction> rate = runner::ParseFrameRate(Text(text), "fps");
    if (!rate) return Fail(rate.error().message);
    return Answer(json{{"num", rate->num}, {"den", rate->den}});
}

// The subpaths of SVG path data (or of an SVG document pasted instead), in
// the page's mask records.
EMSCRIPTEN_KEEPALIVE const char* rs_path_data(const char* data) {
    return AnswerMaskPaths(runner::MaskPathsFromText(Text(data), 0, 0, "path data"), "path data");
}

// The subpaths of the first path or shape an SVG document draws (or of the
// element `id`), in layer pixels of a width x height layer; `fit` scales
// the document's viewport onto the layer.
EMSCRIPTEN_KEEPALIVE const char* rs_svg(const char* text, const char* name, int32_t width, int32_t height, int32_t fit,
                                        const char* id) {
    runner::SvgOptions options;
    options.element_id = Text(id);
    options.layer_width = width;
    options.layer_height = height;
    options.fit_layer = fit != 0;
    options.fit_name = "fit SVG";
    return AnswerMaskPaths(runner::ParseSvgDocument(Text(text), Text(name), options), Text(name));
}

}  // extern "C"
