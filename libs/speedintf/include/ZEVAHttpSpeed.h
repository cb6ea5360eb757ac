#pragma once
// The web-page engine: fetches one address and reports how long the site
// took to answer.

#include <memory>
#include <string>

#include "platform/WinTypes.h"

class CZEVAHttpSpeed {
public:
    // `useUserProxy`: fetch through the user's proxy (Internet Settings).
    explicit CZEVAHttpSpeed(bool useUserProxy = true);
    CZEVAHttpSpeed(const CZEVAHttpSpeed&) = delete;
    CZEVAHttpSpeed& operator=(const CZEVAHttpSpeed&) = delete;
    ~CZEVAHttpSpeed();

    // Fetches `url` within `seconds`, posting `message` to `window` as it
    // goes: LPARAM 20 (name resolved), 40 (connected), 60 (request sent),
    // 80 (answer arriving), then 100 with WPARAM = the response time in ms.
    // On failure LPARAM is -1 and WPARAM 0 when the site gave no answer (not
    // reached, or connected and silent), or the milliseconds spent when its
    // answer began but did not finish. Any HTTP answer counts as an answer. `reuse` keeps
    // the previous test's connections and name cache.
    // Returns 0 when started; 1 when a test is running; 2 for an empty
    // address or no time; 3 when the transfer library fails.
    int StartTest(const std::string& url, int seconds, HWND window, UINT message, bool reuse);

    // Ends a running test; no message is posted after it returns.
    void StopTest();

    bool IsRunning() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
