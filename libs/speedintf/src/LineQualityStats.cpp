#include "LineQualityStats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace zeva::speed {

namespace {

void DropInvalid(std::vector<double>& v) {
    std::erase_if(v, [](double x) { return !std::isfinite(x) || x < 0; });
}

}  // namespace

std::optional<double> Percentile(std::vector<double> values, double p) {
    DropInvalid(values);
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    const double rank = std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(values.size() - 1);
    const auto lower = static_cast<std::size_t>(std::floor(rank));
    const std::size_t upper = std::min(lower + 1, values.size() - 1);
    const double frac = rank - static_cast<double>(lower);
    return values[lower] + (values[upper] - values[lower]) * frac;
}

std::optional<double> Median(std::vector<double> values) {
    return Percentile(std::move(values), 50.0);
}

std::optional<double> Jitter(const std::vector<double>& series) {
    std::vector<double> v = series;
    DropInvalid(v);
    if (v.size() < 2) return std::nullopt;
    double sum = 0;
    for (std::size_t i = 1; i < v.size(); ++i) sum += std::fabs(v[i] - v[i - 1]);
    return sum / static_cast<double>(v.size() - 1);
}

std::optional<double> TrimmedMean(std::vector<double> values, double keepPercent) {
    DropInvalid(values);
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    const double keep = std::clamp(keepPercent, 0.0, 100.0) / 100.0;
    const std::size_t n = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::floor(static_cast<double>(values.size()) * keep)));
    const double sum = std::accumulate(values.begin(), values.begin() + static_cast<long>(n), 0.0);
    return sum / static_cast<double>(n);
}

std::optional<double> Responsiveness(const std::vector<double>& foreignConnectMs,
                                     const std::vector<double>& foreignRequestMs,
                                     const std::vector<double>& loadedMs) {
    // Each foreign kind weighs the same; then foreign and loaded weigh the same.
    std::vector<double> foreignParts;
    for (const auto* kind : {&foreignConnectMs, &foreignRequestMs})
        if (const auto tm = TrimmedMean(*kind)) foreignParts.push_back(*tm);
    std::vector<double> rpms;
    auto rpmOf = [](double ms) { return 60000.0 / std::max(ms, 0.001); };
    if (!foreignParts.empty())
        rpms.push_back(rpmOf(std::accumulate(foreignParts.begin(), foreignParts.end(), 0.0) /
                             static_cast<double>(foreignParts.size())));
    if (const auto tm = TrimmedMean(loadedMs)) rpms.push_back(rpmOf(*tm));
    if (rpms.empty()) return std::nullopt;
    return std::accumulate(rpms.begin(), rpms.end(), 0.0) / static_cast<double>(rpms.size());
}

LatencyGrade GradeAddedLatency(double addedMs) {
    if (addedMs < kFairAddedMs) return LatencyGrade::Good;
    if (addedMs < kPoorAddedMs) return LatencyGrade::Fair;
    return LatencyGrade::Poor;
}

const char* GradeName(LatencyGrade grade) {
    switch (grade) {
        case LatencyGrade::Good:
            return "good";
        case LatencyGrade::Fair:
            return "fair";
        case LatencyGrade::Poor:
            return "poor";
    }
    return "poor";
}

}  // namespace zeva::speed
