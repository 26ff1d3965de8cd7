// SPDX-License-Identifier: GPL-3.0-or-later
#include "HeadlessParts.h"

#include "AppPaths.h"
#include "DiagnosticLogger.h"
#include "PermissionQuestion.h"
#include "PhoneLinkConsole.h"
#include "networking/HostTransportBridge.h"
#include "networking/TerminalTrustPrompt.h"
#include "platform/SettingsStore.h"
#include "questions/QuestionServer.h"

#include <unistd.h>

#include <ostream>

namespace quillo {

HeadlessParts::HeadlessParts(SettingsStore& settings, std::ostream& out,
                             SoftwareUpdateController::UrlOpener openURL)
    : settings_(settings), out_(out), monitor_(out),
      updates_(settings, SoftwareUpdateController::configuredFeedURL(), std::move(openURL)),
      switcher_(switchServices_.services()) {
    // A session that moves on has had its question answered in the terminal.
    QObject::connect(
        &monitor_.watcher(), &EventLogWatcher::batchIngested, &questions_,
        [this](const std::vector<ParsedHookEvent>& events) { questions_.ingest(events); });
    QObject::connect(&monitor_.store(), &ProcessStateStore::processesChanged, &questions_,
                     &OpenQuestions::keepSessions);
}

bool HeadlessParts::answersPermissions(const SettingsStore& settings) {
    return settings.string(QString::fromLatin1(answerPermissionsKey))
               .value_or(QStringLiteral("true")) == QStringLiteral("true");
}

void HeadlessParts::startQuestionServer() {
    if (questionServer_) {
        return;
    }
    questionServer_ = std::make_unique<QuestionServer>(
        questions_, PermissionQuestion::socketPath(AppPaths::appSupportDirectory()),
        [this] { return answersQuestions(); });
    if (auto failure = questionServer_->listen()) {
        // Recorders then find no monitor and leave the question to the terminal.
        DiagnosticLogger::warn("permissions", "questions socket not available",
                               {{"reason", failure->toStdString()}});
    }
}

HeadlessParts::~HeadlessParts() {
    // Waiting recorders hear the socket close and leave the question to the
    // terminal.
    questionServer_.reset();
    // The bridge refers to the switcher and the trust prompt.
    bridge_.reset();
}

void HeadlessParts::releaseBridge() {
    bridge_.reset();
}

TrustPrompt& HeadlessParts::trustPrompt() {
    if (!terminalTrust_ && ::isatty(STDIN_FILENO)) {
        terminalTrust_ = std::make_unique<TerminalTrustPrompt>(STDIN_FILENO, out_);
    }
    return terminalTrust_ ? static_cast<TrustPrompt&>(*terminalTrust_) : noTrust_;
}

void HeadlessParts::ensureAppSupportDirectory() {
    AppPaths::ensureAppSupportDirectory();
}

void HeadlessParts::startSoftwareUpdate() {
    updates_.start();
}

void HeadlessParts::startTransportBridge() {
    bridge_ = std::make_unique<HostTransportBridge>(
        HostTransportBridge::Services{
            monitor_.store(), settings_, trustPrompt(),
            [this](const ClaudeProcess& process) { return switcher_.switchTo(process); },
            &questions_},
        HostTransportBridge::makeTransport(std::nullopt));
    bridge_->start();
    printPhoneLinkStatus(*bridge_, out_);
}

void HeadlessParts::startWatcher() {
    monitor_.startWatching();
    // Without a desktop only a paired phone can answer: the recorders hear
    // "no answer" at once unless the user let phones answer.
    startQuestionServer();
}

bool HeadlessParts::answersQuestions() const {
    return answersPermissions(settings_) && HostTransportBridge::phonesAnswer(settings_);
}

void HeadlessParts::pruneDead() {
    monitor_.pruneNow();
}

void HeadlessParts::stopWatcher() {
    monitor_.stop();
}

void HeadlessParts::stopTransportBridge() {
    if (bridge_) {
        bridge_->stop();
    }
}

} // namespace quillo
