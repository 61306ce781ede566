#include "fakes.h"

#include <gtest/gtest.h>

namespace quorvane::testing {

AutomationError ErrorOf(const std::function<void()> &action) {
    try {
        action();
    } catch (const AutomationError &error) {
        return error;
    }
    ADD_FAILURE() << "no Automation error was raised";
    return AutomationError(0, u"", u"");
}

} // namespace quorvane::testing
