// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpenQuestions.h"

#include "DiagnosticLogger.h"
#include "JsonWriter.h"
#include "Utf8.h"

#include <algorithm>
#include <set>

namespace quillo {

namespace {

// Events after which a session's earlier question is no longer asked.
bool endsQuestions(const std::string& eventName) {
    static const std::set<std::string, std::less<>> names = {
        "PostToolUse", "PostToolUseFailure", "PreToolUse", "Stop",
        "StopFailure", "UserPromptSubmit",   "SessionEnd"};
    return names.contains(eventName);
}

// The member of the tool's input that says what it does, for the tools whose
// input has one; else the whole input.
std::string inputText(const nlohmann::json& input) {
    if (input.is_object()) {
        for (const char* key : {"command", "file_path", "path", "url", "pattern", "query"}) {
            auto found = input.find(key);
            if (found != input.end() && found->is_string()) {
                return found->get<std::string>();
            }
        }
    }
    if (input.is_string()) {
        return input.get<std::string>();
    }
    return JsonWriter::compact(input).value_or("");
}

// At most `limit` characters of `text`, cut at a character, with "…" when cut.
std::string shortened(const std::string& text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
            continue;
        }
        if (characters++ == limit) {
            return text.substr(0, at) + "…";
        }
    }
    return text;
}

} // namespace

OpenQuestions::OpenQuestions(QObject* parent) : QObject(parent) {}

std::optional<std::uint64_t> OpenQuestions::open(PermissionQuestion::Question question, Reply reply,
                                                 Timestamp askedAt) {
    if (open_.size() >= maxOpen) {
        if (reply) {
            reply(std::nullopt);
        }
        return std::nullopt;
    }
    Entry entry;
    entry.shown.id = nextId_++;
    entry.shown.summary = summaryOf(question);
    entry.shown.fullText = fullTextOf(question);
    entry.shown.question = std::move(question);
    entry.shown.askedAt = askedAt;
    entry.reply = std::move(reply);
    const auto id = entry.shown.id;
    auto [at, inserted] = open_.emplace(id, std::move(entry));
    emit opened(at->second.shown);
    return id;
}

bool OpenQuestions::answer(std::uint64_t id, const PermissionQuestion::Answer& answer,
                           const std::string& who) {
    auto at = open_.find(id);
    if (at == open_.end()) {
        return false;
    }
    const bool allow = answer.behavior == PermissionQuestion::Behavior::allow;
    // A tool run or refused without a key pressed in the terminal: the log
    // says who decided it, and what.
    DiagnosticLogger::info("permissions", allow ? "permission allowed" : "permission denied",
                           {{"by", who},
                            {"session", at->second.shown.question.sessionId},
                            {"tool", at->second.shown.question.toolName},
                            {"summary", at->second.shown.summary}});
    close(at, allow ? QuestionOutcome::allowed : QuestionOutcome::denied, answer);
    return true;
}

void OpenQuestions::withdraw(std::uint64_t id) {
    auto at = open_.find(id);
    if (at != open_.end()) {
        at->second.reply = nullptr; // its recorder is gone
        close(at, QuestionOutcome::withdrawn, std::nullopt);
    }
}

void OpenQuestions::ingest(const std::vector<ParsedHookEvent>& events) {
    if (open_.empty()) {
        return;
    }
    for (const auto& event : events) {
        if (!endsQuestions(event.eventName)) {
            continue;
        }
        // Only what happened after the question was asked: the PreToolUse
        // of the very tool in question comes just before it, and may reach
        // the monitor through the events file after the question did.
        for (auto at = open_.begin(); at != open_.end();) {
            auto next = std::next(at);
            const auto& shown = at->second.shown;
            if (shown.question.sessionId == event.sessionId && event.timestamp >= shown.askedAt) {
                close(at, QuestionOutcome::answeredElsewhere, std::nullopt);
            }
            at = next;
        }
    }
}

void OpenQuestions::keepSessions(const std::vector<ClaudeProcess>& processes) {
    // Called on every publication of the table: nothing to do while no
    // question is open, which is nearly always.
    if (open_.empty()) {
        return;
    }
    std::set<std::string_view> alive;
    for (const ClaudeProcess& process : processes) {
        alive.insert(process.id);
    }
    for (auto at = open_.begin(); at != open_.end();) {
        auto next = std::next(at);
        if (!alive.contains(at->second.shown.question.sessionId)) {
            close(at, QuestionOutcome::withdrawn, std::nullopt);
        }
        at = next;
    }
}

std::vector<OpenQuestion> OpenQuestions::questions() const {
    std::vector<OpenQuestion> result;
    result.reserve(open_.size());
    for (const auto& [id, entry] : open_) {
        result.push_back(entry.shown);
    }
    return result;
}

std::optional<std::uint64_t> OpenQuestions::oldestOf(const std::string& sessionId) const {
    for (const auto& [id, entry] : open_) { // ids grow with time
        if (entry.shown.question.sessionId == sessionId) {
            return id;
        }
    }
    return std::nullopt;
}

const OpenQuestion* OpenQuestions::find(std::uint64_t id) const {
    auto at = open_.find(id);
    return at == open_.end() ? nullptr : &at->second.shown;
}

std::string OpenQuestions::summaryOf(const PermissionQuestion::Question& question) {
    std::string text = inputText(question.toolInput);
    std::replace(text.begin(), text.end(), '\n', ' ');
    text = escapingControlCharacters(text);
    std::string tool = escapingControlCharacters(question.toolName);
    return shortened(text.empty() ? tool : tool + ": " + text, 80);
}

std::string OpenQuestions::fullTextOf(const PermissionQuestion::Question& question) {
    std::string input = JsonWriter::pretty(question.toolInput, 64 * 1024).value_or("");
    return shortened(question.toolName + "\n" + input, 4000);
}

void OpenQuestions::close(std::map<std::uint64_t, Entry>::iterator at, QuestionOutcome outcome,
                          const std::optional<PermissionQuestion::Answer>& answer) {
    Entry entry = std::move(at->second);
    open_.erase(at);
    if (entry.reply) {
        entry.reply(answer);
    }
    emit closed(entry.shown, outcome);
}

} // namespace quillo
