// Statistics of the benchmark on plain values: per-call costs from timer
// counts, percentiles, and the cost-to-floor ratio. No Win32 here, so the
// arithmetic is checked natively.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// One timed sample: `counts` timer counts spent on `calls` calls, of which
// `overhead_counts` are the timer's own (reading it around the calls).
// Nanoseconds per call, never below 0; 0 for an empty sample.
inline double NsPerCall(int64_t counts, int64_t overhead_counts, int64_t calls, int64_t frequency)
{
    if (calls <= 0 || frequency <= 0)
        return 0.0;
    double net = static_cast<double>(counts - overhead_counts);
    if (net < 0)
        net = 0;
    return net * 1e9 / static_cast<double>(frequency) / static_cast<double>(calls);
}

// The p-th percentile (0..100) by the nearest-rank rule: the smallest sample
// with at least p percent of the samples at or below it. 0 for no samples.
inline double Percentile(std::vector<double> samples, double p)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    if (p <= 0)
        return samples.front();
    size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(samples.size())));
    if (rank < 1)
        rank = 1;
    if (rank > samples.size())
        rank = samples.size();
    return samples[rank - 1];
}

// The median as the middle sample, or the mean of the two middle ones.
inline double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
}

// Cost over floor. A floor too small to measure (below `resolution_ns`) is
// taken as that resolution: a ratio against almost nothing says nothing.
inline double CostRatio(double cost_ns, double floor_ns, double resolution_ns)
{
    double floor = floor_ns < resolution_ns ? resolution_ns : floor_ns;
    if (floor <= 0)
        return 0.0;
    return cost_ns / floor;
}

// How many calls one timed sample must hold for its timer counts to be at
// least `min_sample_ns` long, given a first estimate of one call's cost;
// between 1 and `max_calls`.
inline int64_t CallsPerSample(double estimate_ns, double min_sample_ns, int64_t max_calls)
{
    if (!(estimate_ns > 0))
        return max_calls;
    double calls = std::ceil(min_sample_ns / estimate_ns);
    if (calls < 1)
        return 1;
    if (calls > static_cast<double>(max_calls))
        return max_calls;
    return static_cast<int64_t>(calls);
}

// A message of exactly `length` characters in the words an ATIS broadcast
// uses, the same for every benchmark that measures capture.
inline std::string Words(size_t length)
{
    static const char words[] = "Wind 160 at 8, visibility 10, ceiling 2500 broken, altimeter 30.02. ";
    std::string text;
    while (text.size() < length)
        text += words;
    text.resize(length);
    return text;
}
