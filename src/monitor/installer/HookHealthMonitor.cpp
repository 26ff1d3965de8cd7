// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookHealthMonitor.h"

#include "installer/HookInstaller.h"
#include "platform/SettingsStore.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace quillo {

HookHealthMonitor::HookHealthMonitor(const SettingsStore& settings, Validator validator,
                                     QObject* parent, Diagnosis diagnosis)
    : QObject(parent), settings_(settings), validator_(std::move(validator)),
      diagnosis_(std::move(diagnosis)) {
    if (!validator_) {
        validator_ = [] { return HookInstaller::validate(); };
        if (!diagnosis_) {
            diagnosis_ = [] {
                return HookInstaller::unreadableSettings(HookInstaller::settingsPath());
            };
        }
    }
}

void HookHealthMonitor::start() {
    checkNow();
    checkClaudeCodeEvents();
    delete timer_;
    timer_ = new QTimer(this); // owned by the monitor: it cannot fire after it is gone
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(checkInterval);
    connect(timer_, &QTimer::timeout, this, &HookHealthMonitor::checkNow);
    timer_->start();
}

void HookHealthMonitor::checkNow() {
    if (!settings_.boolean(onboardingCompletedKey)) {
        setAttention(QString());
        setHasError(false);
        return;
    }
    const bool valid = validator_();
    std::optional<std::string> reason;
    if (!valid && diagnosis_) {
        reason = diagnosis_();
    }
    setAttention(reason ? QString::fromStdString(*reason) : QString());
    setHasError(!valid);
}

void HookHealthMonitor::checkClaudeCodeEvents() {
    if (!eventsCheck_ || checkingEvents_) {
        return;
    }
    checkingEvents_ = true;
    // The watcher belongs to the monitor: gone with it, its result unheard.
    auto* watcher = new QFutureWatcher<std::vector<std::string>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        checkingEvents_ = false;
        QStringList events;
        for (const std::string& event : watcher->result()) {
            events << QString::fromStdString(event);
        }
        watcher->deleteLater();
        if (events != missingEvents_) {
            missingEvents_ = events;
            emit missingEventsChanged(events);
        }
    });
    // A pool of its own: finding Claude Code may take seconds, and Qt's global
    // pool helps paint the windows.
    static QThreadPool pool;
    watcher->setFuture(QtConcurrent::run(&pool, eventsCheck_));
}

void HookHealthMonitor::setAttention(const QString& value) {
    if (value == attention_) {
        return;
    }
    attention_ = value;
    emit attentionChanged(value);
}

void HookHealthMonitor::setHasError(bool value) {
    if (value == hasError_) {
        return; // observers hear only of real changes
    }
    hasError_ = value;
    emit hasErrorChanged(value);
}

} // namespace quillo
