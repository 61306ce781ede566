// IDispatch::Invoke through the type information, with two kindnesses to script hosts that
// the standard dispatch lacks, both safe because the control only reads its arguments:
// - an argument passed as VT_VARIANT | VT_BYREF (how VBScript passes a variable) is handed
//   on as a copy of its value, so it is accepted wherever that value converts;
// - an optional argument left out in any position (VT_ERROR, DISP_E_PARAMNOTFOUND) reads
//   as 0. Named arguments are laid out by position first, so that those left out between
//   them read as 0 as well.
#pragma once

#include <oaidl.h>

namespace quorvane::server {

HRESULT InvokeForScripts(ITypeInfo *info, void *object, DISPID member, WORD flags,
                         DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep, UINT *arg_err);

} // namespace quorvane::server
