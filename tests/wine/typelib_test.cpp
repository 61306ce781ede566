// The type library in the module, attribute by attribute.
#include "host.h"

namespace {

struct Param {
    const wchar_t *name; // null: no name in the library
    VARTYPE vt;          // pointed-to type for VT_PTR
    bool by_ref;
    USHORT flags;
};
struct Member {
    const wchar_t *name;
    DISPID id;
    INVOKEKIND kind;
    VARTYPE result; // of the dispatch view
    std::vector<Param> params;
};

constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr USHORT kDefault = kInOut | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;

const Member kMembers[] = {
    {L"AddSchedule",
     0x60030012,
     INVOKE_FUNC,
     VT_VOID,
     {{L"index", VT_BSTR, true, kInOut},
      {L"ty", VT_USERDEFINED, true, kInOut},
      {L"yr", VT_I4, true, kDefault},
      {L"mon", VT_I4, true, kDefault},
      {L"wk", VT_I4, true, kDefault},
      {L"dy", VT_I4, true, kDefault},
      {L"hr", VT_I4, true, kDefault},
      {L"min", VT_I4, true, kDefault},
      {L"sec", VT_I4, true, kDefault}}},
    {L"RemoveSchedule", 0x60030013, INVOKE_FUNC, VT_VOID, {{L"key", VT_BSTR, true, kInOut}}},
    {L"RemoveAllSchedule", 0x60030014, INVOKE_FUNC, VT_VOID, {}},
    {L"TimerInterVal", 0x68030011, INVOKE_PROPERTYGET, VT_I4, {}},
    {L"TimerInterVal", 0x68030011, INVOKE_PROPERTYPUT, VT_VOID, {{nullptr, VT_I4, false, 1}}},
    {L"GetSchedules", 0x68030010, INVOKE_PROPERTYGET, VT_DISPATCH, {}},
    {L"NextTime",
     0x6803000F,
     INVOKE_PROPERTYGET,
     VT_DATE,
     {{L"ScheduleName", VT_BSTR, true, kInOut}}},
    {L"Interval", 0x6803000E, INVOKE_PROPERTYGET, VT_I2, {}},
    {L"Interval", 0x6803000E, INVOKE_PROPERTYPUT, VT_VOID, {{nullptr, VT_I2, false, 1}}},
};

std::wstring NameOf(ITypeInfo *info, MEMBERID id = MEMBERID_NIL) {
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(id, &name, &doc, nullptr, nullptr);
    EXPECT_EQ(nullptr, doc) << "no help strings";
    const std::wstring text = Text(name);
    SysFreeString(name);
    return text;
}

// Type `index`; of a dual interface, its vtable half.
ComPtr<ITypeInfo> TypeAt(ITypeLib *lib, UINT index) {
    ComPtr<ITypeInfo> info, vtable;
    EXPECT_EQ(S_OK, lib->GetTypeInfo(index, &info));
    HREFTYPE ref;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref))) {
        EXPECT_EQ(S_OK, info->GetRefTypeInfo(ref, &vtable));
    }
    return vtable ? vtable : info;
}

void ExpectType(ITypeLib *lib, UINT index, const wchar_t *name, TYPEKIND kind, WORD flags,
                REFGUID guid) {
    ComPtr<ITypeInfo> info = TypeAt(lib, index);
    TYPEATTR *attr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(name, NameOf(info.Get()));
    EXPECT_EQ(kind, attr->typekind) << name;
    EXPECT_EQ(flags, attr->wTypeFlags) << name;
    if (guid == GUID_NULL) { // one of its own, not in any header
        EXPECT_NE(GUID_NULL, attr->guid) << name;
    } else {
        EXPECT_EQ(guid, attr->guid) << name;
    }
    EXPECT_EQ(1, attr->wMajorVerNum) << name;
    EXPECT_EQ(0, attr->wMinorVerNum) << name;
    info->ReleaseTypeAttr(attr);
}

TEST(TypeLibrary, HeaderAndTypesInOrder) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib));
    TLIBATTR *attr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    EXPECT_EQ(LIBID_Quorvane, attr->guid);
    EXPECT_EQ(0x409u, attr->lcid);
    EXPECT_EQ(sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32, attr->syskind);
    EXPECT_EQ(8, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(LIBFLAG_FCONTROL, attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE);
    lib->ReleaseTLibAttr(attr);
    BSTR name, doc, help;
    DWORD context = 1;
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, &doc, &context, &help));
    EXPECT_EQ(L"Quorvane", Text(name));
    EXPECT_EQ(L"Quorvane", Text(doc));
    EXPECT_EQ(nullptr, help);
    EXPECT_EQ(0u, context);
    SysFreeString(name);
    SysFreeString(doc);

    ASSERT_EQ(4u, lib->GetTypeInfoCount());
    ExpectType(lib.Get(), 0, L"_Schedule", TKIND_INTERFACE,
               TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                   TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
               IID__Schedule);
    ExpectType(lib.Get(), 1, L"Schedule", TKIND_COCLASS, TYPEFLAG_FCONTROL, CLSID_Schedule);
    ExpectType(lib.Get(), 2, L"__Schedule", TKIND_DISPATCH,
               TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
               DIID___Schedule);
    ExpectType(lib.Get(), 3, L"schDateType", TKIND_ENUM, 0, GUID_NULL);
    BOOL found = TRUE;
    wchar_t hidden_class[] = L"clsTime";
    EXPECT_EQ(S_OK, lib->IsName(hidden_class, 0, &found));
    EXPECT_FALSE(found);
}

TEST(TypeLibrary, MembersParametersClassAndEnumeration) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib));
    ComPtr<ITypeInfo> vtable = TypeAt(lib.Get(), 0), base, coclass, events, kinds;
    TYPEATTR *attr;
    ASSERT_EQ(S_OK, vtable->GetTypeAttr(&attr));
    ASSERT_EQ(9, attr->cFuncs);
    vtable->ReleaseTypeAttr(attr);
    // IDispatch comes from the one imported library, stdole2.
    HREFTYPE ref;
    ASSERT_EQ(S_OK, vtable->GetRefTypeOfImplType(0, &ref));
    ASSERT_EQ(S_OK, vtable->GetRefTypeInfo(ref, &base));
    ComPtr<ITypeLib> imported;
    UINT index;
    ASSERT_EQ(S_OK, base->GetContainingTypeLib(&imported, &index));
    TLIBATTR *stdole;
    ASSERT_EQ(S_OK, imported->GetLibAttr(&stdole));
    EXPECT_EQ(IID_StdOle, stdole->guid);
    EXPECT_EQ(2, stdole->wMajorVerNum);
    imported->ReleaseTLibAttr(stdole);
    EXPECT_EQ(L"IDispatch", NameOf(base.Get()));
    for (UINT i = 0; i < 9; ++i) {
        const Member &m = kMembers[i];
        FUNCDESC *f;
        ASSERT_EQ(S_OK, vtable->GetFuncDesc(i, &f));
        EXPECT_EQ(m.id, f->memid) << m.name;
        EXPECT_EQ(m.kind, f->invkind) << m.name;
        EXPECT_EQ(0, f->wFuncFlags) << m.name;
        EXPECT_EQ(0, f->cParamsOpt) << m.name;
        EXPECT_EQ(m.name, NameOf(vtable.Get(), f->memid));
        BSTR names[10];
        UINT count = 0;
        ASSERT_EQ(S_OK, vtable->GetNames(f->memid, names, 10, &count));
        const bool retval = m.result != VT_VOID;
        ASSERT_EQ(m.params.size() + retval, static_cast<std::size_t>(f->cParams)) << m.name;
        for (std::size_t p = 0; p < m.params.size(); ++p) {
            const Param &want = m.params[p];
            const ELEMDESC &e = f->lprgelemdescParam[p];
            if (want.name) {
                EXPECT_EQ(want.name, Text(names[p + 1])) << m.name;
            }
            const TYPEDESC &type = want.by_ref ? *e.tdesc.lptdesc : e.tdesc;
            EXPECT_EQ(want.by_ref ? VARTYPE{VT_PTR} : want.vt, e.tdesc.vt) << m.name;
            EXPECT_EQ(want.vt, type.vt) << m.name;
            EXPECT_EQ(want.flags, e.paramdesc.wParamFlags) << m.name << p;
            if (want.flags & PARAMFLAG_FHASDEFAULT) {
                const VARIANT &value = e.paramdesc.pparamdescex->varDefaultValue;
                EXPECT_EQ(VT_I4, V_VT(&value));
                EXPECT_EQ(0, V_I4(&value));
            }
            if (type.vt == VT_USERDEFINED) {
                ComPtr<ITypeInfo> kind;
                ASSERT_EQ(S_OK, vtable->GetRefTypeInfo(type.hreftype, &kind));
                EXPECT_EQ(L"schDateType", NameOf(kind.Get()));
            }
        }
        if (m.params.empty() || m.kind == INVOKE_PROPERTYPUT) {
            EXPECT_EQ(1u, count) << m.name << ": results and written values have no name";
        }
        if (retval) {
            EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL,
                      f->lprgelemdescParam[f->cParams - 1].paramdesc.wParamFlags);
        }
        for (UINT n = 0; n < count; ++n)
            SysFreeString(names[n]);
        vtable->ReleaseFuncDesc(f);
    }

    ASSERT_EQ(S_OK, lib->GetTypeInfo(1, &coclass));
    const std::pair<const wchar_t *, int> impls[] = {
        {L"_Schedule", IMPLTYPEFLAG_FDEFAULT},
        {L"__Schedule", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(i, &flags));
        EXPECT_EQ(impls[i].second, flags);
        ComPtr<ITypeInfo> impl;
        ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(i, &ref));
        ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, &impl));
        EXPECT_EQ(impls[i].first, NameOf(impl.Get()));
    }

    ASSERT_EQ(S_OK, lib->GetTypeInfo(2, &events));
    FUNCDESC *f;
    ASSERT_EQ(S_OK, events->GetFuncDesc(0, &f));
    EXPECT_EQ(1, f->memid);
    ASSERT_EQ(1, f->cParams);
    EXPECT_EQ(VT_PTR, f->lprgelemdescParam[0].tdesc.vt);
    EXPECT_EQ(VT_BSTR, f->lprgelemdescParam[0].tdesc.lptdesc->vt);
    EXPECT_EQ(kInOut, f->lprgelemdescParam[0].paramdesc.wParamFlags);
    EXPECT_EQ(L"RunTime", NameOf(events.Get(), 1));
    events->ReleaseFuncDesc(f);

    ASSERT_EQ(S_OK, lib->GetTypeInfo(3, &kinds));
    const wchar_t *constants[] = {L"schEveryDay", L"schEveryWeek", L"schEveryMonth",
                                  L"schAppointTime"};
    for (UINT i = 0; i < 4; ++i) {
        VARDESC *v;
        ASSERT_EQ(S_OK, kinds->GetVarDesc(i, &v));
        EXPECT_EQ(VT_INT, v->elemdescVar.tdesc.vt);
        EXPECT_EQ(static_cast<LONG>(i), V_I4(v->lpvarValue));
        EXPECT_EQ(constants[i], NameOf(kinds.Get(), v->memid));
        kinds->ReleaseVarDesc(v);
    }
}

} // namespace
