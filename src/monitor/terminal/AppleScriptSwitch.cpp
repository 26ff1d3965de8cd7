// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppleScriptSwitch.h"

#include "DiagnosticLogger.h"
#include "SwitchMessages.h"
#include "TerminalScripts.h"

#include <functional>

namespace quillo::AppleScriptSwitch {

namespace {

constexpr std::string_view appleTerminalName = "Terminal.app";
constexpr std::string_view iterm2Name = "iTerm2";

using ListTTYs = std::function<std::optional<std::string>()>;

TabSelection runScript(ScriptRunner& runner, const std::string& source, std::string_view terminal,
                       const std::optional<std::string>& expectedTTY, const ListTTYs& listTTYs) {
    ScriptRun run = runner.run(source);
    if (!run.created) {
        DiagnosticLogger::error("applescript", "AppleScript 编译失败",
                                {{"terminal", std::string(terminal)}});
        return TabSelection::failed(SwitchMessages::scriptNotCreated(terminal));
    }
    if (run.error) {
        std::string message = run.error->message.value_or(SwitchMessages::unknownError());
        int number = run.error->number.value_or(0);
        DiagnosticLogger::error("applescript", "AppleScript 执行失败",
                                {{"terminal", std::string(terminal)},
                                 {"code", std::to_string(number)},
                                 {"message", message}});
        // -1743: the user has not allowed this program to control the terminal.
        if (number == -1743) {
            return TabSelection::failed(SwitchMessages::automationNotAllowed(terminal));
        }
        return TabSelection::failed(SwitchMessages::scriptFailed(terminal, message));
    }
    std::string result = run.stringResult.value_or("");
    if (result == "matched") {
        return SwitchSupport::logSelected(terminal, expectedTTY);
    }
    std::optional<std::string> current;
    if (listTTYs) {
        current = listTTYs();
    }
    return SwitchSupport::tabNotFound(terminal, expectedTTY, result, current);
}

} // namespace

TabSelection appleTerminal(ScriptRunner& runner, const std::optional<std::string>& tty) {
    if (!tty) {
        DiagnosticLogger::warn(SwitchSupport::category, "Terminal.app: tty 为 nil, 仅激活 app");
        return TabSelection::notSelected();
    }
    auto list = [&runner]() -> std::optional<std::string> {
        ScriptRun run = runner.run(TerminalScripts::appleTerminalListTTYs());
        if (!run.created || run.error) {
            return std::nullopt;
        }
        return run.stringResult;
    };
    return runScript(runner, TerminalScripts::appleTerminalSwitch(*tty), appleTerminalName, tty,
                     list);
}

TabSelection iterm2(ScriptRunner& runner, const std::optional<std::string>& tty) {
    if (!tty) {
        DiagnosticLogger::warn(SwitchSupport::category, "iTerm2: tty 为 nil, 仅激活 app");
        return TabSelection::notSelected();
    }
    return runScript(runner, TerminalScripts::iterm2Switch(*tty), iterm2Name, tty, nullptr);
}

} // namespace quillo::AppleScriptSwitch
