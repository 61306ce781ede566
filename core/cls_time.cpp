#include "cls_time.h"

namespace quorvane {

void clsTime::SetSchedule(std::u16string_view index, std::int32_t ty, std::int32_t yr,
                          std::int32_t mon, std::int32_t wk, std::int32_t dy, std::int32_t hr,
                          std::int32_t min, std::int32_t sec, Moment now) {
    rule_ = Recurrence::Checked(ty, yr, mon, wk, dy, hr, min, sec);
    key_ = CompactText(index);
    SetNextTime(now);
}

} // namespace quorvane
