// Automation errors at the COM boundary: every member runs its body through Guarded, which
// turns an AutomationError into HRESULT 0x800A0000 | number with IErrorInfo set, so that
// the control's Invoke fills EXCEPINFO from it and vtable callers find it with GetErrorInfo.
#pragma once

#include "automation_error.h"

#include <oaidl.h>

#include <new>

namespace quorvane::server {

HRESULT ReportError(const AutomationError &error, REFIID iid);

template <class Body> HRESULT Guarded(REFIID iid, Body &&body) {
    SetErrorInfo(0, nullptr);
    try {
        body();
        return S_OK;
    } catch (const AutomationError &error) {
        return ReportError(error, iid);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace quorvane::server
