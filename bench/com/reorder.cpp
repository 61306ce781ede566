#include "reorder.h"

#include "dispatch.h"
#include "harness.h"

#include <algorithm>
#include <vector>

namespace combench {

namespace {

// One call of `member` per run, on arguments (in call order) formed before timing.
double OneCallNs(IDispatch *collection, const wchar_t *member,
                 const std::function<std::vector<VARIANT>()> &arguments, int repetitions) {
    const DISPID id = DispIdOf(collection, member);
    std::vector<VARIANT> reversed;
    const Batch batch{[&] {
                          reversed = arguments();
                          std::reverse(reversed.begin(), reversed.end());
                      },
                      [&] {
                          Check(Invoke(collection, id, DISPATCH_METHOD, reversed), "Collection");
                          return std::size_t{1};
                      },
                      [&] {
                          for (VARIANT &arg : reversed)
                              VariantClear(&arg);
                      }};
    return FastestNsPerCall(batch, repetitions);
}

} // namespace

double RemoveFirstNs(IDispatch *collection, int repetitions) {
    return OneCallNs(
        collection, L"Remove", [] { return std::vector<VARIANT>{LongArg(1)}; }, repetitions);
}

double InsertFirstNs(IDispatch *collection, int repetitions) {
    return OneCallNs(
        collection, L"Add",
        [] {
            return std::vector<VARIANT>{DateArg(0.5), MissingArg(), LongArg(1)};
        },
        repetitions);
}

} // namespace combench
