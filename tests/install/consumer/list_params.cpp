// Loads an effect with the installed host library and lists its parameters
// as the shot part describes them.
#include <cstdio>

#include "runner/loader/effect_open.h"
#include "runner/shot/param_text.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    runner::Result<runner::OpenedEffect> opened = runner::OpenEffect(argv[1]);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().message.c_str());
        return 1;
    }
    const std::vector<runner::ParamDefinition>& params = opened->session->Params();
    for (size_t i = 1; i < params.size(); ++i) {
        std::printf("%s: %s\n", params[i].label.c_str(), runner::DescribeType(params[i]).c_str());
    }
    return 0;
}
