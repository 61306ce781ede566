#include "dispatch_args.h"

#include "variant.h"

#include <vector>

namespace quorvane::server {

namespace {

// Whether parameter `position` of the member that `flags` calls has a default or is optional.
bool IsOptional(ITypeInfo *info, DISPID member, WORD flags, UINT position) {
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return false;
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    bool optional = false;
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC *func = nullptr;
        if (FAILED(info->GetFuncDesc(i, &func)))
            continue;
        if (func->memid == member && (func->invkind & flags) &&
            position < static_cast<UINT>(func->cParams))
            optional = func->lprgelemdescParam[position].paramdesc.wParamFlags &
                       (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
        info->ReleaseFuncDesc(func);
        if (optional)
            break;
    }
    return optional;
}

} // namespace

HRESULT InvokeForScripts(ITypeInfo *info, void *object, DISPID member, WORD flags,
                         DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep, UINT *arg_err) {
    if (!params || (params->cArgs && !params->rgvarg))
        return info->Invoke(object, member, flags, params, result, excep, arg_err);
    try {
        const UINT count = params->cArgs;
        std::vector<VARIANT> args(params->rgvarg, params->rgvarg + count);
        std::vector<Variant> values; // owns what `args` points at
        values.reserve(count);
        for (UINT i = 0; i < count; ++i) {
            if (V_VT(&args[i]) == (VT_VARIANT | VT_BYREF)) {
                values.emplace_back(args[i]);
                args[i] = values.back().get();
            }
            // Named arguments come first; the positional ones follow, last one first.
            const UINT position = i < params->cNamedArgs
                                      ? static_cast<UINT>(params->rgdispidNamedArgs[i])
                                      : count - 1 - i;
            if (IsMissing(&args[i]) && IsOptional(info, member, flags, position)) {
                V_VT(&args[i]) = VT_I4;
                V_I4(&args[i]) = 0;
            }
        }
        DISPPARAMS kind{args.data(), params->rgdispidNamedArgs, count, params->cNamedArgs};
        return info->Invoke(object, member, flags, &kind, result, excep, arg_err);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return DISP_E_TYPEMISMATCH;
    }
}

} // namespace quorvane::server
