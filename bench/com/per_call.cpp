#include "per_call.h"

#include "dispatch.h"
#include "harness.h"

#include <algorithm>

namespace combench {

namespace {

// One late-bound call of `call` for each of `entries`, on arguments formed before timing and
// freed after it; `undo` then restores the store's size.
double TimeLateCalls(Store &store, const LateCall &call, const Entries &entries,
                     const std::function<void()> &undo, int repetitions) {
    std::vector<std::vector<VARIANT>> args;
    IDispatch *object = store.Object();
    const Batch batch{
        [&] {
            for (const Entry &entry : entries) {
                args.push_back(call.arguments(entry));
                std::reverse(args.back().begin(), args.back().end());
            }
        },
        [&] {
            for (std::vector<VARIANT> &reversed : args) {
                VARIANT result;
                VariantInit(&result);
                Check(Invoke(object, call.member, call.flags, reversed, &result), call.name);
                if (V_VT(&result) != call.gives)
                    Fail(std::string(call.name) + " gave back another type than it should");
                VariantClear(&result);
            }
            return args.size();
        },
        [&] {
            for (std::vector<VARIANT> &reversed : args)
                for (VARIANT &arg : reversed)
                    VariantClear(&arg);
            args.clear();
            undo();
        }};
    return FastestNsPerCall(batch, repetitions);
}

} // namespace

double LateAddNs(Store &store, int count, int repetitions) {
    const Entries added(L"added", Run(0, count));
    return TimeLateCalls(
        store, store.Add(), added, [&] { DropAll(store, added); }, repetitions);
}

double LateFindNs(Store &store, const std::vector<int> &numbers, int repetitions) {
    const Entries present(L"alarm", numbers);
    return TimeLateCalls(
        store, store.Find(), present, [] {}, repetitions);
}

double LateRemoveNs(Store &store, const std::vector<int> &numbers, int repetitions) {
    const Entries present(L"alarm", numbers);
    return TimeLateCalls(
        store, store.Remove(), present, [&] { PutAll(store, present); }, repetitions);
}

namespace {

// `change` through the vtable for each of `entries` per batch, `undo` for each after it.
double TimeVtableCalls(Store &store, const Entries &entries,
                       void (*change)(Store &, const Entries &),
                       void (*undo)(Store &, const Entries &), int repetitions) {
    const Batch batch{nullptr,
                      [&] {
                          change(store, entries);
                          return entries.size();
                      },
                      [&] { undo(store, entries); }};
    return FastestNsPerCall(batch, repetitions);
}

} // namespace

double VtableAddNs(Store &store, int count, int repetitions) {
    return TimeVtableCalls(store, Entries(L"added", Run(0, count)), PutAll, DropAll, repetitions);
}

double VtableRemoveNs(Store &store, const std::vector<int> &numbers, int repetitions) {
    return TimeVtableCalls(store, Entries(L"alarm", numbers), DropAll, PutAll, repetitions);
}

} // namespace combench
