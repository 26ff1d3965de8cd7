// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QTimer;

namespace quillo {

class SettingsStore;

// Answers one question for the user interface: are the hook entries in the
// Claude Code settings file complete and pointing at this copy of the recorder?
// Checks at start, every ten minutes and on demand, and publishes `hasError`
// only when the answer changes. It never repairs anything itself.
class HookHealthMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasError READ hasError NOTIFY hasErrorChanged)

public:
    static constexpr std::chrono::seconds checkInterval{600};
    static constexpr const char* onboardingCompletedKey = "quillo.onboardingCompleted";

    // `validator` answers whether the configuration is valid; by default the
    // installer's check of the user's real settings file.
    using Validator = std::function<bool()>;

    explicit HookHealthMonitor(const SettingsStore& settings, Validator validator = {},
                               QObject* parent = nullptr);

    // True when the configuration is not valid and onboarding has been
    // completed; before that, no hook error is ever shown.
    bool hasError() const { return hasError_; }

    // Checks now, then every checkInterval (replacing an earlier timer).
    void start();

    // One immediate check, for instance right after the user repaired the hooks.
    void checkNow();

signals:
    void hasErrorChanged(bool hasError);

private:
    void setHasError(bool value);

    const SettingsStore& settings_;
    Validator validator_;
    QTimer* timer_ = nullptr;
    bool hasError_ = false;
};

} // namespace quillo
