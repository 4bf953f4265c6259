// The page's shot is one keys document, the very file `ringstride --keys`
// takes: its parameter tracks and mask keys are applied to the page's
// session as the command line applies them, so that what the page shows
// and what it exports cannot drift apart.
#ifndef FOLVEK_WEB_SHOT_DOCUMENT_H
#define FOLVEK_WEB_SHOT_DOCUMENT_H

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "runner/core/error.h"
#include "runner/core/session.h"
#include "runner/shot/frame_rate.h"

namespace runner::web {

// The path id under which the mask is handed to the host, as on the command line.
constexpr PF_PathID MASK_ID = 1;

// Every parameter back to the effect's default and no mask: a document
// then lands on the session as on a fresh one.
Status ResetToDefaults(Session* session);

// The document `text` (messages name it `name`) applied after a reset, its
// keys given by frame placed at `rate` (as --fps reads it), and the
// session's time set to `at` seconds ("1.5", "1001/30000", as --at).
Result<Timing> ApplyDocument(const std::string& text, const std::string& name, const std::string& at,
                             const std::string& rate, Session* session);

// The document as the page keeps its shot: every key at its time in
// seconds, labels as the effect registered them, values as the page's
// controls hold them (popups by choice, checkboxes true or false, colours
// "#RRGGBB"), masks as vertices and tangents. A track or mask of one key
// is a constant.
Result<nlohmann::json> PageDocument(const std::string& text, const std::string& name, const std::string& rate,
                                    const std::vector<ParamDefinition>& params);

}  // namespace runner::web

#endif
