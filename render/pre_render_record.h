// What pre-render leaves with the host for the frame's render: the frame's
// parameter record, and the host function that frees the record's handle,
// so that the host's deletion call needs nothing else.
#ifndef FOLVEK_PRE_RENDER_RECORD_H
#define FOLVEK_PRE_RENDER_RECORD_H

#include "render/render_params.h"

struct PreRenderRecord {
    RenderParams params;
    void (*host_dispose_handle)(PF_Handle handle);
};

// Registered with the pre-render output; the host calls it with the handle
// once the frame no longer needs it.
void DeletePreRenderData(void* pre_render_data);

#endif
