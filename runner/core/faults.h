// Host failures a test can ask for. Every "n-th" count starts at 1 and is
// counted from the moment the faults are installed with Session::SetFaults;
// 0 means "never".
#ifndef FOLVEK_RUNNER_CORE_FAULTS_H
#define FOLVEK_RUNNER_CORE_FAULTS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "host/host_api.h"

namespace runner {

// The code an injected failure answers with unless a fault says otherwise:
// not one the effect makes itself, so a test can see it passed on unchanged.
constexpr PF_Err INJECTED_ERROR = 1001;

// A format none of the three depths has.
constexpr PF_PixelFormat UNKNOWN_PIXEL_FORMAT = 99;

enum PathOperation : int32_t {
    PATH_OP_NONE = 0,
    PATH_OP_CHECKOUT,
    PATH_OP_CHECKIN,
    PATH_OP_NUM_SEGMENTS,
    PATH_OP_PREPARE,
    PATH_OP_GET_LENGTH,
    PATH_OP_EVAL,
    PATH_OP_CLEANUP
};

struct SuiteKey {
    std::string name;
    int32_t version = 0;
};

struct Faults {
    PF_Err error = INJECTED_ERROR;          // answer of every failing call below

    std::vector<SuiteKey> refused_suites;   // AcquireSuite answers an error and null
    bool null_basic_suite = false;          // in_data->pica_basicP is null

    int32_t fail_handle_allocation = 0;     // n-th host_new_handle returns null
    int32_t fail_lock = 0;                  // n-th host_lock_handle returns null
    int32_t fail_add_param = 0;             // n-th add_param answers `error`
    int32_t fail_param_checkout = 0;        // n-th checkout_param answers `error`

    bool fail_layer_checkout = false;       // pre-render checkout_layer
    bool fail_layer_pixels = false;         // smart render checkout_layer_pixels
    bool fail_output_checkout = false;      // smart render checkout_output
    bool fail_copy = false;                 // utils->copy
    bool fail_fill = false;                 // utils->fill

    PathOperation fail_path_operation = PATH_OP_NONE;
    int32_t fail_path_call = 1;             // ...at its n-th call

    int32_t progress_interrupt_at = 0;      // k-th progress call answers `progress_error`
    PF_Err progress_error = 1002;

    bool unknown_pixel_format = false;      // PF_GetPixelFormat answers 0 and UNKNOWN_PIXEL_FORMAT
    bool fail_pixel_format = false;         // PF_GetPixelFormat answers `error`
    int32_t output_height_delta = 0;        // the output world is this many rows taller

    bool fail_has_param_changed = false;
    bool fail_get_current_state = false;
    bool fail_update_param_ui = false;
    bool fail_register_with_aegp = false;
};

}  // namespace runner

#endif
