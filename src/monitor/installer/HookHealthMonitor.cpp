// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookHealthMonitor.h"

#include "installer/HookInstaller.h"
#include "platform/SettingsStore.h"

#include <QFutureWatcher>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace quillo {

namespace {

// A pool of the monitor's own: finding Claude Code may take seconds, and Qt's
// global pool helps paint the windows. Two threads at least, so that a health
// check never waits behind the search for Claude Code.
QThreadPool& checkPool() {
    static QThreadPool* pool = [] {
        static QThreadPool threads;
        threads.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
        return &threads;
    }();
    return *pool;
}

} // namespace

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
    connect(&check_, &QFutureWatcherBase::finished, this, &HookHealthMonitor::checkFinished);
}

HookHealthMonitor::~HookHealthMonitor() {
    // At most one check's wait, at exit: better than a thread still reading
    // through a validator whose objects are gone.
    check_.waitForFinished();
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
        // Before onboarding no error is shown, whatever a check still running
        // finds (its answer is dropped when it arrives).
        checkAgain_ = false;
        setAttention(QString());
        setHasError(false);
        return;
    }
    if (checking_) {
        checkAgain_ = true;
        return;
    }
    startCheck();
}

void HookHealthMonitor::startCheck() {
    checking_ = true;
    // Copies: the check reads nothing of the monitor's while it runs.
    check_.setFuture(
        QtConcurrent::run(&checkPool(), [validator = validator_, diagnosis = diagnosis_] {
            Health health;
            health.valid = validator();
            if (!health.valid && diagnosis) {
                health.attention = diagnosis();
            }
            return health;
        }));
}

void HookHealthMonitor::checkFinished() {
    if (checkAgain_) {
        // Asked again meanwhile: this answer may be about an older file.
        checkAgain_ = false;
        startCheck();
        return;
    }
    checking_ = false;
    const Health health = check_.result();
    if (!settings_.boolean(onboardingCompletedKey)) {
        return; // reset to first run while the check ran
    }
    setAttention(health.attention ? QString::fromStdString(*health.attention) : QString());
    setHasError(!health.valid);
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
    watcher->setFuture(QtConcurrent::run(&checkPool(), eventsCheck_));
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
