#include "frei0r/catalog.h"

#include <cstdlib>

#include "runner/loader/effect_open.h"

namespace runner::frei0r {
namespace {

// The about box's lines on one line.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!out.empty() && out.back() != ' ') out += " - ";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string EffectLibraryPath(const void* self) {
    const char* chosen = std::getenv(EFFECT_LIBRARY_ENV);
    if (chosen != nullptr && chosen[0] != '\0') return chosen;
    const std::string beside = PluginPathBesideModule(self);
    return beside.empty() ? DEFAULT_PLUGIN_NAME : beside;
}

Catalog DescribeEffect(const std::string& library, const OpenedEffect& opened) {
    Catalog catalog;
    catalog.library = library;
    catalog.loaded = opened.library;
    Session& session = *opened.session;
    const CommandResult about = session.About();
    const Pipl& pipl = opened.library->PiplInfo();
    catalog.title = pipl.name;
    const size_t by = pipl.match_name.rfind(" by ");
    catalog.author = by != std::string::npos ? pipl.match_name.substr(by + 4) : pipl.category;
    catalog.major_version = static_cast<int32_t>((pipl.version >> 19) & 0x7);
    catalog.minor_version = static_cast<int32_t>((pipl.version >> 15) & 0xF);
    const std::string pipl_text = " (" + pipl.match_name + ", category " + pipl.category + ")";
    const std::string about_text = about.err == PF_Err_NONE ? OneLine(about.return_msg) : std::string();
    const bool ends_sentence = !about_text.empty() && std::string(".!?").find(about_text.back()) != std::string::npos;
    catalog.explanation = (about_text.empty() ? std::string() : about_text + (ends_sentence ? " " : ". ")) +
                          "A chain of circles along the mask path given in Path" + pipl_text +
                          "; Values takes label=value pairs beyond the sliders.";
    catalog.defs = session.Params();
    catalog.params = HostParams(catalog.defs);
    return catalog;
}

Catalog BuildCatalog(const std::string& library) {
    Result<OpenedEffect> opened = OpenEffect(library);
    if (opened) return DescribeEffect(library, *opened);
    Catalog catalog;
    catalog.library = library;
    catalog.failure = opened.error().message + " (set " + EFFECT_LIBRARY_ENV + " to the effect library)";
    catalog.explanation = "Not available: " + catalog.failure;
    return catalog;
}

}  // namespace runner::frei0r
