// Allocation failure inside the module, injected from outside it: the module's import slots for
// the C runtime's allocators (malloc, calloc, realloc), the Automation strings (SysAllocString...),
// COM's task memory and the process heap (HeapAlloc) point at functions of the tests' own while an
// injection lives. Armed, they
// fail the n-th allocation the module asks for and every later one, as memory that is gone
// stays gone; disarmed, they pass every request on.
#pragma once

#include <windows.h>

class FailingAllocations {
public:
    // Patches the import slots of `module` (the module the tests' controls came from).
    explicit FailingAllocations(HMODULE module);
    // Puts the slots back.
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations &) = delete;
    FailingAllocations &operator=(const FailingAllocations &) = delete;

    // From now on, the `n`-th allocation (1 is the next) and every later one fail.
    void FailFrom(unsigned n);
    void Disarm();
    // Whether an allocation failed since the last FailFrom.
    bool Failed() const;
    // How many blocks the module took from the process heap since the injection began: the
    // exception states of threads that found the module's table full.
    LONG HeapBlocks() const;
    // How many slots were patched; a module that imports none of the allocators has none.
    unsigned Patched() const { return patched_; }

private:
    struct Slot {
        void **address;
        void *original;
    };
    Slot slots_[16]{};
    unsigned patched_ = 0;
    LONG heap_blocks_before_ = 0;
};

// The module that COM loaded the control from.
HMODULE ControlModule();
