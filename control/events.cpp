#include "events.h"

namespace quorvane {

namespace {

class SingleRaising final : public ScheduleEvents::Raising {
public:
    SingleRaising(SingleListenerEvents &events, std::u16string_view key)
        : events_(events), key_(key) {}

    bool RaiseNext() override {
        if (raised_)
            return false;
        raised_ = true;
        events_.RunTime(key_);
        return true;
    }

private:
    SingleListenerEvents &events_;
    std::u16string key_;
    bool raised_ = false;
};

} // namespace

std::unique_ptr<ScheduleEvents::Raising> SingleListenerEvents::Prepare(std::u16string_view key) {
    return std::make_unique<SingleRaising>(*this, key);
}

void SingleListenerEvents::Raise(std::u16string_view key) {
    const std::unique_ptr<Raising> raising = Prepare(key);
    while (raising->RaiseNext()) {
    }
}

} // namespace quorvane
