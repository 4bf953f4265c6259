// What pre-render leaves with the host for the frame's render: the frame's
// parameter record, and the host's basic suite, through which the deletion
// call acquires the handle suite for itself (pre-render's suites are
// released when pre-render returns, long before the host deletes the data).
#ifndef FOLVEK_PRE_RENDER_RECORD_H
#define FOLVEK_PRE_RENDER_RECORD_H

#include "render/render_params.h"

struct PreRenderRecord {
    RenderParams params;
    const SPBasicSuite* basic;
};

// Registered with the pre-render output; the host calls it with the handle
// once the frame no longer needs it.
void DeletePreRenderData(void* pre_render_data);

#endif
