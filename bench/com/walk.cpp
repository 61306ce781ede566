#include "walk.h"

#include "dispatch.h"
#include "harness.h"

namespace combench {

namespace {

std::size_t Expect(std::size_t walked, int size) {
    Require(walked == static_cast<std::size_t>(size), "a walk met a different number of items");
    return walked;
}

} // namespace

double SnapshotNs(Store &store, int size, int repetitions) {
    const Batch batch{nullptr,
                      [&] {
                          OwnedVariant snapshot;
                          store.Snapshot(snapshot.get());
                          return static_cast<std::size_t>(size);
                      },
                      nullptr};
    return FastestNsPerCall(batch, repetitions);
}

double SnapshotWalkNs(Store &store, int size, int repetitions) {
    const Batch batch{nullptr,
                      [&] {
                          OwnedVariant snapshot;
                          store.Snapshot(snapshot.get());
                          return Expect(store.Walk(snapshot.get()), size);
                      },
                      nullptr};
    return FastestNsPerCall(batch, repetitions);
}

double ForEachNs(IDispatch *collection, int size, int repetitions) {
    const Batch batch{nullptr, [&] { return Expect(ForEach(collection), size); }, nullptr};
    return FastestNsPerCall(batch, repetitions);
}

} // namespace combench
