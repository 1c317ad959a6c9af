// Needle directions through the volume pointer's table: the turns between
// points go the short way round, and values past the ends stop there.
#include "host/needle_angle.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;
const PIXPOINT PIVOT = {83, 84};
// The face's volume pointer: down-left, left, up, right.
const NONLINEARITY TABLE[4] = {{{61, 107}, -15000.0, 0.0},
                               {{52, 84}, -10000.0, 0.0},
                               {{84, 53}, -5000.0, 0.0},
                               {{116, 84}, 0.0, 0.0}};

double degrees(double value) {
    double angle = needle_angle(TABLE, 4, PIVOT, value) * 180 / PI;
    return angle < -45 ? angle + 360 : angle;  // screen degrees, clockwise from right
}

TEST(NeedleAngle, TablePointsGiveTheirDirections) {
    EXPECT_NEAR(degrees(0), 0, 0.01);
    EXPECT_NEAR(degrees(-10000), 180, 0.01);
    EXPECT_NEAR(degrees(-5000), 270 + std::atan2(1, 31) * 180 / PI, 0.01);
    EXPECT_NEAR(degrees(-15000), std::atan2(23, -22) * 180 / PI, 0.01);
}

TEST(NeedleAngle, BetweenLeftAndUpTheNeedleSwingsOverTheTop) {
    // A plain average of 180 and -88 degrees would point the needle down.
    double at_8000 = degrees(-8000);
    EXPECT_GT(at_8000, 180);
    EXPECT_LT(at_8000, 225);  // nearer to left than to up
    EXPECT_NEAR(degrees(-7500), (180 + 270 + std::atan2(1, 31) * 180 / PI) / 2, 0.01);
}

TEST(NeedleAngle, LevelsJustPastTheEnds) {
    // -10100 lies between the first two points: slightly below left.
    double below = degrees(-10100);
    EXPECT_LT(below, 180);
    EXPECT_GT(below, 175);
    // Nothing lies past 0: +100 points as 0 does; far below the table too.
    EXPECT_NEAR(degrees(100), 0, 0.01);
    EXPECT_NEAR(degrees(-1e9), degrees(-15000), 0.01);
    EXPECT_NEAR(degrees(NAN), degrees(-15000), 0.01);
}

TEST(NeedleAngle, TablesRunningDownwardsWorkTheSame) {
    const NONLINEARITY reversed[4] = {TABLE[3], TABLE[2], TABLE[1], TABLE[0]};
    for (double value : {-12000.0, -8000.0, -2500.0, 500.0}) {
        EXPECT_NEAR(needle_angle(reversed, 4, PIVOT, value), needle_angle(TABLE, 4, PIVOT, value),
                    1e-9)
            << value;
    }
    EXPECT_EQ(needle_angle(nullptr, 0, PIVOT, 5), 0);
}

}  // namespace
