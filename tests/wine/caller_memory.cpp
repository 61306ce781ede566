#include "caller_memory.h"

#include <cstdlib>
#include <cstring>

bool StringsReallyFreed() {
    return std::getenv("OANOCACHE") != nullptr;
}

FreeSpy &FreeSpy::Instance() {
    static FreeSpy *spy = [] {
        auto *registered = new FreeSpy;
        EXPECT_EQ(S_OK, CoRegisterMallocSpy(registered));
        return registered;
    }();
    spy->Forget();
    return *spy;
}

HRESULT FreeSpy::QueryInterface(REFIID iid, void **out) {
    if (iid != IID_IUnknown && iid != IID_IMallocSpy)
        return E_NOINTERFACE;
    *out = this;
    return S_OK;
}

void *FreeSpy::PreFree(void *request, BOOL) {
    freed_.insert(static_cast<const char *>(request));
    return request;
}

SIZE_T FreeSpy::PreRealloc(void *request, SIZE_T size, void **out, BOOL) {
    if (request)
        freed_.insert(static_cast<const char *>(request));
    *out = request;
    return size;
}

bool FreeSpy::Freed(BSTR text) const {
    // The block starts at the length prefix, a few bytes before the characters.
    const char *chars = reinterpret_cast<const char *>(text);
    const auto first = freed_.lower_bound(chars - 16);
    return text && first != freed_.end() && *first <= chars;
}

ArgumentSnapshot::ArgumentSnapshot(const VARIANT *args, UINT count) {
    for (UINT i = 0; i < count; ++i)
        Take(args[i], 0);
}

bool ArgumentSnapshot::Unchanged() const {
    std::size_t at = 0;
    for (const auto &[data, size] : ranges_) {
        if (std::memcmp(data, bytes_.data() + at, size) != 0)
            return false;
        at += size;
    }
    return true;
}

void ArgumentSnapshot::Keep(const void *data, std::size_t size) {
    const auto *begin = static_cast<const unsigned char *>(data);
    ranges_.emplace_back(begin, size);
    bytes_.insert(bytes_.end(), begin, begin + size);
}

void ArgumentSnapshot::Take(const VARIANT &value, int depth) {
    Keep(&value, sizeof value);
    BSTR text = nullptr;
    switch (V_VT(&value)) {
    case VT_BSTR:
        text = V_BSTR(&value);
        break;
    case VT_BSTR | VT_BYREF:
        Keep(V_BSTRREF(&value), sizeof(BSTR));
        text = *V_BSTRREF(&value);
        break;
    case VT_I4 | VT_BYREF:
        Keep(V_I4REF(&value), sizeof(LONG));
        break;
    case VT_VARIANT | VT_BYREF:
        if (depth < 4)
            Take(*V_VARIANTREF(&value), depth + 1);
        break;
    }
    if (text) {
        strings_.push_back(text);
        Keep(reinterpret_cast<const char *>(text) - sizeof(DWORD),
             sizeof(DWORD) + SysStringByteLen(text));
    }
}
