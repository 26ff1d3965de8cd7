// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessStateStore.h"

#include "DiagnosticLogger.h"
#include "ProcessChain.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace quillo {

namespace {

bool containsPermission(const std::string& text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("permission") != std::string::npos;
}

// Notifications that stop the session until the user decides something.
bool isDecisionRequest(std::string_view type) {
    return type == "permission_prompt" || type == "agent_needs_input" ||
           type == "elicitation_dialog" || type == "elicitation_url_dialog";
}

} // namespace

ProcessStateStore::ProcessStateStore(const ProcessTreeResolver::Sources& sources, Clock clock,
                                     QObject* parent)
    : QObject(parent), sources_(sources), clock_(std::move(clock)) {}

std::optional<ProcessState> ProcessStateStore::map(
    std::string_view eventName, const std::optional<std::string>& notificationType,
    const std::optional<std::string>& message, const std::optional<std::string>& source) {
    if (eventName == "SessionStart") {
        // A compaction starts the same session again in the middle of its life:
        // whatever it was doing, it still does. Every other start leaves an
        // interactive session at its prompt; a -p run follows at once with
        // UserPromptSubmit. A start that names no source (older Claude Code)
        // keeps the plain rule.
        if (source == "compact") {
            return std::nullopt;
        }
        return source ? ProcessState::waitingInput : ProcessState::active;
    }
    // PostToolUse(Failure) ends a permission wait: the approved tool has run.
    if (eventName == "UserPromptSubmit" || eventName == "PreToolUse" ||
        eventName == "PostToolUse" || eventName == "PostToolUseFailure") {
        return ProcessState::active;
    }
    // An API error ends the turn with StopFailure instead of Stop.
    if (eventName == "Stop" || eventName == "StopFailure") {
        return ProcessState::waitingInput;
    }
    // Fires together with the permission dialog; the permission_prompt
    // notification only comes 6 s later, and only if nobody answered.
    if (eventName == "PermissionRequest") {
        return ProcessState::waitingPermission;
    }
    if (eventName == "Notification") {
        if (notificationType &&
            (isDecisionRequest(*notificationType) || containsPermission(*notificationType))) {
            return ProcessState::waitingPermission;
        }
        if (message && containsPermission(*message)) {
            return ProcessState::waitingPermission;
        }
        return ProcessState::waitingInput;
    }
    if (eventName == "SessionEnd") {
        return ProcessState::completed;
    }
    return std::nullopt;
}

std::string ProcessStateStore::deriveName(const std::optional<std::string>& cwd,
                                          const std::unordered_set<std::string>& existingNames) {
    std::string base = "claude";
    if (cwd) {
        std::string_view path = *cwd;
        while (!path.empty() && path.back() == '/') {
            path.remove_suffix(1);
        }
        auto slash = path.rfind('/');
        std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
        if (!last.empty()) {
            base = std::string(last);
        }
    }
    if (!existingNames.contains(base)) {
        return base;
    }
    for (std::size_t n = 2;; ++n) {
        std::string candidate = base + " #" + std::to_string(n);
        if (!existingNames.contains(candidate)) {
            return candidate;
        }
    }
}

void ProcessStateStore::ingestBatch(const std::vector<ParsedHookEvent>& events) {
    Resolutions resolutions;
    for (const ParsedHookEvent& event : events) {
        apply(event, resolutions);
    }
    publishSnapshot();
}

std::optional<TerminalLocation> ProcessStateStore::resolveOnce(const ParsedHookEvent& event,
                                                               Resolutions& resolutions) {
    std::string key;
    key.reserve(64);
    if (event.pidChain) {
        for (std::int32_t pid : *event.pidChain) {
            key += std::to_string(pid);
            key += ',';
        }
    } else {
        key += '-';
    }
    key += '|';
    key += event.claudePID ? std::to_string(*event.claudePID) : "-";
    key += '|';
    key += event.shellTTY ? "t" + *event.shellTTY : "-";
    auto [it, inserted] = resolutions.try_emplace(std::move(key));
    if (inserted) {
        it->second = ProcessTreeResolver::resolve(event.pidChain, event.claudePID, event.shellTTY,
                                                  false, sources_, std::cout);
    }
    return it->second;
}

void ProcessStateStore::apply(const ParsedHookEvent& event, Resolutions& resolutions) {
    auto state = map(event.eventName, event.notificationType, event.message, event.source);
    if (!state) {
        return;
    }
    if (*state == ProcessState::completed) {
        remove(event.sessionId);
        return;
    }

    auto it = bySession_.find(event.sessionId);
    if (it == bySession_.end()) {
        ClaudeProcess created{
            .id = event.sessionId,
            .name = deriveName(event.cwd, names_),
            .state = *state,
            .startedAt = event.timestamp,
            .stateChangedAt = event.timestamp,
            .cwd = event.cwd,
            .claudePID = event.claudePID,
            .terminal = std::nullopt,
        };
        names_.insert(created.name);
        it = bySession_.emplace(event.sessionId, std::move(created)).first;
    }
    ClaudeProcess& record = it->second;

    if (record.state != *state) {
        record.state = *state;
        record.stateChangedAt = event.timestamp;
    }
    if (!record.cwd && event.cwd) {
        record.cwd = event.cwd;
    }
    if (!record.claudePID && event.claudePID) {
        record.claudePID = event.claudePID;
    }
    if (!record.terminal) {
        record.terminal = resolveOnce(event, resolutions);
    }
}

void ProcessStateStore::remove(const std::string& sessionId) {
    auto it = bySession_.find(sessionId);
    if (it == bySession_.end()) {
        return;
    }
    names_.erase(it->second.name);
    bySession_.erase(it);
}

void ProcessStateStore::pruneDead(double staleAfterSeconds) {
    const Timestamp current = clock_();
    std::vector<std::pair<std::string, std::string>> removals; // session id, reason
    for (const auto& [id, record] : bySession_) {
        if (record.claudePID) {
            if (!ProcessChain::isRunning(*record.claudePID, sources_.proc)) {
                removals.emplace_back(id, "claude pid " + std::to_string(*record.claudePID) +
                                              " 已退出");
            }
        } else if (record.terminal) {
            if (!ProcessChain::isRunning(record.terminal->shellPID, sources_.proc)) {
                removals.emplace_back(id, "shell pid " + std::to_string(record.terminal->shellPID) +
                                              " 已退出");
            }
        } else if ((current - record.stateChangedAt).count() > staleAfterSeconds) {
            removals.emplace_back(
                id, "无 terminal 信息且 " +
                        std::to_string(static_cast<long long>(staleAfterSeconds)) + "s 内无新事件");
        }
    }
    for (const auto& [id, reason] : removals) {
        DiagnosticLogger::info("prune", "移除孤儿 session",
                               {{"session_id", id}, {"reason", reason}});
        remove(id);
    }
    if (!removals.empty()) {
        publishSnapshot();
    }
}

void ProcessStateStore::publishSnapshot() {
    std::vector<ClaudeProcess> sorted;
    sorted.reserve(bySession_.size());
    for (const auto& entry : bySession_) {
        sorted.push_back(entry.second);
    }
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const ClaudeProcess& a, const ClaudeProcess& b) { return a.startedAt < b.startedAt; });
    processes_ = std::move(sorted);
    emit processesChanged(processes_);
}

} // namespace quillo
