// Holds a slim reader/writer lock exclusively for as long as it lives.
#pragma once

#include <windows.h>

namespace quorvane::server {

class Exclusive {
public:
    explicit Exclusive(SRWLOCK &lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Exclusive() { ReleaseSRWLockExclusive(&lock_); }
    Exclusive(const Exclusive &) = delete;
    Exclusive &operator=(const Exclusive &) = delete;

private:
    SRWLOCK &lock_;
};

} // namespace quorvane::server
