#pragma once
// The line-quality engine: beside the download rate, what a line is like to
// use. It measures the idle latency and jitter, then loads the line with a
// download (and, when asked, an upload) while probing the latency on
// separate connections, and works out the responsiveness in round trips per
// minute from the probes under load.

#include <memory>
#include <optional>
#include <string>

#include "LineQualityStats.h"
#include "platform/WinTypes.h"

struct LineQualityOptions {
    // A large file on the test server: downloaded for the load, fetched one
    // byte at a time (a range request) for the latency probes.
    std::string url;
    // Where generated data is posted for the upload load (the server reads
    // and discards it); empty: no upload test.
    std::string uploadUrl;
    // The whole measurement, program clock: the idle part takes a sixth of
    // it, the loaded parts share the rest.
    unsigned seconds = 20;
};

struct LatencyFigures {
    std::optional<double> median, p90, jitter;  // milliseconds
    unsigned samples = 0;
    unsigned lost = 0;  // probes that failed or did not finish in time
};

struct LoadFigures {
    double mbps = 0;                    // goodput after the ramp-up, Mbit/s (10^6)
    LatencyFigures latency;             // on separate connections while the load runs
    std::optional<double> loadedRttMs;  // the TCP round trip of the loaded connections
    std::optional<double> rpm;          // responsiveness under this load
    unsigned streams = 0;
};

struct LineQualityResult {
    LatencyFigures idle;                  // requests on an open connection and connection set-ups
    std::optional<double> idleConnectMs;  // median connection set-up time
    LoadFigures download;
    std::optional<LoadFigures> upload;
    std::optional<double> rpm;  // responsiveness over all the loaded probes
    // What the load adds: the larger loaded median less the idle median.
    std::optional<double> addedMs;
    zeva::speed::LatencyGrade grade = zeva::speed::LatencyGrade::Good;
};

enum class LineQualityPhase { Idle = 1, Download = 2, Upload = 3, Done = 4 };

struct LineQualityProgress {
    LineQualityPhase phase = LineQualityPhase::Idle;
    int percent = 0;                      // of the whole measurement
    double mbps = 0;                      // the current rate of the loaded part
    std::optional<double> lastLatencyMs;  // the last probe's round trip
};

class CLineQuality {
public:
    CLineQuality();
    CLineQuality(const CLineQuality&) = delete;
    CLineQuality& operator=(const CLineQuality&) = delete;
    ~CLineQuality();

    // Starts measuring on a thread of its own. While it runs, `message` is
    // posted to `window` about every 250 ms with WPARAM = the phase and
    // LPARAM = the percent done (0-99); at the end once with LPARAM 100 (the
    // result is ready) or -1 (failed: GetLastError says why; the server
    // cannot be reached, or the upload address refuses data).
    // Returns 0 when started; 1 when a measurement runs; 2 for an empty
    // address or fewer than 3 seconds; 3 when the transfer library fails.
    int StartTest(const LineQualityOptions& options, HWND window, UINT message);

    // Ends a running measurement and waits for its thread; no message is
    // posted after it returns.
    void StopTest();

    bool IsRunning() const;
    LineQualityProgress GetProgress() const;
    // false until a measurement ended with 100.
    bool GetResult(LineQualityResult& out) const;
    std::string GetLastError() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
