#include "host/suite_cache.h"

const SuiteId SUITE_TABLE[SUITE_TABLE_SIZE] = {
    {"AEGP Layer Suite", 8}, {"AEGP Layer Suite", 10}, {"AEGP Stream Suite", 7},
    {"AEGP Dynamic Stream Suite", 2}, {"AEGP Dynamic Stream Suite", 3},
    {"AEGP Keyframe Suite", 3}, {"AEGP Comp Suite", 9}, {"AEGP Comp Suite", 11},
    {"AEGP Proj Suite", 2}, {"AEGP Proj Suite", 5}, {"AEGP Canvas Suite", 10},
    {"AEGP Canvas Suite", 11}, {"AEGP Camera Suite", 2}, {"AEGP Register Suite", 2},
    {"AEGP Item Suite", 10}, {"AEGP Item Suite", 7}, {"AEGP Item Suite", 3},
    {"AEGP PF Interface Suite", 1}, {"PF Path Query Suite", 1}, {"AEGP Memory Suite", 1},
    {"PF Path Data Suite", 1}, {"PF Param Utils Suite", 1}, {"PF AE App Suite", 2},
    {"PF AE App Suite", 5}, {"PF AE Adv App Suite", 2}, {"AEGP Light Suite", 1},
    {"AEGP Light Suite", 2}, {"AEGP Effect Suite", 1}, {"AEGP Effect Suite", 2},
    {"AEGP Effect Suite", 3}, {"AEGP Layer Mask Suite", 5}, {"AEGP Mask Outline Suite", 3},
    {"AEGP Footage Suite", 7}, {"AEGP Command Suite", 1}, {"AEGP Utility Suite", 7},
    {"AEGP Render Suite", 1}, {"AEGP Render Suite", 2}, {"PF ANSI Suite", 1},
    {"PF Handle Suite", 1}, {"PF Fill Matte Suite", 1}, {"PF World Transform Suite", 1},
    {"AEGP QueryXform Suite", 4}, {"AEGP Composite Suite", 2}, {"PF World Suite", 1},
    {"AEGP IO In Suite", 1}, {"AEGP IO Out Suite", 1}, {"AEGP Render Queue Suite", 1},
    {"AEGP Render Queue Item Suite", 3}, {"AEGP Output Module Suite", 1},
    {"AEGP File Import Manager Suite", 2}, {"PF Sampling8 Suite", 1},
    {"PF Sampling16 Suite", 1}, {"PF Iterate8 Suite", 1}, {"PF iterate16 Suite", 1},
    {"PF iterateFloat Suite", 1}, {"AEGP Collection Suite", 2},
    {"AEGP Text Document Suite", 1}, {"AEGP Sound Data Suite", 1},
    {"AEGP Text Layer Suite", 1}, {"AEGP Artisan Util Suite", 1}, {"AEGP World Suite", 2},
    {"AEGP Render Options Suite", 1}, {"AEGP Tracker Suite", 1},
    {"AEGP Tracker Utility Suite", 1}, {"AE Plugin Helper Suite2", 2},
    {"AEGP Layer Suite", 11}, {"PF AE Adv Item Suite", 1}, {"AEGP Layer Suite", 5},
    {"AEGP Layer Mask Suite", 2}, {"AEGP Stream Suite", 4}, {"AEGP Comp Suite", 4},
    {"AEGP Collection Suite", 1}, {"AEGP Register Suite", 1}, {"AEGP Keyframe Suite", 1},
    {"AEGP Mask Outline Suite", 2}, {"PF AE Adv App Suite", 1}, {"AEGP Utility Suite", 3},
    {"AEGP Render Options Suite", 2}, {"AEGP Proj Suite", 7}, {"AEGP Footage Suite", 10},
    {"AEGP Render Queue Item Suite", 4}, {"AEGP Utility Suite", 10},
    {"PF Color Settings Suite", 1}, {"PF ColorParamSuite", 1}, {"PF SamplingFloat Suite", 1},
};

namespace {

// Slots of the six suites the effect asks for.
constexpr int32_t SLOT_PATH_QUERY = 18;
constexpr int32_t SLOT_PATH_DATA = 20;
constexpr int32_t SLOT_PARAM_UTILS = 21;
constexpr int32_t SLOT_UTILITY = 34;
constexpr int32_t SLOT_ANSI = 37;
constexpr int32_t SLOT_HANDLE = 38;

}  // namespace

HostSuiteCache::HostSuiteCache(const SPBasicSuite* basic) : basic_(basic) {
    if (basic_ == nullptr) throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
}

const void* HostSuiteCache::Acquire(int32_t slot) {
    if (slots_[slot] != nullptr) return slots_[slot];
    const void* suite = nullptr;
    const SPErr err = basic_->AcquireSuite(SUITE_TABLE[slot].name, SUITE_TABLE[slot].version, &suite);
    if (err != 0 || suite == nullptr) throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    slots_[slot] = suite;
    return suite;
}

void HostSuiteCache::ReleaseAll() {
    for (int32_t slot = 0; slot < SUITE_TABLE_SIZE; ++slot) {
        if (slots_[slot] != nullptr) basic_->ReleaseSuite(SUITE_TABLE[slot].name, SUITE_TABLE[slot].version);
    }
}

const PF_ANSICallbacksSuite1* HostSuiteCache::AnsiSuite() {
    return static_cast<const PF_ANSICallbacksSuite1*>(Acquire(SLOT_ANSI));
}
const PF_HandleSuite1* HostSuiteCache::HandleSuite() {
    return static_cast<const PF_HandleSuite1*>(Acquire(SLOT_HANDLE));
}
const AEGP_UtilitySuite7* HostSuiteCache::UtilitySuite() {
    return static_cast<const AEGP_UtilitySuite7*>(Acquire(SLOT_UTILITY));
}
const PF_ParamUtilsSuite1* HostSuiteCache::ParamUtilsSuite() {
    return static_cast<const PF_ParamUtilsSuite1*>(Acquire(SLOT_PARAM_UTILS));
}
const PF_PathQuerySuite1* HostSuiteCache::PathQuerySuite() {
    return static_cast<const PF_PathQuerySuite1*>(Acquire(SLOT_PATH_QUERY));
}
const PF_PathDataSuite1* HostSuiteCache::PathDataSuite() {
    return static_cast<const PF_PathDataSuite1*>(Acquire(SLOT_PATH_DATA));
}
