#include "module_lock.h"

namespace quorvane::server {

namespace {
LONG locks = 0;
LONG server_locks = 0;
HINSTANCE instance = nullptr;
} // namespace

void LockModule() {
    InterlockedIncrement(&locks);
}
void UnlockModule() {
    InterlockedDecrement(&locks);
}
void TakeServerLock() {
    InterlockedIncrement(&server_locks);
}
void DropServerLock() {
    for (LONG held = server_locks; held > 0;) {
        const LONG seen = InterlockedCompareExchange(&server_locks, held - 1, held);
        if (seen == held)
            return;
        held = seen;
    }
}
bool ModuleInUse() {
    return InterlockedCompareExchange(&locks, 0, 0) != 0 ||
           InterlockedCompareExchange(&server_locks, 0, 0) != 0;
}

HINSTANCE ModuleInstance() {
    return instance;
}
void SetModuleInstance(HINSTANCE module) {
    instance = module;
}

} // namespace quorvane::server
