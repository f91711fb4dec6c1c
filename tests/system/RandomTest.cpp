// The random generator: seeding rules and the exact sequences.
#include "framework/system/Random.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

TEST(Random, SeedRules)
{
    struct Case {
        int32_t seed, state;
    };
    const Case cases[] = {
        {0, 4660}, {0x7FFFFFFF, 4660}, {-1, 4660},        {-2, 0x7FFFFFFE},
        {1, 1},    {13, 13},           {INT32_MIN, 4660}, {INT32_MIN + 5, 5},
    };
    for (const auto& c : cases) {
        SeedRandom(c.seed);
        EXPECT_EQ(RandomState(), c.state) << c.seed;
    }
}

TEST(Random, FirstStepsFromTheStartState)
{
    SeedRandom(4660);
    const double u = RandomUnit();
    EXPECT_EQ(RandomState(), 539475828);
    EXPECT_EQ(u, 0.4189887270692887);
    SeedRandom(4660);
    RandomInt(0, 0);  // one call, two steps, also for an empty range
    EXPECT_EQ(RandomState(), 539475828);
}

TEST(Random, KnownSequences)
{
    struct Case {
        int32_t seed, low, high;
        std::vector<int32_t> values;
    };
    const Case cases[] = {
        {4660, 1, 100, {42, 22, 70, 15, 58}},
        {13, -10, 10, {-10, -5, -3, 6, 4, 3}},
    };
    for (const auto& c : cases) {
        SeedRandom(c.seed);
        std::vector<int32_t> got;
        for (size_t i = 0; i < c.values.size(); ++i) got.push_back(RandomInt(c.low, c.high));
        EXPECT_EQ(got, c.values) << "seed " << c.seed;
    }
}

TEST(Random, StepMatchesTheModularProduct)
{
    // Schrage's method must agree with the 64-bit product for states all over the range.
    for (int64_t s : {1LL, 2LL, 44487LL, 44488LL, 44489LL, 1000000007LL, 2147483646LL, 0x7FFFFFFELL}) {
        SeedRandom(static_cast<int32_t>(s));
        RandomUnit();
        const int64_t s1 = s * 48271 % 2147483647;
        const int64_t s2 = s1 * 48271 % 2147483647;
        EXPECT_EQ(RandomState(), s2) << s;
    }
}

TEST(Random, UnitIsInsideZeroToOne)
{
    SeedRandom(99);
    for (int i = 0; i < 100000; ++i) {
        const double u = RandomUnit();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(Random, BoundsInEitherOrderCoverTheRangeOnly)
{
    struct Case {
        int32_t low, high, min, max;
    };
    const Case cases[] = {{3, 1, 1, 3}, {1, 3, 1, 3}, {5, 5, 5, 5}, {-2, -7, -7, -2}, {0, 1, 0, 1}};
    for (const auto& c : cases) {
        SeedRandom(7);
        std::map<int32_t, int> counts;
        for (int i = 0; i < 6000; ++i) {
            ++counts[RandomInt(c.low, c.high)];
        }
        EXPECT_EQ(counts.begin()->first, c.min);
        EXPECT_EQ(counts.rbegin()->first, c.max);
        EXPECT_EQ(static_cast<int32_t>(counts.size()), c.max - c.min + 1);
        // Uniform enough: every value within 20 % of its share.
        const double share = 6000.0 / static_cast<double>(counts.size());
        for (const auto& [v, n] : counts) EXPECT_NEAR(n, share, share * 0.2) << v;
    }
}

TEST(Random, ExtremeBoundsSpanTheWholeRange)
{
    for (int32_t seed : {5, 6, 7}) {
        SeedRandom(seed);
        const double u = RandomUnit();
        const auto expected = static_cast<int32_t>(int64_t{INT32_MIN} + static_cast<int64_t>(u * 4294967296.0));
        SeedRandom(seed);
        EXPECT_EQ(RandomInt(INT32_MIN, INT32_MAX), expected);
        SeedRandom(seed);
        EXPECT_EQ(RandomInt(INT32_MAX, INT32_MIN), expected);
    }
    EXPECT_EQ(RandomInt(INT32_MAX, INT32_MAX), INT32_MAX);
}

}  // namespace
