#pragma once
// The machine-load sampler of a running test: every few seconds, until the
// plug-in's stop event is set, it adds the processor and memory load to its
// sums. The page reads the averages at the end of the test.

#include <atomic>
#include <memory>
#include <thread>

namespace zeva::plug {
class ISystemProbes;
}

class CLoadSampler {
public:
    static constexpr unsigned kSampleMs = 4000;

    CLoadSampler() = default;
    CLoadSampler(const CLoadSampler&) = delete;
    CLoadSampler& operator=(const CLoadSampler&) = delete;
    ~CLoadSampler() { Stop(); }

    // Starts a new run; without a sample the averages read 1 (a test shorter
    // than one sample has no load to report).
    void Start(std::shared_ptr<zeva::plug::ISystemProbes> probes);
    // Sets the stop event and joins the sampler (it wakes at once).
    void Stop();
    bool Running() const { return thread_.joinable(); }
    unsigned Samples() const { return samples_.load(); }
    unsigned CpuAverage() const;
    unsigned MemAverage() const;

private:
    std::atomic<unsigned> cpuSum_{1}, memSum_{1}, samples_{0};
    std::thread thread_;
};
