// ringstride-kdenlive-panel EFFECT_LIBRARY OUTPUT.xml: writes the filter's
// Kdenlive effect description for the effect library, as the build does
// once the effect and the filter are built. The file is replaced whole or
// not at all.
#include <cstdio>
#include <fstream>
#include <string>

#include "frei0r/kdenlive_panel.h"
#include "runner/loader/effect_open.h"

namespace {

int Fail(const std::string& line) {
    std::fprintf(stderr, "ringstride-kdenlive-panel: %s\n", line.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Fail("usage: ringstride-kdenlive-panel EFFECT_LIBRARY OUTPUT.xml");
    const std::string library = argv[1];
    const std::string output = argv[2];
    runner::Result<runner::OpenedEffect> opened = runner::OpenEffect(library);
    if (!opened) return Fail(opened.error().message);
    const runner::Result<std::string> xml =
        runner::frei0r::KdenliveEffectXml(runner::frei0r::DescribeEffect(library, *opened));
    if (!xml) return Fail(xml.error().message);

    const std::string partial = output + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << *xml;
        if (!out.flush()) return Fail(partial + ": cannot write");
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::remove(partial.c_str());
        return Fail(output + ": cannot replace");
    }
    return 0;
}
