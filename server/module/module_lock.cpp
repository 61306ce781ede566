#include "module_lock.h"

namespace quorvane::server {

namespace {
LONG locks = 0;
HINSTANCE instance = nullptr;
} // namespace

void LockModule() {
    InterlockedIncrement(&locks);
}
void UnlockModule() {
    InterlockedDecrement(&locks);
}
bool ModuleInUse() {
    return InterlockedCompareExchange(&locks, 0, 0) != 0;
}

HINSTANCE ModuleInstance() {
    return instance;
}
void SetModuleInstance(HINSTANCE module) {
    instance = module;
}

} // namespace quorvane::server
