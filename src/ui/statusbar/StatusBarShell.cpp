// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusBarShell.h"

#include "ColorSchemeWatcher.h"
#include "DashboardPresenter.h"
#include "StatusBarController.h"
#include "StatusItem.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/SwitchRunner.h"
#include "questions/OpenQuestions.h"
#include "terminal/TerminalSwitcher.h"

#include <QCoreApplication>

namespace quillo {

StatusBarShell::StatusBarShell(ProcessStateStore& store, HostTransportBridge* bridge,
                               HookHealthMonitor& health, SettingsStore& settings,
                               std::function<void()> openSettings, OpenQuestions* questions)
    : model_(std::make_unique<DashboardModel>()),
      switchServices_(std::make_unique<SystemSwitchServices>()),
      switcher_(std::make_unique<TerminalSwitcher>(switchServices_->services())),
      runner_(std::make_unique<ThreadedSwitchRunner>(
          [switcher = switcher_.get()](const ClaudeProcess& process) {
              return switcher->switchTo(process);
          })),
      scheme_(std::make_unique<ColorSchemeWatcher>()), item_(std::make_unique<TrayStatusItem>()) {
    model_->follow(store, bridge, health);
    DashboardServices services;
    services.switcher = runner_.get();
    if (questions != nullptr) {
        model_->followQuestions(*questions);
        services.answer = [questions](std::uint64_t id, bool allow) {
            return questions->answer(id, allowOrDeny(allow), "dashboard");
        };
    }
    presenter_ = std::make_unique<DashboardPresenter>(
        *model_, *item_, settings,
        DashboardPresenter::Actions{std::move(openSettings), [] { QCoreApplication::quit(); }},
        services);
    controller_ = std::make_unique<StatusBarController>(
        *model_, *item_, *scheme_,
        [presenter = presenter_.get()] { presenter->statusItemClicked(); });
}

StatusBarShell::~StatusBarShell() {
    // Windows first, then the runner (which waits for a running switch).
    controller_.reset();
    presenter_.reset();
}

} // namespace quillo
