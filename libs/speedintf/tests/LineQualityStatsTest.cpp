#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "LineQualityStats.h"

using namespace zeva::speed;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(LineQualityStats, PercentilesInterpolateBetweenRanks) {
    struct Case {
        std::vector<double> values;
        double p;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {{}, 50, std::nullopt},
        {{7}, 50, 7},
        {{7}, 90, 7},
        {{3, 1, 2}, 50, 2},       // odd count, unsorted
        {{4, 1, 3, 2}, 50, 2.5},  // even count: between the middle two
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 90, 9.1},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0, 1},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 100, 10},
        {{5, kNaN, -1, 1}, 50, 3},  // not-a-number and negative times are no samples
        {{kNaN}, 50, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = Percentile(c.values, c.p);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << "p" << c.p;
        if (got) {
            EXPECT_NEAR(*got, *c.expected, 1e-9) << "p" << c.p;
        }
    }
    EXPECT_EQ(Median({10, 200, 30}), 30);
}

TEST(LineQualityStats, JitterIsTheMeanChangeBetweenSuccessiveRoundTrips) {
    EXPECT_FALSE(Jitter({}).has_value());
    EXPECT_FALSE(Jitter({12}).has_value());
    EXPECT_DOUBLE_EQ(*Jitter({10, 10, 10}), 0);
    // |12-10| + |9-12| + |13-9| = 9 over three changes; the order matters.
    EXPECT_DOUBLE_EQ(*Jitter({10, 12, 9, 13}), 3);
    EXPECT_DOUBLE_EQ(*Jitter({9, 10, 12, 13}), 4.0 / 3.0);
}

TEST(LineQualityStats, TrimmedMeanDropsTheSlowestFivePercent) {
    std::vector<double> twenty(19, 10.0);
    twenty.push_back(1000);  // one outlier in twenty: trimmed
    EXPECT_DOUBLE_EQ(*TrimmedMean(twenty), 10);
    std::vector<double> ten{1, 2, 3, 4, 5, 6, 7, 8, 9, 100};  // 95 % of ten keeps nine
    EXPECT_DOUBLE_EQ(*TrimmedMean(ten), 5);
    EXPECT_DOUBLE_EQ(*TrimmedMean({42}), 42);  // at least one value stays
    EXPECT_DOUBLE_EQ(*TrimmedMean({3, 1, 2}, 100), 2);
    EXPECT_FALSE(TrimmedMean({}).has_value());
}

TEST(LineQualityStats, ResponsivenessWeighsForeignKindsAndLoadedRoundTripsEqually) {
    // Foreign: (100 + 300) / 2 = 200 ms, 300 RPM; loaded 100 ms, 600 RPM; mean 450.
    EXPECT_DOUBLE_EQ(*Responsiveness({100, 100}, {300}, {100, 100, 100}), 450);
    // A kind without samples is left out rather than counted as zero.
    EXPECT_DOUBLE_EQ(*Responsiveness({}, {200}, {}), 300);
    EXPECT_DOUBLE_EQ(*Responsiveness({}, {}, {60}), 1000);
    EXPECT_FALSE(Responsiveness({}, {}, {}).has_value());
    // Trimmed means: one late probe in twenty changes nothing.
    std::vector<double> probes(19, 20.0);
    probes.push_back(5000);
    EXPECT_DOUBLE_EQ(*Responsiveness(probes, probes, probes), 3000);
    // A round trip of 0 ms (finer than the timer) gives a large figure, not a division by zero.
    EXPECT_TRUE(std::isfinite(*Responsiveness({0}, {0}, {0})));
}

TEST(LineQualityStats, VerdictThresholds) {
    struct Case {
        double added;
        LatencyGrade grade;
    };
    const Case cases[] = {{0, LatencyGrade::Good},   {29.9, LatencyGrade::Good},
                          {30, LatencyGrade::Fair},  {99.9, LatencyGrade::Fair},
                          {100, LatencyGrade::Poor}, {380, LatencyGrade::Poor}};
    for (const auto& c : cases) EXPECT_EQ(GradeAddedLatency(c.added), c.grade) << c.added;
    EXPECT_STREQ(GradeName(LatencyGrade::Good), "good");
    EXPECT_STREQ(GradeName(LatencyGrade::Fair), "fair");
    EXPECT_STREQ(GradeName(LatencyGrade::Poor), "poor");
}
