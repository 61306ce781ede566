#include "error_info.h"

#include "variant.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

HRESULT ReportError(const AutomationError &error, REFIID iid) {
    const HRESULT hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number() & 0xFFFF);
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create)))
        return hr;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(AsWide(error.source())));
    create->SetDescription(const_cast<LPOLESTR>(AsWide(error.description())));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info)))
        SetErrorInfo(0, info.Get());
    return hr;
}

} // namespace quorvane::server
