// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppDelegate.h"
#include "HeadlessMonitor.h"
#include "SoftwareUpdateController.h"
#include "networking/TrustPrompt.h"
#include "questions/OpenQuestions.h"
#include "terminal/TerminalSwitcher.h"

#include <iosfwd>
#include <memory>

namespace quillo {

class HostTransportBridge;
class QuestionServer;
class SettingsStore;
class TerminalTrustPrompt;

// The monitor's parts without any window: the process table and the events
// watcher (printing the table on `out`), the phone link and the update
// controller. A new phone is asked about on the terminal when standard input
// is one, else refused, since pairing needs someone to trust it. The desktop
// monitor adds its windows on top (DesktopParts).
class HeadlessParts : public AppParts {
public:
    // `openURL` opens the update feed for a check (the desktop's browser).
    HeadlessParts(SettingsStore& settings, std::ostream& out,
                  SoftwareUpdateController::UrlOpener openURL = {});
    ~HeadlessParts() override;

    void ensureAppSupportDirectory() override;
    void startSoftwareUpdate() override;
    void startTransportBridge() override;
    void createStatusBar() override {}
    void startWatcher() override;
    void showOnboarding() override {}
    void pruneDead() override;
    void startHookHealthMonitor() override {}
    void onToggleShortcut(std::function<void()>) override {}
    void stopWatcher() override;
    void stopTransportBridge() override;
    bool isOnboardingVisible() const override { return false; }
    bool hasStatusBar() const override { return false; }
    bool isDashboardVisible() const override { return false; }
    void toggleDashboard(bool) override {}

    SettingsStore& settings() { return settings_; }
    const SettingsStore& settings() const { return settings_; }
    ProcessStateStore& store() { return monitor_.store(); }
    HostTransportBridge* bridge() { return bridge_.get(); }
    SoftwareUpdateController& updates() { return updates_; }
    OpenQuestions& questions() { return questions_; }

    // Whether Quillo answers Claude Code's permission questions (absent: yes).
    static constexpr const char* answerPermissionsKey = "quillo.answerPermissions";
    static bool answersPermissions(const SettingsStore& settings);

protected:
    // Who is asked about a new phone; read when the bridge is made.
    virtual TrustPrompt& trustPrompt();
    // Ends the phone link early, for a subclass whose trust prompt goes first.
    void releaseBridge();
    // For a subclass that shows the session table itself.
    void stopPrintingTable() { monitor_.setPrintsTable(false); }
    // Starts taking the recorders' permission questions.
    void startQuestionServer();
    // Whether someone can answer a question now: a paired phone allowed to;
    // the desktop monitor also shows them itself.
    virtual bool answersQuestions() const;

private:
    SettingsStore& settings_;
    std::ostream& out_;
    HeadlessMonitor monitor_;
    SoftwareUpdateController updates_;
    HeadlessTrustPrompt noTrust_;
    std::unique_ptr<TerminalTrustPrompt> terminalTrust_;
    SystemSwitchServices switchServices_;
    TerminalSwitcher switcher_;
    std::unique_ptr<HostTransportBridge> bridge_;
    OpenQuestions questions_;
    std::unique_ptr<QuestionServer> questionServer_;
};

} // namespace quillo
