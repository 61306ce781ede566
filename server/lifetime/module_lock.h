// What the module counts to answer DllCanUnloadNow, and the module's own instance handle.
#pragma once

#include <windows.h>

namespace quorvane::server {

void LockModule();
void UnlockModule();
// IClassFactory::LockServer's locks, counted apart from the objects' so that letting go of
// more than were taken does nothing.
void TakeServerLock();
void DropServerLock();
bool ModuleInUse();

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

// Held by every live object of the module.
class ModuleLock {
public:
    ModuleLock() { LockModule(); }
    ModuleLock(const ModuleLock &) = delete;
    ModuleLock &operator=(const ModuleLock &) = delete;
    ~ModuleLock() { UnlockModule(); }
};

} // namespace quorvane::server
