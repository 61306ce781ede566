// What the benchmark asks of a keyed store, so that one piece of code measures both sides:
// the control (a name and its daily time) and Scripting.Dictionary (a key and a time value).
#pragma once

#include "entries.h"

#include <oaidl.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace combench {

// A member called late-bound, the arguments (in call order) it gets for one entry, and the
// type of what it gives back (VT_EMPTY for nothing): a lookup that gives nothing has missed.
struct LateCall {
    const char *name;
    DISPID member;
    WORD flags;
    std::function<std::vector<VARIANT>(const Entry &)> arguments;
    VARTYPE gives = VT_EMPTY;
};

// The arguments of a member that takes only the entry's name.
std::vector<VARIANT> NameArgument(const Entry &entry);

class Store {
public:
    virtual ~Store() = default;

    virtual IDispatch *Object() = 0;
    // Late-bound: add an entry, read one, remove one.
    virtual LateCall Add() = 0;
    virtual LateCall Find() = 0;
    virtual LateCall Remove() = 0;
    // Through the vtable, on arguments the callee only reads.
    virtual void Put(const Entry &entry) = 0;
    virtual void Drop(const Entry &entry) = 0;
    // Everything the store hands a script at once, and a walk over it that copies out and
    // clears each item, as For Each does; the walk returns the number of items.
    virtual void Snapshot(VARIANT *out) = 0;
    virtual std::size_t Walk(VARIANT *snapshot) = 0;
};

void PutAll(Store &store, const Entries &entries);
void DropAll(Store &store, const Entries &entries);

// Adds entries `from` .. `to` - 1 of the fill ("alarm-NNNNNN") through the vtable.
void Grow(Store &store, int from, int to);

} // namespace combench
