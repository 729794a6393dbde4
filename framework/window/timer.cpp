#include "framework/window/timer.h"

#include <QTimer>

#include "qt/control_widget.h"

struct TTimer::Impl {
    QTimer timer;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] { RunGuarded([this] { Timer(); }); });
    UpdateTimer();
}

TTimer::~TTimer() {
    MarkDestroying();
    impl_->timer.stop();
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int msec) {
    interval_ = msec;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    impl_->timer.stop();
    if (enabled_ && interval_ > 0 && !Loading() && !Destroying()) impl_->timer.start(interval_);
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(*this);
}
