// The event seam: how the control raises RunTime to its host.
#pragma once

#include <string>

namespace quorvane {

class ScheduleEvents {
public:
    virtual ~ScheduleEvents() = default;
    // Raised synchronously with a fresh copy of the entry's name; whatever the handler does
    // to the copy is dropped with it.
    virtual void RunTime(std::u16string &key) = 0;
};

} // namespace quorvane
