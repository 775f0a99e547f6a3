#pragma once
// A timer component over SetTimer on its own hidden window. Despite the name no thread is
// involved: it ticks only while the creating thread processes messages.
#include <winsock2.h>
#include <windows.h>

#include "net/socket/SocketEvents.h"

namespace net {

class TThreadTimer {
public:
    TThreadTimer();
    virtual ~TThreadTimer();
    TThreadTimer(const TThreadTimer&) = delete;
    TThreadTimer& operator=(const TThreadTimer&) = delete;

    bool Enabled() const { return enabled_; }
    DWORD Interval() const { return interval_; }
    const TNotifyEvent& OnTimer() const { return onTimer_; }

    // Setting Enabled or Interval to the value it already has does nothing: a running timer
    // keeps its period. Assigning OnTimer always re-arms. Each throws "No Timer" when
    // SetTimer refuses.
    void SetEnabled(bool value);
    void SetInterval(DWORD value);
    void SetOnTimer(TNotifyEvent handler);

    HWND Window() const { return window_; }
    // True while a system timer is set on the window.
    bool Running() const { return running_; }

    // Run by the window on each WM_TIMER; fires OnTimer.
    virtual void Tick();

private:
    void UpdateTimer();

    bool enabled_ = true;
    DWORD interval_ = 1000;
    TNotifyEvent onTimer_;
    HWND window_ = nullptr;
    bool running_ = false;
};

}  // namespace net
