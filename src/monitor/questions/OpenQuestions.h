// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "ParsedHookEvent.h"
#include "PermissionQuestion.h"
#include "Timestamp.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// A permission question a recorder waits on, as the monitor shows it.
struct OpenQuestion {
    std::uint64_t id = 0; // unique in this run of the monitor
    PermissionQuestion::Question question;
    std::string summary;  // one line: the tool and its command or path, shortened
    std::string fullText; // the tool and its whole input, for a tooltip
    Timestamp askedAt{};
};

enum class QuestionOutcome { allowed, denied, answeredElsewhere, withdrawn };

// What Claude Code tells the model when the person refused in Quillo.
inline constexpr const char* deniedMessage = "Denied from Quillo";

// The answer of an Allow or a Deny button.
inline PermissionQuestion::Answer allowOrDeny(bool allow) {
    return allow ? PermissionQuestion::Answer{PermissionQuestion::Behavior::allow, {}}
                 : PermissionQuestion::Answer{PermissionQuestion::Behavior::deny, deniedMessage};
}

// The questions that recorders are waiting on, until each is answered here or
// is no longer open: the recorder withdrew it (Claude Code's own dialog was
// answered No, or it gave up), or the session moved on, which is how an
// answer in the terminal shows. Main thread only.
class OpenQuestions : public QObject {
    Q_OBJECT

public:
    // Delivers the monitor's word to the waiting recorder: an answer, or none.
    using Reply = std::function<void(const std::optional<PermissionQuestion::Answer>&)>;

    // More than this many open questions at once is no person's workload; past
    // it a question is refused (its recorder hears "no answer").
    static constexpr std::size_t maxOpen = 64;

    explicit OpenQuestions(QObject* parent = nullptr);

    // Opens `question`, asked at `askedAt`; its id, or nothing when refused.
    std::optional<std::uint64_t> open(PermissionQuestion::Question question, Reply reply,
                                      Timestamp askedAt);
    // Sends `answer` to the question's recorder and closes it, and logs who
    // answered (`who`: "dashboard", "notice", a phone's name). False when the
    // question is no longer open (answered elsewhere, or withdrawn).
    bool answer(std::uint64_t id, const PermissionQuestion::Answer& answer, const std::string& who);
    // The oldest open question of a session.
    std::optional<std::uint64_t> oldestOf(const std::string& sessionId) const;
    // The recorder is gone or said "withdrawn".
    void withdraw(std::uint64_t id);

    // A session's later events close its open questions: the terminal's answer
    // (the tool ran, failed or was refused), a new prompt, the turn's end.
    void ingest(const std::vector<ParsedHookEvent>& events);
    // Questions of sessions that are no longer in the table are closed.
    void keepSessions(const std::vector<ClaudeProcess>& processes);

    std::vector<OpenQuestion> questions() const;
    const OpenQuestion* find(std::uint64_t id) const;

    // The one line a row or a phone shows for `question`, and the whole text.
    static std::string summaryOf(const PermissionQuestion::Question& question);
    static std::string fullTextOf(const PermissionQuestion::Question& question);

signals:
    void opened(const quillo::OpenQuestion& question);
    void closed(const quillo::OpenQuestion& question, quillo::QuestionOutcome outcome);

private:
    struct Entry {
        OpenQuestion shown;
        Reply reply;
    };
    void close(std::map<std::uint64_t, Entry>::iterator at, QuestionOutcome outcome,
               const std::optional<PermissionQuestion::Answer>& answer);

    std::map<std::uint64_t, Entry> open_;
    std::uint64_t nextId_ = 1;
};

} // namespace quillo
