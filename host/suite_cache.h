// Host suites for the length of one command: each suite is acquired the first
// time a handler asks for it and released when the handler ends, also when
// it ends by a thrown error.
#ifndef FOLVEK_SUITE_CACHE_H
#define FOLVEK_SUITE_CACHE_H

#include "host/host_api.h"

struct SuiteId {
    const char* name;
    int32_t version;
};

// Every suite the cache knows, in the order its slots are released.
constexpr int32_t SUITE_TABLE_SIZE = 85;
extern const SuiteId SUITE_TABLE[SUITE_TABLE_SIZE];

class HostSuiteCache {
public:
    // Throws PF_Err_BAD_CALLBACK_PARAM when there is no basic suite.
    explicit HostSuiteCache(const SPBasicSuite* basic);
    ~HostSuiteCache() { ReleaseAll(); }
    HostSuiteCache(const HostSuiteCache&) = delete;
    HostSuiteCache& operator=(const HostSuiteCache&) = delete;

    // Each getter returns the suite, never null; throws PF_Err_BAD_CALLBACK_PARAM
    // when the host cannot supply it.
    const PF_ANSICallbacksSuite1* AnsiSuite();
    const PF_HandleSuite1* HandleSuite();
    const AEGP_UtilitySuite7* UtilitySuite();
    const PF_ParamUtilsSuite1* ParamUtilsSuite();
    const PF_PathQuerySuite1* PathQuerySuite();
    const PF_PathDataSuite1* PathDataSuite();

    void ReleaseAll();

private:
    const void* Acquire(int32_t slot);

    const SPBasicSuite* basic_;
    const void* slots_[SUITE_TABLE_SIZE] = {};
};

#endif
