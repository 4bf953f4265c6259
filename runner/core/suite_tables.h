// The function tables of the suites we serve, defined next to their
// functions and collected by the basic suite. Internal to the runner.
#ifndef FOLVEK_RUNNER_CORE_SUITE_TABLES_H
#define FOLVEK_RUNNER_CORE_SUITE_TABLES_H

#include "host/host_api.h"

namespace runner {

extern const PF_ANSICallbacksSuite1 ANSI_SUITE;
extern const PF_HandleSuite1 HANDLE_SUITE;
extern const AEGP_UtilitySuite7 UTILITY_SUITE;
extern const PF_ParamUtilsSuite1 PARAM_UTILS_SUITE;
extern const PF_PathQuerySuite1 PATH_QUERY_SUITE;
extern const PF_PathDataSuite1 PATH_DATA_SUITE;
extern const PF_WorldSuite2 WORLD_SUITE;
extern const AEGP_MaskSuite1 MASK_SUITE;

}  // namespace runner

#endif
