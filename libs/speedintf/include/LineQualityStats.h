#pragma once
// The arithmetic of the line-quality figures: medians, percentiles, jitter,
// trimmed means, responsiveness in round trips per minute and the verdict on
// the latency a load adds. All times are in milliseconds.

#include <optional>
#include <vector>

namespace zeva::speed {

// The p-th percentile (0-100), linear between the two nearest ranks; none
// for an empty list.
std::optional<double> Percentile(std::vector<double> values, double p);
std::optional<double> Median(std::vector<double> values);

// Jitter of a series of round trips in the order they were taken: the mean
// difference between each round trip and the one before it.
std::optional<double> Jitter(const std::vector<double>& series);

// Single-sided trimmed mean: the mean of the values at or below the
// `keepPercent`-th percentile (the slowest outliers dropped; at least one
// value kept).
std::optional<double> TrimmedMean(std::vector<double> values, double keepPercent = 95.0);

// Responsiveness of a line under load, in round trips per minute, from the
// probes on separate connections (connection set-up times and request round
// trips) and the round trips seen on the loaded connections: the mean of the
// foreign and the loaded responsiveness, each from 95 % trimmed means. A kind
// without samples is left out; none without any sample at all.
std::optional<double> Responsiveness(const std::vector<double>& foreignConnectMs,
                                     const std::vector<double>& foreignRequestMs,
                                     const std::vector<double>& loadedMs);

// How much the load hurts, by the milliseconds it adds to the idle latency.
enum class LatencyGrade { Good, Fair, Poor };

// Below 30 ms good, below 100 ms fair, from 100 ms poor (thresholds the guide
// explains).
constexpr double kFairAddedMs = 30.0;
constexpr double kPoorAddedMs = 100.0;
LatencyGrade GradeAddedLatency(double addedMs);
const char* GradeName(LatencyGrade grade);

}  // namespace zeva::speed
