#include "dispatch_table.h"

#include "variant.h"

#include <wrl/client.h>

#include <algorithm>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

namespace {

const Member *Find(std::span<const Member> members, DISPID id, WORD flags) {
    for (const Member &member : members) {
        if (member.id != id)
            continue;
        const WORD answers = member.kind == DISPATCH_PROPERTYGET
                                 ? DISPATCH_PROPERTYGET | DISPATCH_METHOD
                                 : member.kind;
        if (flags & answers)
            return &member;
    }
    return nullptr;
}

// A member's failure: DISP_E_EXCEPTION, with what the member said of it.
HRESULT Raised(HRESULT hr, EXCEPINFO *excep) {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) == S_OK)
        SetErrorInfo(0, info.Get()); // reading took it; the caller may ask for it as well
    if (excep) {
        *excep = EXCEPINFO{};
        excep->scode = hr;
        if (info) {
            info->GetSource(&excep->bstrSource);
            info->GetDescription(&excep->bstrDescription);
        }
    }
    return DISP_E_EXCEPTION;
}

} // namespace

Arguments::~Arguments() {
    for (std::size_t at = 0; at < kMaxParams; ++at)
        if (owned_[at])
            VariantClear(&values_[at]);
}

HRESULT Arguments::Take(std::size_t at, ArgKind kind, const VARIANT &source, bool in_place) {
    const VARIANT *value = Referenced(&source);
    if (!value)
        return DISP_E_TYPEMISMATCH;
    VARIANT &slot = values_[at];
    VariantInit(&slot);
    const VARTYPE type = V_VT(value);
    switch (kind) {
    case ArgKind::String:
        // Read in place when allowed: the member only reads it, within this call.
        if (in_place && (type == VT_BSTR || type == (VT_BSTR | VT_BYREF))) {
            V_VT(&slot) = VT_BSTR;
            V_BSTR(&slot) = type == VT_BSTR ? V_BSTR(value) : *V_BSTRREF(value);
            return S_OK;
        }
        owned_[at] = true;
        return ChangeType(&slot, *value, VT_BSTR);
    case ArgKind::Long:
        if (type == VT_I4 || type == (VT_I4 | VT_BYREF)) {
            V_VT(&slot) = VT_I4;
            V_I4(&slot) = type == VT_I4 ? V_I4(value) : *V_I4REF(value);
            return S_OK;
        }
        return ChangeType(&slot, *value, VT_I4);
    case ArgKind::Short:
        return ChangeType(&slot, *value, VT_I2);
    case ArgKind::Variant:
        owned_[at] = true;
        return VariantCopyInd(&slot, const_cast<VARIANT *>(value));
    }
    return DISP_E_TYPEMISMATCH;
}

void Arguments::TakeMissing(std::size_t at, ArgKind kind) {
    VARIANT &slot = values_[at];
    VariantInit(&slot);
    switch (kind) {
    case ArgKind::String:
        V_VT(&slot) = VT_BSTR;
        V_BSTR(&slot) = nullptr;
        break;
    case ArgKind::Long:
        V_VT(&slot) = VT_I4;
        V_I4(&slot) = 0;
        break;
    case ArgKind::Short:
        V_VT(&slot) = VT_I2;
        V_I2(&slot) = 0;
        break;
    case ArgKind::Variant:
        V_VT(&slot) = VT_ERROR;
        V_ERROR(&slot) = DISP_E_PARAMNOTFOUND;
        break;
    }
}

HRESULT IdsOfNames(std::span<const Member> members, LPOLESTR *names, UINT count, DISPID *ids) {
    if (count == 0)
        return S_OK;
    if (!names || !ids)
        return E_POINTER;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    HRESULT hr = S_OK;
    for (const Member &member : members) {
        if (!names[0] || !member.name || _wcsicmp(names[0], member.name) != 0)
            continue;
        ids[0] = member.id;
        for (UINT i = 1; i < count; ++i)
            for (std::size_t at = 0; at < member.params.size(); ++at)
                if (names[i] && member.params[at].name &&
                    _wcsicmp(names[i], member.params[at].name) == 0)
                    ids[i] = static_cast<DISPID>(at);
    }
    for (UINT i = 0; i < count; ++i)
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT InvokeMember(std::span<const Member> members, void *object, DISPID id, WORD flags,
                     DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep, UINT *arg_err) {
    // No earlier call's error information may pass for this call's.
    SetErrorInfo(0, nullptr);
    const Member *member = Find(members, id, flags);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{};
    if (!params)
        params = &none;
    const UINT total = params->cArgs, named = params->cNamedArgs;
    if (named > total || (total && !params->rgvarg) || (named && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    const std::size_t count = member->params.size();
    // A property write's value is the named argument DISPID_PROPERTYPUT; the positional ones
    // can only fill the parameters before it.
    const bool put_value = member->kind == DISPATCH_PROPERTYPUT &&
                           std::find(params->rgdispidNamedArgs, params->rgdispidNamedArgs + named,
                                     DISPID_PROPERTYPUT) != params->rgdispidNamedArgs + named;
    if (total - named > count - (put_value ? 1 : 0))
        return DISP_E_BADPARAMCOUNT;

    // Each parameter's argument and its place in rgvarg: positional ones come last, in
    // reverse order; named ones first.
    std::array<const VARIANT *, kMaxParams> given{};
    std::array<UINT, kMaxParams> place{};
    for (UINT k = 0; k < total - named; ++k) {
        place[k] = total - 1 - k;
        given[k] = &params->rgvarg[place[k]];
    }
    for (UINT i = 0; i < named; ++i) {
        DISPID position = params->rgdispidNamedArgs[i];
        if (position == DISPID_PROPERTYPUT && member->kind == DISPATCH_PROPERTYPUT)
            position = static_cast<DISPID>(count) - 1;
        if (position < 0 || static_cast<std::size_t>(position) >= count || given[position]) {
            if (arg_err)
                *arg_err = i;
            return DISP_E_PARAMNOTFOUND;
        }
        given[position] = &params->rgvarg[i];
        place[position] = i;
    }

    // Converting an object runs the caller's code (its default value), which may free or
    // reassign any string of the call: strings are read in place only when no argument is an
    // object, and copied before anything of the caller's can run otherwise.
    bool in_place = true;
    for (std::size_t at = 0; at < count; ++at)
        in_place = in_place && !(given[at] && MayRunCallerCode(*given[at]));

    Arguments args;
    for (std::size_t at = 0; at < count; ++at) {
        const Param &param = member->params[at];
        if (!given[at] || IsMissing(given[at])) {
            if (param.optional) {
                args.TakeMissing(at, param.kind);
                continue;
            }
            if (!given[at])
                return DISP_E_BADPARAMCOUNT;
            if (arg_err)
                *arg_err = place[at];
            return DISP_E_PARAMNOTOPTIONAL;
        }
        const HRESULT hr = args.Take(at, param.kind, *given[at], in_place);
        if (FAILED(hr)) {
            if (arg_err)
                *arg_err = place[at];
            return hr == E_OUTOFMEMORY || hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
        }
    }

    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = member->call(object, args, &value);
    if (FAILED(hr)) {
        VariantClear(&value);
        return Raised(hr, excep);
    }
    // A property write has no result: its pVarResult is ignored, not written.
    if (result && member->kind != DISPATCH_PROPERTYPUT)
        *result = value;
    else
        VariantClear(&value);
    return S_OK;
}

} // namespace quorvane::server
