#include "host/suite_reporting.h"

#include <algorithm>

namespace {

bool IsEmpty(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

BoundedText BoundMessage(const char* text) {
    BoundedText bounded;
    int32_t n = 0;
    if (text != nullptr) {
        while (n < PF_RETURN_MSG_LEN - 1 && text[n] != '\0') {
            bounded.text[n] = text[n];
            ++n;
        }
    }
    bounded.text[n] = '\0';
    return bounded;
}

void WriteReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const char* text) {
    if (out_data == nullptr) return;
    const BoundedText bounded = BoundMessage(text);
    if (in_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.sprintf != nullptr) {
        in_data->utils->ansi.sprintf(out_data->return_msg, "%s", bounded.text);
    } else {
        std::copy(bounded.text, bounded.text + PF_RETURN_MSG_LEN, out_data->return_msg);
    }
}

void ReportError(const PF_InData* in_data, PF_OutData* out_data, const char* text) {
    if (out_data == nullptr) return;
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    WriteReturnMessage(in_data, out_data, text);
}

PF_Err AcquireSuiteReporting(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                             int32_t version, const char* message, const void** suite) {
    if (in_data->pica_basicP != nullptr) {
        in_data->pica_basicP->AcquireSuite(name, version, suite);
        if (*suite != nullptr) return PF_Err_NONE;
    }
    ReportError(in_data, out_data, message != nullptr ? message : "Not able to acquire AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err ReleaseSuiteReporting(const PF_InData* in_data, PF_OutData* out_data, const char* name,
                             int32_t version, const char* message) {
    if (in_data->pica_basicP != nullptr) {
        in_data->pica_basicP->ReleaseSuite(name, version);
        return PF_Err_NONE;
    }
    ReportError(in_data, out_data, message != nullptr ? message : "Not able to release AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

void UnionRectInto(const PF_LRect& src, PF_LRect* dst) {
    if (IsEmpty(*dst)) {
        *dst = src;
    } else if (!IsEmpty(src)) {
        dst->left = std::min(dst->left, src.left);
        dst->top = std::min(dst->top, src.top);
        dst->right = std::max(dst->right, src.right);
        dst->bottom = std::max(dst->bottom, src.bottom);
    }
}
