#include "LoadSampler.h"

#include <cstdint>

#include "PlugSettings.h"
#include "platform/Event.h"

using namespace speedtest;

void CLoadSampler::Start(std::shared_ptr<ISystemProbes> probes) {
    Stop();
    cpuSum_ = 1;
    memSum_ = 1;
    samples_ = 0;
    StopEvent().Reset();
    thread_ = std::thread([this, probes] {
        while (!StopEvent().Wait(kSampleMs)) {
            cpuSum_ += static_cast<unsigned>(probes->CpuPercent());
            std::uint64_t total = 0, available = 0;
            probes->Memory(total, available);
            if (total > 0) memSum_ += static_cast<unsigned>((total - available) * 100 / total);
            ++samples_;
        }
    });
}

void CLoadSampler::Stop() {
    if (!thread_.joinable()) return;
    StopEvent().Set();
    thread_.join();
}

unsigned CLoadSampler::CpuAverage() const {
    const unsigned samples = samples_.load();
    return samples ? cpuSum_.load() / samples : cpuSum_.load();
}

unsigned CLoadSampler::MemAverage() const {
    const unsigned samples = samples_.load();
    return samples ? memSum_.load() / samples : memSum_.load();
}
