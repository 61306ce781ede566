#include "dispatch_args.h"

#include "variant.h"

#include <algorithm>
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

// The arguments in DISPPARAMS order (last position first) with the named ones put at their
// positions and the gaps left out; empty when an argument is named other than by position.
std::vector<VARIANT> ByPosition(const DISPPARAMS &params) {
    const UINT given = params.cArgs - params.cNamedArgs;
    UINT total = given;
    for (UINT i = 0; i < params.cNamedArgs; ++i) {
        const DISPID position = params.rgdispidNamedArgs[i];
        if (position < static_cast<DISPID>(given))
            return {};
        total = std::max(total, static_cast<UINT>(position) + 1);
    }
    VARIANT missing;
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    std::vector<VARIANT> args(total, missing);
    for (UINT k = 0; k < given; ++k)
        args[total - 1 - k] = params.rgvarg[params.cArgs - 1 - k];
    for (UINT i = 0; i < params.cNamedArgs; ++i)
        args[total - 1 - static_cast<UINT>(params.rgdispidNamedArgs[i])] = params.rgvarg[i];
    return args;
}

} // namespace

HRESULT InvokeForScripts(ITypeInfo *info, void *object, DISPID member, WORD flags,
                         DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep, UINT *arg_err) {
    if (!params || (params->cArgs && !params->rgvarg))
        return info->Invoke(object, member, flags, params, result, excep, arg_err);
    try {
        std::vector<VARIANT> args(params->rgvarg, params->rgvarg + params->cArgs);
        UINT named = params->cNamedArgs;
        if (named) {
            std::vector<VARIANT> positional = ByPosition(*params);
            if (!positional.empty()) {
                args = std::move(positional);
                named = 0;
            }
        }
        const UINT count = static_cast<UINT>(args.size());
        std::vector<Variant> values; // owns what `args` points at
        values.reserve(count);
        for (UINT i = 0; i < count; ++i) {
            if (V_VT(&args[i]) == (VT_VARIANT | VT_BYREF)) {
                values.emplace_back(args[i]);
                args[i] = values.back().get();
            }
            // Named arguments come first; the positional ones follow, last one first.
            const UINT position =
                i < named ? static_cast<UINT>(params->rgdispidNamedArgs[i]) : count - 1 - i;
            if (IsMissing(&args[i]) && IsOptional(info, member, flags, position)) {
                V_VT(&args[i]) = VT_I4;
                V_I4(&args[i]) = 0;
            }
        }
        DISPPARAMS kind{args.data(), named ? params->rgdispidNamedArgs : nullptr, count, named};
        return info->Invoke(object, member, flags, &kind, result, excep, arg_err);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return DISP_E_TYPEMISMATCH;
    }
}

} // namespace quorvane::server
