// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace quillo {

class SettingsStore;

// Answers one question for the user interface: are the hook entries in the
// Claude Code settings file complete and pointing at this copy of the recorder?
// Checks at start, every ten minutes and on demand, and publishes `hasError`
// only when the answer changes. It never repairs anything itself.
//
// A check reads and parses the whole settings file, which can take a good
// part of a second for a file of many megabytes: it runs off the main thread,
// whose event loop keeps the tray and the phone link going, and its answer
// comes back whole to the main thread. The validator and the diagnosis are
// therefore called on another thread.
class HookHealthMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasError READ hasError NOTIFY hasErrorChanged)

public:
    static constexpr std::chrono::seconds checkInterval{600};
    static constexpr const char* onboardingCompletedKey = "quillo.onboardingCompleted";

    // `validator` answers whether the configuration is valid; by default the
    // installer's check of the user's real settings file.
    using Validator = std::function<bool()>;
    // Why the configuration needs the user's attention rather than a repair
    // (the settings file cannot be read as JSON, so nothing may be written to
    // it); absent otherwise. By default the installer's reading of the user's
    // real settings file; none with a given validator.
    using Diagnosis = std::function<std::optional<std::string>()>;

    explicit HookHealthMonitor(const SettingsStore& settings, Validator validator = {},
                               QObject* parent = nullptr, Diagnosis diagnosis = {});
    // Waits for a check still running: it may use what the validator refers to.
    ~HookHealthMonitor() override;

    // True when the configuration is not valid and onboarding has been
    // completed; before that, no hook error is ever shown.
    bool hasError() const { return hasError_; }
    // Set together with hasError when the settings file itself must be fixed
    // by the user first: the reason, naming the file and where it is broken.
    // Empty otherwise.
    QString attention() const { return attention_; }

    // Checks now, then every checkInterval (replacing an earlier timer); also
    // looks for events to add.
    void start();

    // One immediate check, for instance right after the user repaired the
    // hooks; the state changes when its answer arrives. Asked while a check
    // runs, it runs once more after that one (however often it was asked), and
    // only that newer answer is published: checks never pile up, and the last
    // word is about the file as it was last asked about.
    void checkNow();
    // Whether a check is running or due (tests and pictures wait for this).
    bool isChecking() const { return checking_; }

    // Which hook events the installed Claude Code supports that Quillo has not
    // registered: found off the main thread (finding Claude Code may take
    // seconds), at start and whenever asked (the hook pane asks when it is
    // shown). Not an error: the states are only less exact without them.
    using EventsCheck = std::function<std::vector<std::string>()>;
    void setEventsCheck(EventsCheck check) { eventsCheck_ = std::move(check); }
    void checkClaudeCodeEvents();
    QStringList missingEvents() const { return missingEvents_; }

signals:
    void hasErrorChanged(bool hasError);
    void attentionChanged(const QString& attention);
    void missingEventsChanged(const QStringList& events);

private:
    // What one check found, carried whole from the thread that read the file.
    struct Health {
        bool valid = true;
        std::optional<std::string> attention;
    };
    void startCheck();
    void checkFinished();
    void setHasError(bool value);
    void setAttention(const QString& value);

    const SettingsStore& settings_;
    Validator validator_;
    Diagnosis diagnosis_;
    QTimer* timer_ = nullptr;
    QFutureWatcher<Health> check_;
    bool checking_ = false;
    bool checkAgain_ = false;
    bool hasError_ = false;
    QString attention_;
    EventsCheck eventsCheck_;
    bool checkingEvents_ = false;
    QStringList missingEvents_;
};

} // namespace quillo
