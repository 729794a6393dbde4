// TTimer: raises OnTimer every Interval milliseconds while Enabled, on the message loop of the one GUI thread
// (it fires only while events are handled: in the main loop, a modal box or a local loop).
#pragma once

#include <memory>

#include "framework/window/component.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    // Default true: a new timer runs as soon as it has an interval and a handler.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds between events; default 1000. Setting it restarts the count. 0 stops the timer.
    int Interval() const { return interval_; }
    void SetInterval(int msec);

    TNotifyEvent OnTimer;
    // Sets the handler and restarts the timer (assigning OnTimer directly also works once the timer restarts).
    void SetOnTimer(TNotifyEvent handler);

protected:
    void Loaded() override;
    // Runs OnTimer.
    virtual void Timer();

private:
    struct Impl;
    void UpdateTimer();

    std::unique_ptr<Impl> impl_;  // the Qt timer
    bool enabled_ = true;
    int interval_ = 1000;
};
