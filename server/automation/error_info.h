// Automation errors at the COM boundary: every member runs its body through Guarded, a
// Boundary that also turns an AutomationError into HRESULT 0x800A0000 | number with IErrorInfo
// set, so that the control's Invoke fills EXCEPINFO from it and vtable callers find it with
// GetErrorInfo. Any failure clears what an earlier call left there.
#pragma once

#include "automation_error.h"
#include "boundary.h"

#include <oaidl.h>

namespace quorvane::server {

HRESULT ReportError(const AutomationError &error, REFIID iid);

template <class Body> HRESULT Guarded(REFIID iid, Body &&body) noexcept {
    return Boundary([&]() -> HRESULT {
        SetErrorInfo(0, nullptr);
        try {
            return Answer(body);
        } catch (const AutomationError &error) {
            return ReportError(error, iid);
        }
    });
}

} // namespace quorvane::server
