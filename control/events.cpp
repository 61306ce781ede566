#include "events.h"

namespace quorvane {

namespace {

class SingleRaising final : public ScheduleEvents::Raising {
public:
    SingleRaising(SingleListenerEvents &events, std::u16string_view key)
        : events_(events), key_(key) {}

    bool Done() const override { return raised_; }
    void RaiseNext() override {
        raised_ = true;
        events_.RunTime(key_);
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
    Prepare(key)->RaiseNext();
}

} // namespace quorvane
