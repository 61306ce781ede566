// The control's own size: 500 x 500 twips, single-precision, whatever size its container
// gives it. Containers measure in their own units (HIMETRIC, pixels); the control keeps twips.
#pragma once

#include <windows.h>

#include <functional>

namespace quorvane::server {

// How many of a container's units make an inch, across and down.
struct UnitsPerInch {
    float x, y;
};
inline constexpr UnitsPerInch kHimetric{2540, 2540};
inline constexpr float kTwipsPerInch = 1440;

// `twips` in units of `per_inch` to the inch, rounded to the nearest, halves away from zero:
// 500 twips are 882 HIMETRIC (881.94), and 33 pixels at 96 per inch (33.33).
LONG ToUnits(float twips, float per_inch);

class ControlSize {
public:
    static constexpr float kSide = 500;

    // `changed` runs after each dimension that changes, to tell the container; it may give
    // the control a size again from inside.
    explicit ControlSize(std::function<void()> changed) : changed_(std::move(changed)) {}

    float Width() const { return width_; }
    float Height() const { return height_; }
    // The size in a container's units.
    SIZEL In(UnitsPerInch units) const;

    // The container gives the control `given` in `units`, then UserControl_Resize holds it at
    // its own size. A measure that the current size rounds to is the current size, so giving
    // the control what it reported changes nothing. From inside `changed` the given size is
    // not taken: the handler runs again and finds nothing left to change, so that a container
    // that insists on another size cannot drive the control round for ever.
    void Resize(SIZEL given, UnitsPerInch units);

private:
    void UserControl_Resize();
    void Set(float &dimension, float twips);

    std::function<void()> changed_;
    float width_ = kSide;
    float height_ = kSide;
    int notifying_ = 0;
};

} // namespace quorvane::server
