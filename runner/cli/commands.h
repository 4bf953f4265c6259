// The three commands of the tool. Each returns what it has to report as an
// error; on success it has printed its own output.
#ifndef FOLVEK_RUNNER_CLI_COMMANDS_H
#define FOLVEK_RUNNER_CLI_COMMANDS_H

#include <string>

#include "runner/result.h"
#include "runner/cli/scene.h"

namespace runner::cli {

Status RunInfo(const std::string& plugin);

Status RunRender(const SceneOptions& options, const std::string& output);

struct AnimateOptions {
    SceneOptions scene;
    std::string output;   // a frame-number pattern or a .mp4/.gif/.webm file
    int32_t frames = 0;
    double fps = 24.0;
    int32_t threads = 0;  // 0: every core
};

Status RunAnimate(const AnimateOptions& options);

}  // namespace runner::cli

#endif
