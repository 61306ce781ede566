#include "failing_allocations.h"

#include "host.h"

#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// The injection's state: plain globals, since the replacements are plain functions. Only the
// module's own allocations come here, all on the tests' thread.
bool armed = false;
unsigned left = 0; // allocations still granted while armed
bool failed = false;
LONG heap_blocks = 0; // granted through HeapAlloc, armed or not

bool Fails() {
    if (!armed)
        return false;
    if (left > 0 && --left > 0)
        return false;
    left = 0;
    failed = true;
    return true;
}

void *__cdecl Malloc(size_t size) {
    return Fails() ? nullptr : std::malloc(size);
}
void *__cdecl Calloc(size_t count, size_t size) {
    return Fails() ? nullptr : std::calloc(count, size);
}
void *__cdecl Realloc(void *block, size_t size) {
    // realloc(block, 0) frees: no allocation.
    return size != 0 && Fails() ? nullptr : std::realloc(block, size);
}
BSTR WINAPI AllocString(const OLECHAR *text) {
    return Fails() ? nullptr : SysAllocString(text);
}
BSTR WINAPI AllocStringLen(const OLECHAR *text, UINT length) {
    return Fails() ? nullptr : SysAllocStringLen(text, length);
}
BSTR WINAPI AllocStringByteLen(LPCSTR text, UINT length) {
    return Fails() ? nullptr : SysAllocStringByteLen(text, length);
}
INT WINAPI ReAllocString(BSTR *text, const OLECHAR *with) {
    return Fails() ? FALSE : SysReAllocString(text, with);
}
LPVOID WINAPI TaskMemAlloc(SIZE_T size) {
    return Fails() ? nullptr : CoTaskMemAlloc(size);
}
INT WINAPI ReAllocStringLen(BSTR *text, const OLECHAR *with, UINT length) {
    return Fails() ? FALSE : SysReAllocStringLen(text, with, length);
}
LPVOID WINAPI AllocFromHeap(HANDLE heap, DWORD flags, SIZE_T size) {
    if (Fails())
        return nullptr;
    InterlockedIncrement(&heap_blocks);
    return HeapAlloc(heap, flags, size);
}

struct Replacement {
    const char *dll, *name;
    void *function;
};
const Replacement kReplacements[] = {
    {"msvcrt.dll", "malloc", reinterpret_cast<void *>(&Malloc)},
    {"msvcrt.dll", "calloc", reinterpret_cast<void *>(&Calloc)},
    {"msvcrt.dll", "realloc", reinterpret_cast<void *>(&Realloc)},
    {"oleaut32.dll", "SysAllocString", reinterpret_cast<void *>(&AllocString)},
    {"oleaut32.dll", "SysAllocStringLen", reinterpret_cast<void *>(&AllocStringLen)},
    {"oleaut32.dll", "SysAllocStringByteLen", reinterpret_cast<void *>(&AllocStringByteLen)},
    {"oleaut32.dll", "SysReAllocString", reinterpret_cast<void *>(&ReAllocString)},
    {"oleaut32.dll", "SysReAllocStringLen", reinterpret_cast<void *>(&ReAllocStringLen)},
    {"ole32.dll", "CoTaskMemAlloc", reinterpret_cast<void *>(&TaskMemAlloc)},
    {"kernel32.dll", "HeapAlloc", reinterpret_cast<void *>(&AllocFromHeap)}};

const Replacement *ReplacementOf(const char *dll, const char *name) {
    for (const Replacement &replacement : kReplacements)
        if (_stricmp(dll, replacement.dll) == 0 && std::strcmp(name, replacement.name) == 0)
            return &replacement;
    return nullptr;
}

void Write(void **slot, void *value) {
    DWORD was;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, was, &was);
}

} // namespace

FailingAllocations::FailingAllocations(HMODULE module)
    : heap_blocks_before_(InterlockedCompareExchange(&heap_blocks, 0, 0)) {
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return;
    for (auto *dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         dll->Name; ++dll) {
        const char *dll_name = reinterpret_cast<const char *>(base + dll->Name);
        auto *names = reinterpret_cast<const IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *by_name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            const Replacement *replacement =
                ReplacementOf(dll_name, reinterpret_cast<const char *>(by_name->Name));
            if (!replacement || patched_ == std::size(slots_))
                continue;
            void **slot = reinterpret_cast<void **>(&slots->u1.Function);
            slots_[patched_++] = {slot, *slot};
            Write(slot, replacement->function);
        }
    }
}

FailingAllocations::~FailingAllocations() {
    Disarm();
    while (patched_ > 0) {
        const Slot &slot = slots_[--patched_];
        Write(slot.address, slot.original);
    }
}

void FailingAllocations::FailFrom(unsigned n) {
    left = n;
    failed = false;
    armed = true;
}

void FailingAllocations::Disarm() {
    armed = false;
}

bool FailingAllocations::Failed() const {
    return failed;
}

LONG FailingAllocations::HeapBlocks() const {
    return InterlockedCompareExchange(&heap_blocks, 0, 0) - heap_blocks_before_;
}

HMODULE ControlModule() {
    return GetModuleHandleW(ModulePath().c_str());
}
