#pragma once
// Base of the worker threads. A derived class overrides the body, Run().
//
// Stopping is cooperative: Terminate() asks the body to stop (IsStopRequested
// turns true, a suspended body wakes) and then waits until it has returned;
// no thread is ever killed from outside, so no lock or allocation is left
// abandoned. Suspend() likewise takes effect at the body's next CheckPoint().
//
// With SetAutoFree(true) the object owns itself: it is deleted on the worker
// thread right after the body returns, and nobody else may delete it. The
// thread itself stays known to the module that started it: unloading that
// module (or StopAutoFreeThreads) asks it to stop and waits until it has
// ended, so no thread runs code of an unloaded library.
// Otherwise the owner deletes it; a derived class whose body uses its own
// members should call Terminate() in its destructor.

#include <memory>

#include "platform/WinTypes.h"

// Windows' own (winbase.h), where a file includes windows.h first.
#ifndef STILL_ACTIVE
inline constexpr DWORD STILL_ACTIVE = 259;
#endif

class CThreadBase {
public:
    CThreadBase();
    CThreadBase(const CThreadBase&) = delete;
    CThreadBase& operator=(const CThreadBase&) = delete;
    virtual ~CThreadBase();

    // Starts the body on a new thread; false when it is running already.
    virtual BOOL Start();
    virtual BOOL Resume();
    virtual BOOL Suspend();
    // Asks the body to stop and waits until it has (at once when called from the body itself).
    virtual BOOL Terminate();

    void SetAutoFree(bool autoFree);
    // Asks every running auto-free thread of this module to stop and waits
    // until each has ended (a thread calling it does not wait for itself).
    static void StopAutoFreeThreads();
    bool IsAutoFree() const;
    bool IsRunning() const;
    // STILL_ACTIVE while the body runs, then the value it returned.
    DWORD GetExitCode() const;

protected:
    virtual DWORD Run() = 0;

    bool IsStopRequested() const;
    // Waits while suspended; returns false when the body should stop.
    bool CheckPoint();

private:
    struct State;
    std::shared_ptr<State> state_;
};
