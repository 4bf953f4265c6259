#include "runner/shot/svg_document.h"

#include <tinyxml2.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "runner/shot/affine.h"
#include "runner/shot/svg_elements.h"
#include "runner/shot/svg_path.h"
#include "runner/shot/svg_scan.h"
#include "runner/shot/svg_shapes.h"
#include "runner/shot/svg_units.h"

namespace runner {
namespace {

using tinyxml2::XMLElement;

// How deep <use> references may nest, and how many elements are looked at
// in all (each <use> counting its target again): bounds for documents that
// reference themselves into enormous trees.
constexpr size_t MAX_USE_DEPTH = 32;
constexpr int64_t MAX_VISITS = 1000000;

// The coordinate system an element's content is drawn in.
struct Frame {
    Affine ctm;    // user units to layer pixels
    Box viewport;  // the nearest viewport in user units, for percentages
};

bool IsContainer(std::string_view name) { return name == "g" || name == "a" || name == "svg" || name == "switch"; }

Affine Translation(double x, double y) { return Affine{1, 0, 0, 1, x, y}; }

// <rect id="frame"> or <rect>, for messages.
std::string Describe(const XMLElement& e) {
    std::string out = "<" + std::string(e.Name());
    if (const char* id = e.Attribute("id")) out += " id=\"" + std::string(id) + "\"";
    return out + ">";
}

// The first rendered path or basic shape of a document (or of the element
// the caller names), walked in drawing order: content that is only ever
// drawn by reference (<defs>, <clipPath>, <mask>, <marker>, <pattern>,
// <symbol>) counts only through a <use>, and display:none hides an element
// with everything in it.
class SvgMaskReader {
public:
    SvgMaskReader(const std::string& what, const SvgOptions& options) : what_(what), options_(options) {}

    Result<std::vector<MaskPath>> Run(const tinyxml2::XMLDocument& doc) {
        const XMLElement* root = doc.RootElement();
        if (root == nullptr) return Error{what_ + ": the SVG document has no elements"};
        CollectIds(*root);
        Result<Frame> top = RootFrame(*root);
        if (!top) return top.error();
        const std::string& id = options_.element_id;
        if (id.empty()) {
            if (Status s = VisitChildren(*root, *top); !s) return s.error();
            if (!found_) return Error{what_ + ": the SVG document has no <path> element or basic shape that is drawn"};
            return std::move(*found_);
        }
        auto it = ids_.find(id);
        if (it == ids_.end()) return Error{what_ + ": no element has id \"" + id + "\""};
        Status s = Success();
        if (it->second == root) {
            s = VisitChildren(*root, *top);
        } else {
            Result<Frame> around = FrameAround(*it->second, *root, *top);
            if (!around) return around.error();
            s = Visit(*it->second, *around, true);
        }
        if (!s) return s.error();
        if (!found_) return Error{what_ + ": element #" + id + " holds no <path> element or basic shape that is drawn"};
        return std::move(*found_);
    }

private:
    Error Fail(const XMLElement& e, const std::string& what) const {
        return Error{what_ + ": " + Describe(e) + ": " + what};
    }

    void CollectIds(const XMLElement& e) {
        if (const char* id = e.Attribute("id")) ids_.emplace(id, &e);
        for (const XMLElement* c = e.FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) CollectIds(*c);
    }

    Result<double> Length(const XMLElement& e, const char* name, Axis axis, const Box& viewport) const {
        const char* text = e.Attribute(name);
        if (text == nullptr) return 0.0;
        Result<double> v = ParseLength(text, axis, viewport);
        if (!v) return Fail(e, std::string(name) + "=" + v.error().message);
        return *v;
    }

    Result<std::optional<Box>> ViewBox(const XMLElement& e) const {
        const char* text = e.Attribute("viewBox");
        if (text == nullptr) return std::optional<Box>();
        Result<Box> box = ParseViewBox(text);
        if (!box) return Fail(e, box.error().message);
        return std::optional<Box>(*box);
    }

    Result<AspectRatio> Aspect(const XMLElement& e) const {
        const char* text = e.Attribute("preserveAspectRatio");
        Result<AspectRatio> aspect = ParseAspectRatio(text == nullptr ? "" : text);
        if (!aspect) return Fail(e, aspect.error().message);
        return aspect;
    }

    Result<Affine> Transform(const XMLElement& e, const Affine& outer) const {
        const char* text = e.Attribute("transform");
        if (text == nullptr) return outer;
        Result<Affine> m = ParseTransform(text);
        if (!m) return Error{what_ + ": " + m.error().message};
        return Compose(outer, *m);
    }

    // The outermost <svg>: its width and height (with units; percentages
    // of the layer) are the document's size in pixels, its viewBox maps
    // user units into that, and with fit_layer that size is mapped
    // onto the layer in turn, as preserveAspectRatio says.
    Result<Frame> RootFrame(const XMLElement& root) const {
        const double layer_w = options_.layer_width, layer_h = options_.layer_height;
        const Box layer{0, 0, layer_w, layer_h};
        Frame f{Affine{}, layer};
        if (LocalName(root) != "svg") {
            if (options_.fit_layer) return Error{what_ + ": " + options_.fit_name + ": the root element is not <svg>"};
            return f;
        }
        Result<std::optional<Box>> box = ViewBox(root);
        if (!box) return box.error();
        Result<AspectRatio> aspect = Aspect(root);
        if (!aspect) return aspect.error();
        auto size = [&](const char* name, Axis axis) -> Result<std::optional<double>> {
            const char* text = root.Attribute(name);
            if (text == nullptr || std::string_view(text) == "auto") return std::optional<double>();
            if (IsPercentage(text) && !(layer_w > 0 && layer_h > 0)) return std::optional<double>();
            Result<double> v = ParseLength(text, axis, layer);
            if (!v) return Fail(root, std::string(name) + "=" + v.error().message);
            if (!(*v > 0.0)) return Fail(root, std::string(name) + "=\"" + text + "\": the document must have a size");
            return std::optional<double>(*v);
        };
        Result<std::optional<double>> width = size("width", Axis::X);
        if (!width) return width.error();
        Result<std::optional<double>> height = size("height", Axis::Y);
        if (!height) return height.error();
        std::optional<double> w = *width, h = *height;
        // A size left out follows the viewBox: its proportions when the
        // other is given, its own size when neither is; the layer's without one.
        if (*box) {
            const Box& b = **box;
            if (!w && h) w = *h * b.width / b.height;
            if (!h && w) h = *w * b.height / b.width;
            if (!w) w = b.width;
            if (!h) h = b.height;
        }
        if (!w && layer_w > 0) w = layer_w;
        if (!h && layer_h > 0) h = layer_h;
        const Box size_px{0, 0, w.value_or(0.0), h.value_or(0.0)};
        Affine to_pixels;
        if (*box) {
            to_pixels = FitBox(**box, size_px, *aspect);
            f.viewport = **box;
        } else {
            f.viewport = size_px;
        }
        Affine onto_layer;
        if (options_.fit_layer) {
            if (!(layer_w > 0 && layer_h > 0) || !(size_px.width > 0 && size_px.height > 0)) {
                return Error{what_ + ": " + options_.fit_name + " needs the layer's size and the document's"};
            }
            onto_layer = FitBox(size_px, layer, *aspect);
        }
        Result<Affine> placed = Transform(root, onto_layer);
        if (!placed) return placed.error();
        f.ctm = Compose(*placed, to_pixels);
        return f;
    }

    // The content frame of an element with a viewport of its own (a nested
    // <svg>, or a <symbol> or <svg> a <use> draws): x, y, width and height
    // (100 % by default; a <use>'s own width and height win) place its
    // viewBox. Nothing when its width or height is not positive.
    Result<std::optional<Frame>> ViewportFrame(const XMLElement& e, const Affine& ctm, const Box& outer,
                                               const XMLElement* use) const {
        auto size = [&](const char* name, Axis axis) -> Result<double> {
            const char* text = use != nullptr ? use->Attribute(name) : nullptr;
            if (text == nullptr) text = e.Attribute(name);
            if (text == nullptr || std::string_view(text) == "auto") {
                return axis == Axis::X ? outer.width : outer.height;
            }
            Result<double> v = ParseLength(text, axis, outer);
            if (!v) return Fail(e, std::string(name) + "=" + v.error().message);
            return *v;
        };
        Result<double> x = Length(e, "x", Axis::X, outer), y = Length(e, "y", Axis::Y, outer);
        Result<double> w = size("width", Axis::X), h = size("height", Axis::Y);
        for (const Result<double>* r : {&x, &y, &w, &h}) {
            if (!*r) return r->error();
        }
        if (!(*w > 0.0 && *h > 0.0)) return std::optional<Frame>();
        Result<std::optional<Box>> box = ViewBox(e);
        if (!box) return box.error();
        Result<AspectRatio> aspect = Aspect(e);
        if (!aspect) return aspect.error();
        const Box port{*x, *y, *w, *h};
        if (!*box) return std::optional<Frame>(Frame{Compose(ctm, Translation(*x, *y)), Box{0, 0, *w, *h}});
        return std::optional<Frame>(Frame{Compose(ctm, FitBox(**box, port, *aspect)), **box});
    }

    // The frame an element's content is drawn in, reached in place.
    Result<std::optional<Frame>> InnerFrame(const XMLElement& e, const Frame& outer) const {
        Result<Affine> ctm = Transform(e, outer.ctm);
        if (!ctm) return ctm.error();
        if (LocalName(e) == "svg") return ViewportFrame(e, *ctm, outer.viewport, nullptr);
        return std::optional<Frame>(Frame{*ctm, outer.viewport});
    }

    // The frame the chosen element sits in: its ancestors' transforms and
    // viewports, from the root down.
    Result<Frame> FrameAround(const XMLElement& chosen, const XMLElement& root, const Frame& top) const {
        std::vector<const XMLElement*> chain;
        for (const tinyxml2::XMLNode* n = chosen.Parent(); n != nullptr && n != &root; n = n->Parent()) {
            if (const XMLElement* e = n->ToElement()) chain.push_back(e);
        }
        Frame f = top;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            Result<std::optional<Frame>> inner = InnerFrame(**it, f);
            if (!inner) return inner.error();
            if (!*inner) return Fail(**it, "has no size, so nothing in it is drawn");
            f = **inner;
        }
        return f;
    }

    Status VisitChildren(const XMLElement& e, const Frame& frame) {
        for (const XMLElement* c = e.FirstChildElement(); c != nullptr && !found_; c = c->NextSiblingElement()) {
            if (Status s = Visit(*c, frame, false); !s) return s;
        }
        return Success();
    }

    // `chosen`: named by the caller, so drawn whatever it is.
    Status Visit(const XMLElement& e, const Frame& frame, bool chosen) {
        if (found_) return Success();
        if (++visits_ > MAX_VISITS) {
            return Error{what_ + ": more than " + std::to_string(MAX_VISITS) +
                         " elements to look at (each <use> counting its target again)"};
        }
        const std::string_view name = LocalName(e);
        const bool shape = name == "path" || IsBasicShape(name);
        // requiredExtensions names extensions we have none of: the element is not drawn.
        if (!chosen && (DisplayNone(e) || e.Attribute("requiredExtensions") != nullptr)) return Success();
        if (!chosen && !shape && !IsContainer(name) && name != "use") return Success();
        if (shape || name == "use") {
            Result<Affine> ctm = Transform(e, frame.ctm);
            if (!ctm) return ctm.error();
            return shape ? TakeShape(e, name, Frame{*ctm, frame.viewport}) : VisitUse(e, Frame{*ctm, frame.viewport});
        }
        Result<std::optional<Frame>> inner = InnerFrame(e, frame);
        if (!inner) return inner.error();
        if (!*inner) return Success();
        if (name == "switch") {
            // The first child whose conditions hold is the one drawn.
            for (const XMLElement* c = e.FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
                if (c->Attribute("requiredExtensions") == nullptr) return Visit(*c, **inner, false);
            }
            return Success();
        }
        return VisitChildren(e, **inner);
    }

    // A <use>: its target drawn at (x, y) in the use's coordinates.
    Status VisitUse(const XMLElement& use, const Frame& frame) {
        const char* href = Href(use);
        if (href == nullptr || *href == '\0') return Success();
        const std::string_view ref = href;
        if (ref.front() != '#') {
            return Fail(use, "refers to \"" + std::string(ref) + "\" in another document, which is not read");
        }
        auto it = ids_.find(std::string(ref.substr(1)));
        if (it == ids_.end()) return Success();  // draws nothing, as in a viewer
        const XMLElement& target = *it->second;
        if (std::find(expanding_.begin(), expanding_.end(), &target) != expanding_.end()) {
            return Fail(use, "refers to " + std::string(ref) + ", which contains this reference: a cycle");
        }
        if (expanding_.size() >= MAX_USE_DEPTH) {
            return Fail(use, "<use> references nest deeper than " + std::to_string(MAX_USE_DEPTH));
        }
        Result<double> x = Length(use, "x", Axis::X, frame.viewport), y = Length(use, "y", Axis::Y, frame.viewport);
        if (!x) return x.error();
        if (!y) return y.error();
        const Frame at{Compose(frame.ctm, Translation(*x, *y)), frame.viewport};
        const std::string_view name = LocalName(target);
        expanding_.push_back(&target);
        Status s = Success();
        if ((name == "symbol" || name == "svg") && !(name == "svg" && DisplayNone(target))) {
            Result<Affine> ctm = Transform(target, at.ctm);
            Result<std::optional<Frame>> inner = ctm ? ViewportFrame(target, *ctm, at.viewport, &use)
                                                     : Result<std::optional<Frame>>(ctm.error());
            if (!inner) s = inner.error();
            else if (*inner) s = VisitChildren(target, **inner);
        } else if (name != "symbol" && name != "svg") {
            s = Visit(target, at, false);
        }
        expanding_.pop_back();
        return s;
    }

    Status TakeShape(const XMLElement& e, std::string_view name, const Frame& frame) {
        std::string data;
        if (name == "path") {
            const char* d = e.Attribute("d");
            data = d == nullptr ? "" : d;
            if (TrimSvgBlanks(data).empty()) return Success();  // draws nothing
        } else {
            Result<std::string> d = ShapePathData(e, name, frame.viewport);
            if (!d) return Fail(e, d.error().message);
            if (d->empty()) return Success();
            data = std::move(*d);
        }
        Result<std::vector<MaskPath>> paths = ParsePathData(data);
        if (!paths) {
            return name == "path" ? Fail(e, paths.error().message) : Fail(e, "reaches beyond the coordinate limit of 1e7");
        }
        for (MaskPath& p : *paths) p = Transformed(p, frame.ctm);
        found_ = std::move(*paths);
        return Success();
    }

    const std::string& what_;
    const SvgOptions& options_;
    std::unordered_map<std::string, const XMLElement*> ids_;
    std::vector<const XMLElement*> expanding_;  // targets of the <use> elements being drawn
    int64_t visits_ = 0;
    std::optional<std::vector<MaskPath>> found_;
};

}  // namespace

Result<std::vector<MaskPath>> ParseSvgDocument(std::string_view text, const std::string& what,
                                               const SvgOptions& options) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return Error{what + ": not a readable SVG document (" + std::string(doc.ErrorStr()) + ")"};
    }
    return SvgMaskReader(what, options).Run(doc);
}

bool LooksLikeSvgDocument(std::string_view text) {
    const size_t first = SkipSvgBlanks(text, 0);
    return first < text.size() && text[first] == '<';
}

}  // namespace runner
