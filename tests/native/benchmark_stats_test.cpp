// The benchmark's arithmetic: a wrong percentile or a floor of zero would
// make every number in the performance table meaningless.
#include <gtest/gtest.h>
#include "host/benchmark_stats.h"

TEST(BenchmarkStats, PercentilesFollowTheNearestRankRule)
{
    std::vector<double> samples;
    for (int i = 100; i >= 1; --i)  // unsorted on purpose
        samples.push_back(i);
    EXPECT_EQ(95, Percentile(samples, 95));
    EXPECT_EQ(100, Percentile(samples, 100));
    EXPECT_EQ(1, Percentile(samples, 0));
    EXPECT_EQ(1, Percentile(samples, 0.5)) << "the smallest rank is 1, never 0";
    EXPECT_EQ(7, Percentile({7}, 95));
    EXPECT_EQ(0, Percentile({}, 95));
    // 21 samples: the 95th percentile is the 20th (ceil 19.95), not the maximum.
    std::vector<double> twenty_one;
    for (int i = 1; i <= 21; ++i)
        twenty_one.push_back(i);
    EXPECT_EQ(20, Percentile(twenty_one, 95));
}

TEST(BenchmarkStats, MedianOfOddAndEvenCounts)
{
    EXPECT_EQ(3, Median({5, 1, 3}));
    EXPECT_EQ(2.5, Median({4, 1, 3, 2}));
    EXPECT_EQ(0, Median({}));
}

TEST(BenchmarkStats, PerCallCostTakesTheTimerOffAndNeverGoesNegative)
{
    // 10 MHz timer: one count is 100 ns.
    EXPECT_DOUBLE_EQ(100.0, NsPerCall(1000, 0, 1000, 10000000));
    EXPECT_DOUBLE_EQ(90.0, NsPerCall(1000, 100, 1000, 10000000));
    EXPECT_EQ(0.0, NsPerCall(10, 20, 5, 10000000)) << "noise below the timer's own cost";
    EXPECT_EQ(0.0, NsPerCall(10, 0, 0, 10000000));
    EXPECT_EQ(0.0, NsPerCall(10, 0, 1, 0));
    // Large counts do not overflow on the way to nanoseconds.
    EXPECT_DOUBLE_EQ(1e9, NsPerCall(INT64_C(10000000) * 1000, 0, 1000, 10000000));
}

TEST(BenchmarkStats, RatioAgainstAFloorBelowResolutionUsesTheResolution)
{
    EXPECT_DOUBLE_EQ(1.5, CostRatio(150, 100, 0.1));
    EXPECT_DOUBLE_EQ(20.0, CostRatio(2, 0, 0.1)) << "a zero floor does not divide by zero";
    EXPECT_DOUBLE_EQ(0.0, CostRatio(2, 0, 0));
}

TEST(BenchmarkStats, CallsPerSampleFillTheSampleWithinBounds)
{
    EXPECT_EQ(2000, CallsPerSample(100, 200000, 1 << 20));
    EXPECT_EQ(1, CallsPerSample(5e6, 200000, 1 << 20)) << "an operation longer than a sample runs once";
    EXPECT_EQ(1 << 20, CallsPerSample(0.001, 200000, 1 << 20));
    EXPECT_EQ(64, CallsPerSample(0, 200000, 64)) << "an unmeasurably cheap estimate takes the most";
    EXPECT_EQ(64, CallsPerSample(-1, 200000, 64));
}
