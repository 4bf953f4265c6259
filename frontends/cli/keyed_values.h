// What animate --dry-run --show-keys prints: for every frame, the values of
// every keyed parameter as the effect will be handed them, after the host
// has stored them (whole sliders rounded, percent sliders to 1/65536 %,
// colours per channel, popups and checkboxes held between keys), and the
// mask's vertex count. One line per frame, fields separated by tabs:
//   frame=12	time=1/2	Time=37.5	Edge Color=#A08860	mask vertices=3
// The time is exact, as --at takes it; each value is as --param takes it.
#ifndef FOLVEK_CLI_KEYED_VALUES_H
#define FOLVEK_CLI_KEYED_VALUES_H

#include <string>
#include <vector>

#include "cli/scene.h"

namespace runner::cli {

// Frames `first` to `last` of `timing`; `session` (the effect set up, not
// rendering) gets the scene applied.
Result<std::vector<std::string>> KeyedValueLines(const Scene& scene, const Timing& timing, int32_t first,
                                                 int32_t last, Session* session);

}  // namespace runner::cli

#endif
