// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "Notifier.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

class SettingsStore;

// What the notice policy asks of the desktop and of time.
struct SessionNoticeServices {
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
    // Calls `call` on the main thread after `delay`, unless `context` is gone.
    using Later = std::function<void(std::chrono::milliseconds delay, QObject* context,
                                     std::function<void()> call)>;

    std::function<bool()> isDashboardOpen;                        // empty: never open
    std::function<std::optional<std::int32_t>()> activeWindowPid; // empty: unknown
    std::function<void(const ClaudeProcess&)> switchTo;           // empty: clicks do nothing
    // Whether a session has a permission question open that Quillo can
    // answer, and the answer to its oldest one (true: allow). Empty: none.
    std::function<bool(const std::string& sessionId)> hasQuestion;
    std::function<void(const std::string& sessionId, bool allow)> answerQuestion;
    SteadyClock clock = &std::chrono::steady_clock::now;
    Later later = defaultLater;

    static void defaultLater(std::chrono::milliseconds delay, QObject* context,
                             std::function<void()> call);
};

// Decides when a session's wait becomes a desktop notice, and keeps that notice
// true: one notice per session, replaced when the session waits anew and taken
// back when it stops waiting or ends. A session notifies when it starts
// waiting for a permission decision, and when it starts waiting for input
// after working for at least `workedBeforeInput`; each as its setting allows
// (both on unless switched off). Nothing is shown while the dashboard is open
// or while the session's terminal has the focus, and a session posts at most
// one notice per `minimumInterval`: a wait that comes sooner is shown when the
// interval is over, if it still holds then. Clicking a notice (or its switch
// action) brings the session's terminal forward. Main thread only.
class SessionNotices : public QObject {
    Q_OBJECT

public:
    static constexpr const char* permissionKey = "quillo.notifyPermission";
    static constexpr const char* inputKey = "quillo.notifyInput";
    static constexpr std::chrono::seconds minimumInterval{5};
    static constexpr std::chrono::seconds workedBeforeInput{10};

    enum class Kind { permission, input };

    using Services = SessionNoticeServices;

    SessionNotices(Notifier& notifier, SettingsStore& settings, Services services = {},
                   QObject* parent = nullptr);

    // The store's complete list of sessions, after every publication.
    void update(const std::vector<ClaudeProcess>& processes);

    // Whether the setting `key` lets notices through (absent reads as on).
    static bool enabled(const SettingsStore& settings, const char* key);
    static void setEnabled(SettingsStore& settings, const char* key, bool on);

    // The notice for `process` waiting as `kind`: its name over what it waits
    // for and its terminal; with the answers when a question is open.
    static Notice noticeFor(const ClaudeProcess& process, Kind kind, bool answers = false);

    // A session's question opened or closed: a permission notice on screen
    // gains or loses its answers.
    void questionsChanged(const std::string& sessionId);

    // The id of the notice a session shows, if any.
    std::optional<quint32> noticeOf(const std::string& sessionId) const;

private:
    struct Slot {
        ClaudeProcess process;
        std::optional<quint32> id;     // the notice on screen
        std::optional<Notice> shown;   // what it says (or the last one asked for)
        quint64 request = 0;           // the post whose answer is awaited; 0: none
        std::optional<Notice> queued;  // posted once that answer is in
        bool withdrawOnAnswer = false; // taken back once that answer is in
        std::optional<std::chrono::steady_clock::time_point> lastPosted;
        quint64 deferral = 0; // the deferred post that is still wanted; 0: none
    };

    std::optional<Kind> wanted(const std::optional<ClaudeProcess>& before,
                               const ClaudeProcess& now) const;
    bool suppressed(const ClaudeProcess& process) const;
    void offer(const std::string& sessionId, Kind kind);
    void post(const std::string& sessionId, Slot& slot, const Notice& notice);
    void answered(const std::string& sessionId, quint64 request, std::optional<quint32> id);
    void withdraw(Slot& slot);
    void actionInvoked(quint32 id, const QString& action);
    void closed(quint32 id);

    Notifier& notifier_;
    SettingsStore& settings_;
    Services services_;
    std::map<std::string, Slot> slots_;
    quint64 counter_ = 0;
};

} // namespace quillo
