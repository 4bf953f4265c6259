// The host interface: the records, callbacks and suites that pass between a
// host and an effect. The effect and our own host both include this header
// and nothing else crosses between them.
//
// Names and numeric values are the host's; the layouts are this project's
// own. Every integer has an exact width so the same header describes the
// 32-bit Windows build and the 64-bit Linux build.
#ifndef FOLVEK_HOST_API_H
#define FOLVEK_HOST_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_Fixed;  // signed 16.16 fixed point
typedef uint8_t PF_Boolean;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int32_t PF_PixelFormat;
typedef uint32_t PF_PathID;
typedef void* PF_ProgPtr;          // the host's reference to one effect instance
typedef void** PF_Handle;          // the first pointer of a handle is its block
typedef void* PF_PathOutlinePtr;
typedef void* PF_PathSegPrepPtr;
typedef int32_t AEGP_PluginID;
typedef void* AEGP_GlobalRefcon;
typedef int32_t SPErr;

// ---- errors ----------------------------------------------------------------
enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_BAD_CALLBACK_PARAM = 516
};

// ---- commands --------------------------------------------------------------
enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_COMPLETELY_GENERAL = 17,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24
};

// ---- output flags ----------------------------------------------------------
enum {
    PF_OutFlag_USE_OUTPUT_EXTENT = 0x40,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x100,
    PF_OutFlag_REFRESH_UI = 0x20000,
    PF_OutFlag_DEEP_COLOR_AWARE = 0x02000000,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x04000000
};
enum {
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 0x400,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 0x1000
};

// ---- parameters ------------------------------------------------------------
enum {
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POPUP = 7,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_PATH = 12
};
enum { PF_PUI_DISABLED = 0x20 };
enum { PF_ValueDisplayFlag_PERCENT = 1 };
enum { PF_ParamIndex_CHECK_ALL_HONORING_EXCLUDE = -3 };

#define PF_MAX_NAME_LEN 31
#define PF_MAX_CHAN8 255
#define PF_MAX_CHAN16 32768
#define PF_RETURN_MSG_LEN 256

// ---- pixels ----------------------------------------------------------------
// Channels in memory order alpha, red, green, blue; straight colour.
typedef struct PF_Pixel {
    uint8_t alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

typedef struct PF_Pixel16 {
    uint16_t alpha, red, green, blue;
} PF_Pixel16;

typedef struct PF_PixelFloat {
    float alpha, red, green, blue;
} PF_PixelFloat;

enum {
    PF_PixelFormat_INVALID = 0,
    PF_PixelFormat_ARGB32 = 1,   // PF_Pixel
    PF_PixelFormat_ARGB64 = 2,   // PF_Pixel16
    PF_PixelFormat_ARGB128 = 3   // PF_PixelFloat
};

// ---- geometry --------------------------------------------------------------
typedef struct PF_LRect {
    int32_t left, top, right, bottom;
} PF_LRect;
typedef PF_LRect PF_Rect;

typedef struct PF_RationalScale {
    int32_t num;
    uint32_t den;
} PF_RationalScale;

// An image: `height` rows of `rowbytes` bytes each, the first `width`
// pixels of a row being the image.
typedef struct PF_LayerDef {
    void* data;
    int32_t rowbytes;
    int32_t width;
    int32_t height;
    int32_t world_flags;
    void* host_reserved;  // the host's own bookkeeping; the effect never reads it
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

// The host's opaque snapshot of an instance's parameter state.
typedef struct PF_State {
    int32_t opaque[4];
} PF_State;

// ---- parameter definitions -------------------------------------------------
typedef struct PF_SliderDef {
    int32_t value;
    char value_str[32];
    char value_desc[32];
    int32_t valid_min, valid_max;
    int32_t slider_min, slider_max;
    int32_t dephault;
} PF_SliderDef;

typedef struct PF_FixedSliderDef {
    PF_Fixed value;
    char value_str[32];
    char value_desc[32];
    PF_Fixed valid_min, valid_max;
    PF_Fixed slider_min, slider_max;
    PF_Fixed dephault;
    int16_t precision;
    int16_t display_flags;
} PF_FixedSliderDef;

typedef struct PF_FloatSliderDef {
    double value;
    char value_desc[32];
    float valid_min, valid_max;
    float slider_min, slider_max;
    double dephault;
    int16_t precision;
    int16_t display_flags;
    int32_t fs_flags;
    float curve_tolerance;
    PF_Boolean use_exponent;
    float exponent;
} PF_FloatSliderDef;

typedef struct PF_CheckBoxDef {
    int32_t value;
    int32_t dephault;
    const char* nameptr;  // the text beside the box
} PF_CheckBoxDef;

typedef struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
} PF_ColorDef;

typedef struct PF_PopupDef {
    int32_t value;
    int16_t num_choices;
    int16_t dephault;
    const char* namesptr;  // choices separated by '|'
} PF_PopupDef;

typedef struct PF_PathDef {
    PF_PathID path_id;
    int32_t dephault;
} PF_PathDef;

typedef union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_FloatSliderDef fs_d;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PopupDef pd;
    PF_PathDef path_d;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
    PF_ParamDefUnion u;
    PF_ParamType param_type;
    char name[PF_MAX_NAME_LEN + 1];
    PF_ParamUIFlags ui_flags;
    int16_t ui_width;
    int16_t ui_height;
    PF_ParamFlags flags;
    union {
        int32_t id;
    } uu;
} PF_ParamDef;
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

// ---- callbacks in in_data --------------------------------------------------
typedef struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, int32_t what_time,
                             int32_t time_step, uint32_t time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
    PF_Err (*progress)(PF_ProgPtr effect_ref, int32_t done, int32_t total);
} PF_InteractCallbacks;

// Standard C services served by the host, so that an effect's results do not
// depend on the C runtime it was built against.
typedef struct PF_ANSICallbacks {
    double (*floor)(double x);
    double (*hypot)(double x, double y);
    double (*pow)(double base, double exponent);
    double (*sqrt)(double x);
    char* (*strcpy)(char* dst, const char* src);
    int (*sprintf)(char* dst, const char* format, ...);
} PF_ANSICallbacks;

typedef struct PF_UtilCallbacks {
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                   PF_Rect* src_rect, PF_Rect* dst_rect);
    PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                   PF_EffectWorld* world);
    PF_Handle (*host_new_handle)(uint32_t size);
    void (*host_dispose_handle)(PF_Handle handle);
    PF_ANSICallbacks ansi;
} PF_UtilCallbacks;

// ---- suites ------------------------------------------------------------------
typedef struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
} SPBasicSuite;

typedef PF_ANSICallbacks PF_ANSICallbacksSuite1;  // "PF ANSI Suite" 1

typedef struct PF_HandleSuite1 {  // "PF Handle Suite" 1
    PF_Handle (*host_new_handle)(uint32_t size);
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
    uint32_t (*host_get_handle_size)(PF_Handle handle);  // 0 for a null handle
} PF_HandleSuite1;

typedef struct AEGP_UtilitySuite7 {  // "AEGP Utility Suite" 7
    PF_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const char* plugin_name,
                                    AEGP_PluginID* plugin_id);
} AEGP_UtilitySuite7;

typedef struct PF_ParamUtilsSuite1 {  // "PF Param Utils Suite" 1
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_State* state);
    PF_Err (*PF_HasParamChanged)(PF_ProgPtr effect_ref, const PF_State* state, PF_ParamIndex index,
                                 PF_Boolean* changed);
} PF_ParamUtilsSuite1;

typedef struct PF_PathQuerySuite1 {  // "PF Path Query Suite" 1
    PF_Err (*PF_CheckoutPath)(PF_ProgPtr effect_ref, PF_PathID path_id, int32_t what_time,
                              int32_t time_step, uint32_t time_scale, PF_PathOutlinePtr* path);
    PF_Err (*PF_CheckinPath)(PF_ProgPtr effect_ref, PF_PathID path_id, PF_Boolean changed,
                             PF_PathOutlinePtr path);
} PF_PathQuerySuite1;

typedef struct PF_PathDataSuite1 {  // "PF Path Data Suite" 1
    PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                 int32_t* num_segments);
    PF_Err (*PF_PathPrepareSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                      int32_t segment, int32_t frequency, PF_PathSegPrepPtr* prep);
    PF_Err (*PF_PathGetSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t segment,
                                  PF_PathSegPrepPtr* prep, double* length);
    PF_Err (*PF_PathEvalSegLengthDeriv1)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                         PF_PathSegPrepPtr* prep, int32_t segment, double length,
                                         double* x, double* y, double* dx, double* dy);
    PF_Err (*PF_PathCleanupSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                      int32_t segment, PF_PathSegPrepPtr* prep);
} PF_PathDataSuite1;

typedef struct PF_WorldSuite2 {  // "PF World Suite" 2
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* format);
} PF_WorldSuite2;

typedef struct AEGP_MaskSuite1 {  // "AEGP Mask Suite" 1: acquired, never called
    void* reserved;
} AEGP_MaskSuite1;

// ---- the command's records -------------------------------------------------
typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    int32_t current_time;
    int32_t time_step;
    uint32_t time_scale;
    int32_t width;   // the layer's size at full resolution
    int32_t height;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_Handle global_data;
    PF_Handle sequence_data;
    SPBasicSuite* pica_basicP;
} PF_InData;

typedef struct PF_OutData {
    uint32_t my_version;
    int32_t out_flags;
    int32_t out_flags2;
    PF_Handle global_data;
    PF_Handle sequence_data;
    int32_t num_params;
    char return_msg[PF_RETURN_MSG_LEN];
} PF_OutData;

// ---- smart render ------------------------------------------------------------
typedef struct PF_RenderRequest {
    PF_LRect rect;
    int32_t field;
    int32_t channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
} PF_RenderRequest;

typedef struct PF_CheckoutResult {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
} PF_CheckoutResult;

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

typedef struct PF_PreRenderInput {
    PF_RenderRequest output_request;
} PF_PreRenderInput;

typedef struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    int32_t flags;
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
} PF_PreRenderOutput;

typedef struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, int32_t checkout_id,
                             const PF_RenderRequest* request, int32_t what_time, int32_t time_step,
                             uint32_t time_scale, PF_CheckoutResult* result);
} PF_PreRenderCallbacks;

typedef struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

typedef struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    void* pre_render_data;
} PF_SmartRenderInput;

typedef struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, int32_t checkout_id,
                                    PF_EffectWorld** pixels);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

// ---- the entry point ---------------------------------------------------------
typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

#define PF_ENTRY_POINT_NAME "EntryPointFunc"

#ifdef __cplusplus
}
#endif

#endif
