#include "frei0r/kdenlive_panel.h"

#include <tinyxml2.h>

#include <cstdio>

#include "runner/shot/param_text.h"

namespace runner::frei0r {
namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

XMLElement* Parameter(XMLElement* effect, const char* type, const HostParam& p, const std::string& shown_name) {
    XMLElement* e = effect->InsertNewChildElement("parameter");
    e->SetAttribute("type", type);
    e->SetAttribute("name", p.name.c_str());  // the frei0r name, by which MLT finds the value
    e->InsertNewChildElement("name")->SetText(shown_name.c_str());
    return e;
}

void Comment(XMLElement* parameter, const std::string& text) {
    if (!text.empty()) parameter->InsertNewChildElement("comment")->SetText(text.c_str());
}

// A keyframable slider. Kdenlive shows the frei0r value times `factor` and
// has no offset that works, so a slider range is shown from 0: the effect's
// own value where the range starts at 0, else the amount above its start,
// named so (every shown whole number is still a whole effect value).
// Numbers are exact: Kdenlive hands MLT the number it reads, so the filter
// gets exactly what its table holds.
void Slider(XMLElement* effect, const HostParam& p, const ParamDefinition& def) {
    const double span = def.slider_max - def.slider_min;
    const bool from_zero = def.slider_min == 0.0;
    const std::string unit = def.IsPercent() ? " %" : "";
    const std::string shown = from_zero ? def.label : def.label + " above " + FormatNumber(def.slider_min);
    XMLElement* e = Parameter(effect, "animated", p, shown);
    e->SetAttribute("default", ExactNumber(p.default_number).c_str());
    e->SetAttribute("min", "0");
    e->SetAttribute("max", ExactNumber(span).c_str());
    e->SetAttribute("factor", ExactNumber(span).c_str());
    e->SetAttribute("decimals", def.type == PF_Param_SLIDER ? 0 : def.precision);
    if (def.IsPercent()) e->SetAttribute("suffix", "%");
    std::string text;
    if (!from_zero) {
        text = "Kdenlive's sliders start at 0, so this one shows " + def.label + " minus " +
               FormatNumber(def.slider_min) + ": 0 to " + FormatNumber(span) + " here is " + def.label + " " +
               FormatNumber(def.slider_min) + " to " + FormatNumber(def.slider_max) + unit + ".";
    }
    if (def.valid_min < def.slider_min || def.valid_max > def.slider_max) {
        text += (text.empty() ? "" : " ") + std::string("Values reaches ") + DescribeAllowed(def) + ".";
    }
    Comment(e, text);
}

// A popup as a list of the middles of the choices' equal shares of [0, 1].
void Popup(XMLElement* effect, const HostParam& p, const ParamDefinition& def) {
    const size_t n = def.choices.size();
    std::vector<std::string> values;
    std::string list, names;
    for (size_t k = 0; k < n; ++k) {
        values.push_back(ExactNumber((static_cast<double>(k) + 0.5) / static_cast<double>(n)));
        list += (k ? ";" : "") + values.back();
        std::string name = def.choices[k];
        for (char& c : name) {
            if (c == ',') c = ';';  // Kdenlive splits the names at commas
        }
        names += (k ? "," : "") + name;
    }
    const size_t d = def.default_value >= 1.0 && def.default_value <= static_cast<double>(n)
                         ? static_cast<size_t>(def.default_value) - 1
                         : 0;
    XMLElement* e = Parameter(effect, "list", p, def.label);
    e->SetAttribute("default", values[d].c_str());
    e->SetAttribute("paramlist", list.c_str());
    e->InsertNewChildElement("paramlistdisplay")->SetText(names.c_str());
}

void Color(XMLElement* effect, const HostParam& p, const ParamDefinition& def) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02x%02x%02xff", def.default_color.red, def.default_color.green,
                  def.default_color.blue);
    Parameter(effect, "color", p, def.label)->SetAttribute("default", hex);
}

// Path and Values: text fields ("keywords" with no keywords to offer).
void Text(XMLElement* effect, const HostParam& p) {
    XMLElement* e = Parameter(effect, "keywords", p, p.name);
    e->SetAttribute("default", "");
    std::string text = p.explanation;
    if (p.kind == ValueKind::VALUES) {
        text += " Put the whole text in double quotes (\"max radius=1200; seed=40000\"): MLT reads a text "
                "holding '=' as keyframes unless it is quoted.";
    }
    Comment(e, text);
}

}  // namespace

Result<std::string> KdenliveEffectXml(const Catalog& catalog) {
    if (!catalog.failure.empty()) return Error{catalog.failure};
    const std::vector<ParamDefinition>& defs = catalog.defs;
    const std::string service = std::string("frei0r.") + PLUGIN_NAME;
    XMLDocument doc;
    doc.InsertEndChild(doc.NewUnknown("DOCTYPE kpartgui"));
    XMLElement* effect = doc.NewElement("effect");
    doc.InsertEndChild(effect);
    effect->SetAttribute("LC_NUMERIC", "C");  // numbers below use '.' whatever the user's locale
    effect->SetAttribute("tag", service.c_str());
    effect->SetAttribute("id", service.c_str());
    effect->InsertNewChildElement("name")->SetText(catalog.title.empty() ? PLUGIN_NAME : catalog.title.c_str());
    effect->InsertNewChildElement("description")->SetText(catalog.explanation.c_str());
    effect->InsertNewChildElement("author")->SetText(catalog.author.c_str());
    for (const HostParam& p : catalog.params) {
        if (p.kind == ValueKind::PATH || p.kind == ValueKind::VALUES) {
            Text(effect, p);
            continue;
        }
        const size_t at = static_cast<size_t>(p.effect_index);
        if (p.effect_index <= 0 || at >= defs.size()) {
            return Error{"Kdenlive panel: " + p.name + " has no parameter definition at " + std::to_string(at)};
        }
        const ParamDefinition& def = defs[at];
        switch (p.kind) {
        case ValueKind::SLIDER:
            if (!(def.slider_max > def.slider_min)) {
                return Error{"Kdenlive panel: " + p.name + " has an empty slider range"};
            }
            Slider(effect, p, def);
            break;
        case ValueKind::POPUP: Popup(effect, p, def); break;
        case ValueKind::CHECKBOX:
            Parameter(effect, "bool", p, def.label)->SetAttribute("default", p.default_number >= 0.5 ? 1 : 0);
            break;
        case ValueKind::COLOR: Color(effect, p, def); break;
        default: break;
        }
    }
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    return std::string(printer.CStr());
}

}  // namespace runner::frei0r
