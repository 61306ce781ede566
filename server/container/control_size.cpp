#include "control_size.h"

#include <cmath>

namespace quorvane::server {

namespace {

float Taken(LONG given, float current, float per_inch) {
    if (given == ToUnits(current, per_inch))
        return current;
    return static_cast<float>(given) * kTwipsPerInch / per_inch;
}

} // namespace

LONG ToUnits(float twips, float per_inch) {
    return std::lround(twips * per_inch / kTwipsPerInch);
}

SIZEL ControlSize::In(UnitsPerInch units) const {
    return {ToUnits(width_, units.x), ToUnits(height_, units.y)};
}

void ControlSize::Resize(SIZEL given, UnitsPerInch units) {
    if (notifying_ == 0) {
        width_ = Taken(given.cx, width_, units.x);
        height_ = Taken(given.cy, height_, units.y);
    }
    UserControl_Resize();
}

void ControlSize::UserControl_Resize() {
    Set(width_, kSide);
    Set(height_, kSide);
}

void ControlSize::Set(float &dimension, float twips) {
    if (dimension == twips)
        return;
    dimension = twips;
    ++notifying_;
    changed_();
    --notifying_;
}

} // namespace quorvane::server
