// SPDX-License-Identifier: GPL-3.0-or-later
#include "SwitchMessages.h"

#include <QCoreApplication>
#include <QString>

namespace quillo::SwitchMessages {

namespace {

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

std::string unrecognizedTerminal() {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "未识别终端 app"));
}

std::string scriptNotCreated(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "AppleScript 编译失败 (%1)")
                    .arg(q(terminal)));
}

std::string automationNotAllowed(std::string_view terminal) {
    return utf8(QCoreApplication::translate(
                    "TerminalSwitcher",
                    "缺少自动化权限. 请到 系统设置 > 隐私与安全性 > 自动化, 允许本程序控制 %1.")
                    .arg(q(terminal)));
}

std::string scriptFailed(std::string_view terminal, std::string_view message) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 AppleScript 执行失败: %2")
                    .arg(q(terminal), q(message)));
}

std::string unknownError() {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "未知错误"));
}

std::string commandFailed(std::string_view terminal, std::string_view detail) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 控制命令执行失败: %2")
                    .arg(q(terminal), q(detail)));
}

std::string commandTimedOut(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 控制命令超时 (1 秒内无响应)")
                    .arg(q(terminal)));
}

std::string commandNotRun(std::string_view terminal, std::string_view program) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 控制命令无法运行: 找不到 %2")
                    .arg(q(terminal), q(program)));
}

std::string exitStatus(int code) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "退出码 %1").arg(code));
}

std::string dbusFailed(std::string_view terminal, std::string_view message) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 D-Bus 调用失败: %2")
                    .arg(q(terminal), q(message)));
}

std::string dbusTimedOut(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "%1 D-Bus 调用超时 (1 秒内无响应)")
                    .arg(q(terminal)));
}

std::string noDisplay(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "无法激活 %1 窗口: 没有 X11 显示")
                    .arg(q(terminal)));
}

std::string noWindow(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "无法激活 %1 窗口: 未找到它的窗口")
                    .arg(q(terminal)));
}

std::string notActivated(std::string_view terminal) {
    return utf8(QCoreApplication::translate("TerminalSwitcher",
                                            "无法激活 %1 窗口: 窗口管理器没有把它切换到前台")
                    .arg(q(terminal)));
}

std::string sessionNotFound(std::string_view terminal) {
    return utf8(
        QCoreApplication::translate("TerminalSwitcher", "%1 中未找到该会话, 没有可激活的窗口")
            .arg(q(terminal)));
}

std::string tmuxVariableMissing() {
    return utf8(QCoreApplication::translate("TerminalSwitcher",
                                            "tmux: 会话的环境中没有 TMUX 变量, 无法定位 pane"));
}

std::string tmuxNoAttachedClient() {
    return utf8(QCoreApplication::translate("TerminalSwitcher", "tmux 会话没有连接的终端"));
}

} // namespace quillo::SwitchMessages
