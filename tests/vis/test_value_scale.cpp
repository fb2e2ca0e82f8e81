// The value ↔ logical-coordinate scale every view draws and hit-tests with.
#include <gtest/gtest.h>

#include <cmath>

#include "vis/ValueScale.h"

TEST(ValueScale, MapsBothWaysOnEveryKindOfScale)
{
    const struct {
        float Origin, Length;
    } scales[] = {{30, 964}, {994, -964}, {0, 1}, {-5, 0.5f}};
    for (const auto& s : scales) {
        const TValueScale scale{s.Origin, s.Length};
        for (float v : {0.0f, 0.25f, 0.5f, 1.0f, -0.5f, 2.0f}) {
            EXPECT_FLOAT_EQ(scale.ToLogical(v), s.Origin + v * s.Length);
            EXPECT_NEAR(scale.ToValue(scale.ToLogical(v)), v, 1e-5f) << s.Origin << " " << s.Length << " " << v;
        }
    }
    const TValueScale axis{30, 964};
    EXPECT_EQ(axis.ToLogicalInt(0.5f), 512);
    EXPECT_EQ(axis.ToLogicalInt(0.001f), 30);  // 30.964 truncated
}

TEST(ValueScale, AScaleOfNoLengthOrAnInfiniteValueGivesNoUndefinedNumber)
{
    const TValueScale flat{30, 0};
    EXPECT_EQ(flat.ToValue(100), 0.0f);
    const TValueScale axis{30, 964};
    EXPECT_EQ(axis.ToLogicalInt(INFINITY), INT_MAX);
    EXPECT_EQ(axis.ToLogicalInt(-INFINITY), INT_MIN);
    EXPECT_EQ(axis.ToLogicalInt(NAN), 0);
}
