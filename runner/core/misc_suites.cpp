// The small suites: pixel format of a world, registration with the AEGP
// side, and the mask suite that is acquired but never called.
#include <string.h>

#include "runner/core/session_state.h"
#include "runner/core/suite_tables.h"

namespace runner {

namespace {

constexpr AEGP_PluginID FIRST_PLUGIN_ID = 1000;
constexpr size_t MAX_PLUGIN_NAME = 256;

PF_Err GetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = ActiveState();
        if (s == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_WORLD, "PF_GetPixelFormat")) return PF_Err_BAD_CALLBACK_PARAM;
        *format = PF_PixelFormat_INVALID;
        if (s->faults.fail_pixel_format) return s->faults.error;
        World* w = s->KnownWorld(world);
        if (w == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        *format = s->faults.unknown_pixel_format ? UNKNOWN_PIXEL_FORMAT : w->Format();
        return PF_Err_NONE;
    });
}

PF_Err RegisterWithAEGP(AEGP_GlobalRefcon /*global_refcon*/, const char* plugin_name,
                        AEGP_PluginID* plugin_id) {
    return Guarded([&]() -> PF_Err {
        Session::State* s = ActiveState();
        if (s == nullptr || plugin_id == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
        if (!SuiteHeld(s, SERVED_UTILITY, "AEGP_RegisterWithAEGP")) return PF_Err_BAD_CALLBACK_PARAM;
        if (s->faults.fail_register_with_aegp) return s->faults.error;
        s->plugin_name =
            plugin_name ? std::string(plugin_name, strnlen(plugin_name, MAX_PLUGIN_NAME)) : "";
        s->plugin_id = FIRST_PLUGIN_ID + s->plugins_registered++;
        *plugin_id = s->plugin_id;
        return PF_Err_NONE;
    });
}

}  // namespace

const PF_WorldSuite2 WORLD_SUITE = {GetPixelFormat};
const AEGP_UtilitySuite7 UTILITY_SUITE = {RegisterWithAEGP};
const AEGP_MaskSuite1 MASK_SUITE = {nullptr};

}  // namespace runner
