// SPDX-License-Identifier: GPL-3.0-or-later
#include "TabSelection.h"

#include "DiagnosticLogger.h"
#include "SwitchMessages.h"

namespace quillo::SwitchSupport {

namespace {

std::string firstLine(std::string_view text) {
    auto start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return {};
    }
    text.remove_prefix(start);
    auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    return std::string(line);
}

} // namespace

std::optional<std::string> claudeEnvironment(const SwitchServices& services,
                                             const ClaudeProcess& process, std::string_view name) {
    if (!process.claudePID || *process.claudePID <= 0) {
        return std::nullopt;
    }
    auto value = services.proc.environ(*process.claudePID, name);
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

TabSelection missingVariable(std::string_view terminal, std::string_view variable) {
    DiagnosticLogger::warn(
        category,
        std::string(terminal) + ": 缺少环境变量 " + std::string(variable) + ", 仅激活 app",
        {{"terminal", std::string(terminal)}, {"variable", std::string(variable)}});
    return TabSelection::notSelected();
}

TabSelection logSelected(std::string_view terminal, const std::optional<std::string>& tty) {
    DiagnosticLogger::info(category, std::string(terminal) + " tab 切换成功",
                           {{"tty", tty.value_or("")}});
    return TabSelection::selected();
}

TabSelection tabNotFound(std::string_view terminal, const std::optional<std::string>& expectedTTY,
                         std::optional<std::string> returned,
                         std::optional<std::string> currentTTYs) {
    DiagnosticLogger::Context context{{"terminal", std::string(terminal)},
                                      {"expectedTTY", expectedTTY.value_or("nil")}};
    if (returned) {
        context["applescriptReturn"] = *returned;
    }
    if (currentTTYs) {
        context["currentTTYs"] = *currentTTYs;
    }
    DiagnosticLogger::warn(category, std::string(terminal) + " 未匹配到 tty, 仅激活 app", context);
    return TabSelection::notSelected();
}

TabSelection commandFailure(std::string_view terminal, const std::vector<std::string>& argv,
                            const ChildProcess::Result& result) {
    std::string message;
    std::string code;
    if (!result.started) {
        message = SwitchMessages::commandNotRun(terminal, argv.empty() ? "" : argv.front());
        code = "not_started";
    } else if (result.timedOut) {
        message = SwitchMessages::commandTimedOut(terminal);
        code = "timeout";
    } else {
        std::string detail = firstLine(result.standardError);
        if (detail.empty()) {
            detail = firstLine(result.standardOutput);
        }
        if (detail.empty()) {
            detail = SwitchMessages::exitStatus(result.exitCode);
        }
        message = SwitchMessages::commandFailed(terminal, detail);
        code = std::to_string(result.exitCode);
    }
    DiagnosticLogger::error(category, "终端控制命令执行失败",
                            {{"terminal", std::string(terminal)},
                             {"command", joinCommand(argv)},
                             {"code", code},
                             {"message", message}});
    return TabSelection::failed(message);
}

TabSelection dbusFailure(std::string_view terminal, const DBusCall& call, const DBusReply& reply) {
    std::string detail = reply.errorMessage.toStdString();
    if (detail.empty()) {
        detail = reply.errorName.toStdString();
    }
    std::string message = reply.timedOut ? SwitchMessages::dbusTimedOut(terminal)
                                         : SwitchMessages::dbusFailed(terminal, detail);
    DiagnosticLogger::error(category, "D-Bus 调用失败",
                            {{"terminal", std::string(terminal)},
                             {"service", call.service.toStdString()},
                             {"path", call.path.toStdString()},
                             {"method", (call.interface + "." + call.method).toStdString()},
                             {"error", reply.errorName.toStdString()},
                             {"message", message}});
    return TabSelection::failed(message);
}

void logNotActivated(std::string_view terminal, std::int32_t pid, Activation activation) {
    DiagnosticLogger::warn(category, "窗口激活失败",
                           {{"terminal", std::string(terminal)},
                            {"appPID", std::to_string(pid)},
                            {"reason", std::string(rawValue(activation))}});
}

Activation activateWindowOf(const SwitchServices& services, std::string_view terminal,
                            std::int32_t pid, std::optional<std::int32_t> environmentPid) {
    std::optional<std::uint32_t> preferred;
    if (environmentPid && *environmentPid > 0) {
        if (auto text = services.proc.environ(*environmentPid, "WINDOWID")) {
            preferred = parseNumber<std::uint32_t>(*text);
        }
    }
    Activation activation = services.windows.activate(pid, preferred);
    if (activation != Activation::activated) {
        logNotActivated(terminal, pid, activation);
    }
    return activation;
}

std::string joinCommand(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& arg : argv) {
        if (!text.empty()) {
            text += ' ';
        }
        text += arg;
    }
    return text;
}

} // namespace quillo::SwitchSupport
