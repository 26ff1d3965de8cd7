// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionNotices.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <set>

namespace quillo {

void SessionNoticeServices::defaultLater(std::chrono::milliseconds delay, QObject* context,
                                         std::function<void()> call) {
    QTimer::singleShot(delay, context, std::move(call));
}

SessionNotices::SessionNotices(Notifier& notifier, SettingsStore& settings, Services services,
                               QObject* parent)
    : QObject(parent), notifier_(notifier), settings_(settings), services_(std::move(services)) {
    connect(&notifier_, &Notifier::actionInvoked, this, &SessionNotices::actionInvoked);
    connect(&notifier_, &Notifier::closed, this, &SessionNotices::closed);
}

bool SessionNotices::enabled(const SettingsStore& settings, const char* key) {
    return settings.string(QString::fromLatin1(key)).value_or(QStringLiteral("true")) ==
           QStringLiteral("true");
}

void SessionNotices::setEnabled(SettingsStore& settings, const char* key, bool on) {
    settings.setBoolean(QString::fromLatin1(key), on);
}

Notice SessionNotices::noticeFor(const ClaudeProcess& process, Kind kind, bool answers) {
    QString body = kind == Kind::permission
                       ? QCoreApplication::translate("SessionNotices", "需要你的权限确认")
                       : QCoreApplication::translate("SessionNotices", "正在等待你的输入");
    if (process.terminal) {
        body += QStringLiteral(" · ") +
                QString::fromUtf8(std::string(displayName(process.terminal->kind)));
    }
    return {QString::fromStdString(process.name), body, answers && kind == Kind::permission};
}

void SessionNotices::questionsChanged(const std::string& sessionId) {
    auto it = slots_.find(sessionId);
    if (it == slots_.end()) {
        return;
    }
    Slot& slot = it->second;
    const bool answers = services_.hasQuestion && services_.hasQuestion(sessionId);
    // Only a permission notice that is still on screen (or on its way) changes.
    if (!slot.shown || slot.withdrawOnAnswer || (!slot.id && slot.request == 0) ||
        slot.process.state != ProcessState::waitingPermission || slot.shown->answers == answers) {
        return;
    }
    post(sessionId, slot, noticeFor(slot.process, Kind::permission, answers));
}

std::optional<quint32> SessionNotices::noticeOf(const std::string& sessionId) const {
    auto it = slots_.find(sessionId);
    return it != slots_.end() ? it->second.id : std::nullopt;
}

void SessionNotices::update(const std::vector<ClaudeProcess>& processes) {
    std::set<std::string> present;
    std::vector<std::pair<std::string, Kind>> offers;
    for (const ClaudeProcess& process : processes) {
        present.insert(process.id);
        auto [it, created] = slots_.try_emplace(process.id);
        Slot& slot = it->second;
        std::optional<ClaudeProcess> before;
        if (!created) {
            before = slot.process;
        }
        slot.process = process;
        // Publications repeat unchanged sessions; only a state entered anew
        // (also the same state again, at a new time) can change the notice.
        if (before && before->state == process.state &&
            before->stateChangedAt == process.stateChangedAt) {
            continue;
        }
        if (auto kind = wanted(before, process)) {
            offers.emplace_back(process.id, *kind);
        } else {
            withdraw(slot);
        }
    }
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (present.count(it->first) == 0) {
            // An answer still outstanding finds no slot and takes its notice back.
            withdraw(it->second);
            it = slots_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [sessionId, kind] : offers) {
        offer(sessionId, kind);
    }
}

std::optional<SessionNotices::Kind>
SessionNotices::wanted(const std::optional<ClaudeProcess>& before, const ClaudeProcess& now) const {
    if (now.state == ProcessState::waitingPermission && enabled(settings_, permissionKey)) {
        return Kind::permission;
    }
    // A turn that took a while ends with the user away; a quick answer ends
    // while they still watch, and is not worth a notice.
    if (now.state == ProcessState::waitingInput && enabled(settings_, inputKey) && before &&
        before->state == ProcessState::active &&
        now.stateChangedAt - before->stateChangedAt >= workedBeforeInput) {
        return Kind::input;
    }
    return std::nullopt;
}

bool SessionNotices::suppressed(const ClaudeProcess& process) const {
    if (services_.isDashboardOpen && services_.isDashboardOpen()) {
        return true;
    }
    if (process.terminal && services_.activeWindowPid) {
        const auto active = services_.activeWindowPid();
        return active && *active == process.terminal->appPID;
    }
    return false;
}

void SessionNotices::offer(const std::string& sessionId, Kind kind) {
    auto it = slots_.find(sessionId);
    if (it == slots_.end()) {
        return;
    }
    Slot& slot = it->second;
    // A notice for the earlier wait is no longer true, whatever happens below.
    if (!notifier_.isAvailable() || suppressed(slot.process)) {
        withdraw(slot);
        return;
    }
    const auto now = services_.clock();
    if (slot.lastPosted && now - *slot.lastPosted < minimumInterval) {
        withdraw(slot);
        const quint64 deferral = ++counter_;
        slot.deferral = deferral;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(minimumInterval -
                                                                       (now - *slot.lastPosted));
        services_.later(wait, this, [this, sessionId, kind, deferral] {
            auto found = slots_.find(sessionId);
            // Any change of the session since then has cancelled the deferral.
            if (found != slots_.end() && found->second.deferral == deferral) {
                found->second.deferral = 0;
                offer(sessionId, kind);
            }
        });
        return;
    }
    slot.deferral = 0;
    slot.lastPosted = now;
    post(sessionId, slot,
         noticeFor(slot.process, kind, services_.hasQuestion && services_.hasQuestion(sessionId)));
}

void SessionNotices::post(const std::string& sessionId, Slot& slot, const Notice& notice) {
    slot.shown = notice;
    if (slot.request != 0) {
        // The service has not yet said which id the last notice has; this one
        // replaces it once it has.
        slot.queued = notice;
        slot.withdrawOnAnswer = false;
        return;
    }
    const quint64 request = ++counter_;
    slot.request = request;
    QPointer<SessionNotices> self(this);
    notifier_.post(notice, slot.id.value_or(0),
                   [self, sessionId, request](std::optional<quint32> id) {
                       if (self) {
                           self->answered(sessionId, request, id);
                       }
                   });
}

void SessionNotices::answered(const std::string& sessionId, quint64 request,
                              std::optional<quint32> id) {
    auto it = slots_.find(sessionId);
    if (it == slots_.end() || it->second.request != request) {
        // The session ended meanwhile.
        if (id) {
            notifier_.withdraw(*id);
        }
        return;
    }
    Slot& slot = it->second;
    slot.request = 0;
    slot.id = id;
    if (slot.withdrawOnAnswer) {
        // Only the answered notice goes: a wait deferred since then stays due.
        slot.withdrawOnAnswer = false;
        if (slot.id) {
            notifier_.withdraw(*slot.id);
            slot.id.reset();
        }
    } else if (slot.queued) {
        Notice next = std::move(*slot.queued);
        slot.queued.reset();
        post(sessionId, slot, next);
    }
}

void SessionNotices::withdraw(Slot& slot) {
    slot.deferral = 0;
    slot.queued.reset();
    if (slot.request != 0) {
        slot.withdrawOnAnswer = true;
        return;
    }
    if (slot.id) {
        notifier_.withdraw(*slot.id);
        slot.id.reset();
    }
}

void SessionNotices::actionInvoked(quint32 id, const QString& action) {
    const bool allow = action == QLatin1String(Notifier::allowAction);
    const bool answer = allow || action == QLatin1String(Notifier::denyAction);
    if (!answer && action != QLatin1String(Notifier::defaultAction) &&
        action != QLatin1String(Notifier::switchAction)) {
        return;
    }
    for (auto& [sessionId, slot] : slots_) {
        if (slot.id == id) {
            const ClaudeProcess process = slot.process;
            if (answer) {
                // The question may have closed since the notice was shown;
                // then the click only takes the notice away.
                withdraw(slot);
                if (services_.hasQuestion && services_.hasQuestion(sessionId) &&
                    services_.answerQuestion) {
                    services_.answerQuestion(sessionId, allow);
                }
                return;
            }
            // The notice has done its job; servers that keep it after a click
            // would otherwise show it until the session moves on.
            withdraw(slot);
            if (services_.switchTo) {
                services_.switchTo(process);
            }
            return;
        }
    }
}

void SessionNotices::closed(quint32 id) {
    for (auto& [sessionId, slot] : slots_) {
        if (slot.id == id) {
            slot.id.reset();
            return;
        }
    }
}

} // namespace quillo
