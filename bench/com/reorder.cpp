#include "reorder.h"

#include "dispatch.h"
#include "harness.h"

#include <vector>

namespace combench {

namespace {

// One call per run of the member names[0], with the arguments named by names[1..] first and
// then the positional ones, as `arguments` gives them in DISPPARAMS order before timing.
double OneCallNs(IDispatch *collection, std::vector<const wchar_t *> names,
                 const std::function<std::vector<VARIANT>()> &arguments, int repetitions) {
    std::vector<DISPID> ids(names.size());
    Check(collection->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR *>(names.data()),
                                    static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                    ids.data()),
          "Collection GetIDsOfNames");
    const std::vector<DISPID> named(ids.begin() + 1, ids.end());
    std::vector<VARIANT> args;
    const Batch batch{[&] { args = arguments(); },
                      [&] {
                          Check(Invoke(collection, ids[0], DISPATCH_METHOD, args, nullptr, named),
                                "Collection");
                          return std::size_t{1};
                      },
                      [&] {
                          for (VARIANT &arg : args)
                              VariantClear(&arg);
                      }};
    return FastestNsPerCall(batch, repetitions);
}

} // namespace

double RemoveFirstNs(IDispatch *collection, int repetitions) {
    return OneCallNs(
        collection, {L"Remove"}, [] { return std::vector<VARIANT>{LongArg(1)}; }, repetitions);
}

double InsertFirstNs(IDispatch *collection, int repetitions) {
    // Before:=1, then the item.
    return OneCallNs(
        collection, {L"Add", L"Before"},
        [] {
            return std::vector<VARIANT>{LongArg(1), DateArg(0.5)};
        },
        repetitions);
}

} // namespace combench
