// The basic suite: hands out the suites we serve by name and version, logs
// every acquire and release and counts what is still held.
#include <string.h>

#include "runner/core/session_state.h"
#include "runner/core/suite_tables.h"

namespace runner {

namespace {

// Not one of the codes the effect produces itself.
constexpr SPErr SUITE_UNAVAILABLE = PF_Err_BAD_CALLBACK_PARAM;
constexpr size_t MAX_SUITE_NAME = 256;

struct SuiteEntry {
    const char* name;
    int32_t version;
    const void* table;
};

// Indexed by ServedSuite.

const SuiteEntry SUITES[] = {
    {"PF ANSI Suite", 1, &ANSI_SUITE},
    {"PF Handle Suite", 1, &HANDLE_SUITE},
    {"AEGP Utility Suite", 7, &UTILITY_SUITE},
    {"PF Param Utils Suite", 1, &PARAM_UTILS_SUITE},
    {"PF Path Query Suite", 1, &PATH_QUERY_SUITE},
    {"PF Path Data Suite", 1, &PATH_DATA_SUITE},
    {"PF World Suite", 2, &WORLD_SUITE},
    {"AEGP Mask Suite", 1, &MASK_SUITE},
};

static_assert(sizeof SUITES / sizeof SUITES[0] == SERVED_SUITE_COUNT, "one entry per served suite");

int32_t FindServed(const std::string& name, int32_t version) {
    for (int32_t i = 0; i < SERVED_SUITE_COUNT; ++i) {
        if (version == SUITES[i].version && name == SUITES[i].name) return i;
    }
    return -1;
}

bool Refused(const Faults& faults, const std::string& name, int32_t version) {
    for (const SuiteKey& key : faults.refused_suites) {
        if (key.name == name && key.version == version) return true;
    }
    return false;
}

SPErr AcquireSuite(const char* name, int32_t version, const void** suite) {
    return Guarded([&]() -> SPErr {
        Session::State* s = ActiveState();
        if (suite != nullptr) *suite = nullptr;
        if (s == nullptr || name == nullptr || suite == nullptr) return SUITE_UNAVAILABLE;
        const std::string key(name, strnlen(name, MAX_SUITE_NAME));
        const int32_t served = FindServed(key, version);
        const void* table = served < 0 ? nullptr : SUITES[served].table;
        const bool refused = Refused(s->faults, key, version);
        const bool ok = table != nullptr && !refused;
        if (s->record_events) s->suite_log.push_back(SuiteEvent{true, key, version, ok});
        if (!ok) return refused ? s->faults.error : SUITE_UNAVAILABLE;
        ++s->outstanding_suites[{key, version}];
        ++s->held_suites[served];
        *suite = table;
        return PF_Err_NONE;
    });
}

SPErr ReleaseSuite(const char* name, int32_t version) {
    return Guarded([&]() -> SPErr {
        Session::State* s = ActiveState();
        if (s == nullptr || name == nullptr) return SUITE_UNAVAILABLE;
        const std::string key(name, strnlen(name, MAX_SUITE_NAME));
        auto it = s->outstanding_suites.find({key, version});
        const bool ok = it != s->outstanding_suites.end() && it->second > 0;
        if (s->record_events) s->suite_log.push_back(SuiteEvent{false, key, version, ok});
        if (!ok) return SUITE_UNAVAILABLE;  // released more often than acquired
        if (--it->second == 0) s->outstanding_suites.erase(it);
        const int32_t served = FindServed(key, version);
        if (served >= 0 && s->held_suites[served] > 0) --s->held_suites[served];
        return PF_Err_NONE;
    });
}

}  // namespace

bool SuiteHeld(Session::State* s, ServedSuite suite, const char* function) {
    if (s == nullptr) return false;
    if (s->held_suites[suite] > 0) return true;
    ++s->unheld_suite_call_count;
    if (s->record_events) s->unheld_suite_calls.push_back(std::string(SUITES[suite].name) + " " + function);
    return false;
}

const SPBasicSuite BASIC_SUITE = {AcquireSuite, ReleaseSuite};

}  // namespace runner
