#include "creation.h"

#include "harness.h"

#include <oaidl.h>

#include <vector>

namespace combench {

CreationNs CreateAndRelease(const wchar_t *progid, int instances, int repetitions) {
    CLSID clsid;
    Check(CLSIDFromProgID(progid, &clsid), "CLSIDFromProgID");
    std::vector<IDispatch *> alive;
    const auto create = [&] {
        for (int i = 0; i < instances; ++i) {
            IDispatch *object = nullptr;
            Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)),
                  "CoCreateInstance");
            alive.push_back(object);
        }
        return alive.size();
    };
    const auto release = [&] {
        for (IDispatch *object : alive)
            object->Release();
        const std::size_t released = alive.size();
        alive.clear();
        return released;
    };
    alive.reserve(static_cast<std::size_t>(instances));
    return {FastestNsPerCall({nullptr, create, release}, repetitions),
            FastestNsPerCall({create, release, nullptr}, repetitions)};
}

} // namespace combench
