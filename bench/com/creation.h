// Creating and releasing instances of a class by ProgID, many kept alive at once.
#pragma once

namespace combench {

struct CreationNs {
    double create;  // CoCreateInstance, per instance
    double release; // the last Release, per instance
};

CreationNs CreateAndRelease(const wchar_t *progid, int instances, int repetitions);

} // namespace combench
