// The filter's panel in Kdenlive. Without a description file Kdenlive builds
// the panel from MLT's metadata alone: raw 0 to 1 numbers, nothing to
// keyframe, and no Path or Values field. A description file (an effect XML
// where Kdenlive looks for user effects) replaces that panel; this one is
// made from the same parameter table the filter shows every host, so the
// two cannot drift apart.
#ifndef FOLVEK_FREI0R_KDENLIVE_PANEL_H
#define FOLVEK_FREI0R_KDENLIVE_PANEL_H

#include <string>
#include <vector>

#include "frei0r/catalog.h"
#include "runner/core/error.h"
#include "runner/core/session.h"

namespace runner::frei0r {

// The description of the filter `catalog` describes; its effect id is MLT's name for the filter, which ties the two together.
// Sliders keyframable in the effect's units as far as Kdenlive can show
// them, popups as lists, checkboxes, the colour, Path and Values as text.
Result<std::string> KdenliveEffectXml(const Catalog& catalog);

}  // namespace runner::frei0r

#endif
