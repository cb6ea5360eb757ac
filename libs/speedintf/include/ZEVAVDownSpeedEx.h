#pragma once
// The download-rate engine: downloads test files over several parallel
// streams for a given time and reports the rate to a window.

#include <memory>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CZEVAVDownSpeedEx {
public:
    // `parallel`: several streams spread over the addresses (false: one stream).
    explicit CZEVAVDownSpeedEx(bool parallel = true);
    CZEVAVDownSpeedEx(const CZEVAVDownSpeedEx&) = delete;
    CZEVAVDownSpeedEx& operator=(const CZEVAVDownSpeedEx&) = delete;
    ~CZEVAVDownSpeedEx();

    // true: through the user's proxy (Internet Settings); false: direct.
    // Takes effect at the next start.
    void EnableProxy(bool useUserProxy);

    // Starts downloading `urls` for `durationMs` (program clock). While it
    // runs, `message` is posted to `window` about every 500 ms with WPARAM =
    // the current rate in KB/s and LPARAM = the percent of the time elapsed
    // (0-99); at the end once more with the average rate (the first part of
    // the test, while TCP ramps up, left out) and 100; or with -1 when no
    // address can be reached. A null window gets no messages.
    // Returns 0 when started; 1 when a test is already running; 2 for an
    // empty list or a zero duration; 3 when the transfer library fails.
    int StartTest(const std::vector<std::string>& urls, unsigned long durationMs, HWND window,
                  UINT message);

    // Ends a running test; no message is posted after it returns.
    void StopTest();

    bool IsRunning() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
