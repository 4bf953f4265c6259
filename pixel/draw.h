// Reveal and drawing: each revealed circle is a disc in the colour sampled at
// its path point, outlined by a ring in the edge colour, both anti-aliased
// over one pixel and laid over the output with the "over" blend.
#ifndef FOLVEK_DRAW_H
#define FOLVEK_DRAW_H

#include "host/host_api.h"
#include "render/circle_list.h"
#include "render/render_params.h"

// Draws the part of the chain that params.time reveals into the output image
// of the context's depth, walking the list in placement order. Reports
// progress to the host after each drawn circle and returns its first
// non-zero answer (drawing still goes on to the end), else 0. A context
// without the host functions or the pixels of its depth gives
// PF_Err_BAD_CALLBACK_PARAM and draws nothing.
PF_Err DrawCircles(const RenderParams& params, const RenderContext& context,
                   const PlacementResult& placement);

#endif
