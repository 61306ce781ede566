// Scripting.Dictionary's interface IDictionary, declared from its public documentation
// (mingw-w64 has no header for scrrun.dll): the vtable in order, as C function pointers so that
// each slot's offset can be checked against the object's own type information before use.
#pragma once

#include <oaidl.h>

#include <cstddef>

namespace combench {

struct IDictionary;

struct IDictionaryVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(IDictionary *, REFIID, void **);
    ULONG(STDMETHODCALLTYPE *AddRef)(IDictionary *);
    ULONG(STDMETHODCALLTYPE *Release)(IDictionary *);
    HRESULT(STDMETHODCALLTYPE *GetTypeInfoCount)(IDictionary *, UINT *);
    HRESULT(STDMETHODCALLTYPE *GetTypeInfo)(IDictionary *, UINT, LCID, ITypeInfo **);
    HRESULT(STDMETHODCALLTYPE *GetIDsOfNames)
    (IDictionary *, REFIID, LPOLESTR *, UINT, LCID, DISPID *);
    HRESULT(STDMETHODCALLTYPE *Invoke)
    (IDictionary *, DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *);
    HRESULT(STDMETHODCALLTYPE *putref_Item)(IDictionary *, VARIANT *key, VARIANT *item);
    HRESULT(STDMETHODCALLTYPE *put_Item)(IDictionary *, VARIANT *key, VARIANT *item);
    HRESULT(STDMETHODCALLTYPE *get_Item)(IDictionary *, VARIANT *key, VARIANT *item);
    HRESULT(STDMETHODCALLTYPE *Add)(IDictionary *, VARIANT *key, VARIANT *item);
    HRESULT(STDMETHODCALLTYPE *get_Count)(IDictionary *, LONG *count);
    HRESULT(STDMETHODCALLTYPE *Exists)(IDictionary *, VARIANT *key, VARIANT_BOOL *exists);
    HRESULT(STDMETHODCALLTYPE *Items)(IDictionary *, VARIANT *items);
    HRESULT(STDMETHODCALLTYPE *put_Key)(IDictionary *, VARIANT *key, VARIANT *new_key);
    HRESULT(STDMETHODCALLTYPE *Keys)(IDictionary *, VARIANT *keys);
    HRESULT(STDMETHODCALLTYPE *Remove)(IDictionary *, VARIANT *key);
    HRESULT(STDMETHODCALLTYPE *RemoveAll)(IDictionary *);
    HRESULT(STDMETHODCALLTYPE *put_CompareMode)(IDictionary *, LONG mode);
    HRESULT(STDMETHODCALLTYPE *get_CompareMode)(IDictionary *, LONG *mode);
    HRESULT(STDMETHODCALLTYPE *_NewEnum)(IDictionary *, IUnknown **enumerator);
    HRESULT(STDMETHODCALLTYPE *get_HashVal)(IDictionary *, VARIANT *key, VARIANT *hash);
};

struct IDictionary {
    const IDictionaryVtbl *lpVtbl;
};

// {42C642C1-97E1-11CF-978F-00A02463E06F}
constexpr IID kIID_IDictionary = {
    0x42C642C1, 0x97E1, 0x11CF, {0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F}};

// Ends the run unless method `name` sits at byte `offset` of the vtable by `dictionary`'s type
// information.
void CheckSlot(IDispatch *dictionary, const wchar_t *name, std::size_t offset);

} // namespace combench
