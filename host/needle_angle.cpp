// Needle directions through a nonlinearity table.
#include "host/needle_angle.h"

#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

double direction(const NONLINEARITY& point, PIXPOINT pivot) {
    return std::atan2(double(point.pt.y - pivot.y), double(point.pt.x - pivot.x));
}

// The turn from a to b the short way round, in -pi..pi.
double turn_between(double a, double b) {
    double turn = std::fmod(b - a, 2 * PI);
    if (turn > PI) {
        turn -= 2 * PI;
    } else if (turn < -PI) {
        turn += 2 * PI;
    }
    return turn;
}

}  // namespace

double needle_angle(const NONLINEARITY* table, uint32_t count, PIXPOINT pivot, double value) {
    if (table == nullptr || count == 0) {
        return 0;
    }
    if (count == 1 || std::isnan(value)) {
        return direction(table[0], pivot);
    }
    // The table runs either way; "first" and "last" are by value.
    bool rising = table[count - 1].value >= table[0].value;
    const NONLINEARITY& low = rising ? table[0] : table[count - 1];
    const NONLINEARITY& high = rising ? table[count - 1] : table[0];
    if (value <= low.value) {
        return direction(low, pivot);
    }
    if (value >= high.value) {
        return direction(high, pivot);
    }
    for (uint32_t i = 0; i + 1 < count; ++i) {
        const NONLINEARITY& a = table[i];
        const NONLINEARITY& b = table[i + 1];
        double lo = std::fmin(a.value, b.value);
        double hi = std::fmax(a.value, b.value);
        if (value < lo || value > hi) {
            continue;
        }
        double from = direction(a, pivot);
        if (hi == lo) {
            return from;
        }
        double share = (value - a.value) / (b.value - a.value);
        // Kept in -pi..pi whichever way the table runs.
        return turn_between(0, from + share * turn_between(from, direction(b, pivot)));
    }
    return direction(high, pivot);
}
