#include "net/socket/ThreadTimer.h"

#include <stdexcept>

#include "net/socket/NotifyWindows.h"

namespace net {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TThreadTimer::TThreadTimer() { window_ = CreateTimerWindow(this); }

TThreadTimer::~TThreadTimer() {
    enabled_ = false;
    if (window_) {
        KillTimer(window_, kTimerId);
        DestroyWindow(window_);
    }
}

void TThreadTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TThreadTimer::SetInterval(DWORD value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TThreadTimer::UpdateTimer() {
    KillTimer(window_, kTimerId);
    running_ = false;
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (SetTimer(window_, kTimerId, interval_, nullptr) == 0) throw std::runtime_error("No Timer");
        running_ = true;
    }
}

void TThreadTimer::Tick() {
    // A copy, so that a handler may reassign OnTimer while it runs.
    if (TNotifyEvent handler = onTimer_) handler(this);
}

}  // namespace net
