// Renders the scene list through our host library with a given entry point
// and writes every frame to a directory. Shared by the Windows renderer
// (under wine) and its Linux twin.
#ifndef FOLVEK_TESTS_WINE_SCENE_RENDER_H
#define FOLVEK_TESTS_WINE_SCENE_RENDER_H

#include <string>

#include "host/host_api.h"
#include "frame_file.h"
#include "scenes.h"

namespace scenes {

// One scene in a fresh session: set-up, parameters, mask, one frame.
// False (with `error`) when the scene could not be set up at all; a
// failing render is recorded in frame->err instead.
bool RenderScene(PF_EntryPointFunc entry, const Scene& scene, Frame* frame, std::string* error);

// Every scene of AllScenes() into `dir` (which must exist); prints one line
// per scene. Returns the process exit status: 0 when every frame was written.
int RenderAllScenes(PF_EntryPointFunc entry, const std::string& dir);

}  // namespace scenes

#endif
