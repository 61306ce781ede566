// What a COM client needs to see that a call only read its arguments: a record of every block
// the task allocator frees (BSTRs live there; with OANOCACHE=1 a freed one is really freed),
// and a snapshot of an argument list with everything it reaches.
#pragma once

#include "host.h"

#include <objidl.h>

#include <set>
#include <vector>

// Whether the runtime frees strings for real (OANOCACHE=1). Only then can a test see a string
// freed, and only then may a spy watch the task allocator: Wine's string cache and a spy
// together crash in the allocator.
bool StringsReallyFreed();

// Registered once and for the life of the process (the task allocator keeps a spy until every
// block allocated under it is freed); `Freed(text)` tells whether the block of `text` was
// freed since the last `Forget()`.
class FreeSpy final : public IMallocSpy {
public:
    static FreeSpy &Instance();
    bool Freed(BSTR text) const;
    void Forget() { freed_.clear(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void *STDMETHODCALLTYPE PostAlloc(void *actual) override { return actual; }
    void *STDMETHODCALLTYPE PreFree(void *request, BOOL) override;
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void *request, SIZE_T size, void **out, BOOL) override;
    void *STDMETHODCALLTYPE PostRealloc(void *actual, BOOL) override { return actual; }
    void *STDMETHODCALLTYPE PreGetSize(void *request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void *STDMETHODCALLTYPE PreDidAlloc(void *request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void *, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    FreeSpy() = default;

    std::set<const char *> freed_;
};

// The bytes of `count` VARIANTs, of what their references point at, and of every string
// among them, taken when made; `Unchanged()` reads the same bytes again.
class ArgumentSnapshot {
public:
    ArgumentSnapshot(const VARIANT *args, UINT count);
    bool Unchanged() const;
    const std::vector<BSTR> &Strings() const { return strings_; }

private:
    void Take(const VARIANT &value, int depth);
    void Keep(const void *data, std::size_t size);

    std::vector<std::pair<const unsigned char *, std::size_t>> ranges_;
    std::vector<unsigned char> bytes_;
    std::vector<BSTR> strings_;
};
