#pragma once
// The one float → int conversion of the views: truncation toward zero, with not-a-number
// read as 0 and anything beyond the int range (infinities included) clamped to its ends,
// so no such value ever reaches an int or an index.
#include <climits>
#include <cmath>

inline int TruncToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= double(INT_MAX)) return INT_MAX;
    if (value <= double(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}
