// The edge of the module: every method of every interface the module implements (but the
// three of IUnknown, which cannot throw), and every other way into it (its exports, its timer
// procedure, its window procedure), runs its body through Boundary, so that no C++ exception
// ever leaves the module. The body returns an HRESULT, or nothing for S_OK.
//
// Before the body runs, the thread is made able to throw whatever memory is left
// (ExceptionFrame). A std::bad_alloc that leaves the body becomes E_OUTOFMEMORY, and anything
// else E_UNEXPECTED: a body that can run out of memory does what may fail first, so that it
// changes nothing when it fails.
#pragma once

#include "exception_memory.h"

#include <windows.h>

#include <new>
#include <type_traits>

namespace quorvane::server {

// Calls `body`, an HRESULT for one that returns nothing.
template <class Body> HRESULT Answer(Body &body) {
    if constexpr (std::is_void_v<std::invoke_result_t<Body &>>) {
        body();
        return S_OK;
    } else {
        return body();
    }
}

template <class Body> HRESULT Boundary(Body &&body) noexcept {
    const ExceptionFrame frame;
    if (!frame.Ready())
        return E_OUTOFMEMORY;
    try {
        return Answer(body);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace quorvane::server
