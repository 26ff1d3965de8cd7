// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookHealthMonitor.h"

#include "installer/HookInstaller.h"
#include "platform/SettingsStore.h"

#include <QTimer>

namespace quillo {

HookHealthMonitor::HookHealthMonitor(const SettingsStore& settings, Validator validator,
                                     QObject* parent)
    : QObject(parent), settings_(settings), validator_(std::move(validator)) {
    if (!validator_) {
        validator_ = [] { return HookInstaller::validate(); };
    }
}

void HookHealthMonitor::start() {
    checkNow();
    delete timer_;
    timer_ = new QTimer(this); // owned by the monitor: it cannot fire after it is gone
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(checkInterval);
    connect(timer_, &QTimer::timeout, this, &HookHealthMonitor::checkNow);
    timer_->start();
}

void HookHealthMonitor::checkNow() {
    if (!settings_.boolean(onboardingCompletedKey)) {
        setHasError(false);
        return;
    }
    setHasError(!validator_());
}

void HookHealthMonitor::setHasError(bool value) {
    if (value == hasError_) {
        return; // observers hear only of real changes
    }
    hasError_ = value;
    emit hasErrorChanged(value);
}

} // namespace quillo
