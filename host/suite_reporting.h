// Single suites acquired and released outside the suite cache, with a
// message for the user when the host cannot oblige; and the messages
// themselves, which never run past the host's message field.
#ifndef FOLVEK_SUITE_REPORTING_H
#define FOLVEK_SUITE_REPORTING_H

#include "host/host_api.h"

// A message cut to what the host's message field holds with its terminating
// zero; a null text is empty. The host's sprintf knows nothing of the field's
// size, so every text goes through this first.
struct BoundedText {
    char text[PF_RETURN_MSG_LEN];
};
BoundedText BoundMessage(const char* text);

// Writes `text`, bounded, into out_data->return_msg through the host's sprintf.
void WriteReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const char* text);

// Writes the message and sets PF_OutFlag_DISPLAY_ERROR_MESSAGE.
void ReportError(const PF_InData* in_data, PF_OutData* out_data, const char* text);

PF_Err AcquireSuiteReporting(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                             int32_t version, const char* message, const void** suite);
PF_Err ReleaseSuiteReporting(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                             int32_t version, const char* message);

// Unites `src` into `dst`; an empty rectangle (left >= right or top >= bottom)
// adds nothing, and an empty destination takes the source as it is.
void UnionRectInto(const PF_LRect& src, PF_LRect* dst);

#endif
