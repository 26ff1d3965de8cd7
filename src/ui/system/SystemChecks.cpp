// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemChecks.h"

#include "TransportPort.h"

#include <QCoreApplication>
#include <QStringList>

#include <charconv>
#include <exception>
#include <functional>
#include <future>
#include <thread>

namespace quillo {

namespace {

using Kind = SystemCheckResult::Kind;
using State = SystemCheckState;

QString titleOf(Kind kind) {
    switch (kind) {
    case Kind::localNetwork:
        return QCoreApplication::translate("SystemChecks", "本地网络发现");
    case Kind::transportPort:
        return QCoreApplication::translate("SystemChecks", "手机连接端口");
    case Kind::windowActivation:
        return QCoreApplication::translate("SystemChecks", "窗口激活");
    case Kind::terminalControl:
        return QCoreApplication::translate("SystemChecks", "终端控制");
    }
    return {};
}

SystemCheckResult result(Kind kind, State state, QString explanation,
                         std::optional<QString> fixCommand = std::nullopt) {
    return {kind, state, titleOf(kind), std::move(explanation), std::move(fixCommand)};
}

// A probe started on a thread of its own. A probe that overruns its deadline
// keeps its thread (and what it captured) until it returns; its answer is then
// dropped.
template <typename T> class TimedProbe {
public:
    explicit TimedProbe(std::function<T()> probe) {
        auto promise = std::make_shared<std::promise<T>>();
        future_ = promise->get_future();
        std::thread([promise, probe = std::move(probe)] {
            try {
                promise->set_value(probe());
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        }).detach();
    }

    std::optional<T> answer(std::chrono::steady_clock::time_point deadline) {
        if (future_.wait_until(deadline) != std::future_status::ready) {
            return std::nullopt;
        }
        try {
            return future_.get();
        } catch (...) {
            return std::nullopt;
        }
    }

private:
    std::future<T> future_;
};

SystemCheckResult localNetwork(std::optional<SystemProbes::Daemon> daemon) {
    if (!daemon) {
        return result(
            Kind::localNetwork, State::attention,
            QCoreApplication::translate("SystemChecks",
                                        "系统 D-Bus 没有回答, 无法确定 avahi-daemon 是否在运行。"),
            QStringLiteral("systemctl status avahi-daemon"));
    }
    switch (*daemon) {
    case SystemProbes::Daemon::running:
        return result(
            Kind::localNetwork, State::ok,
            QCoreApplication::translate(
                "SystemChecks", "avahi-daemon 正在运行, 同一网络中的手机可以发现这台电脑。"));
    case SystemProbes::Daemon::stopped:
        return result(Kind::localNetwork, State::problem,
                      QCoreApplication::translate("SystemChecks",
                                                  "avahi-daemon 没有运行, 手机无法自动发现这台电脑 "
                                                  "(扫描配对二维码仍可连接)。"),
                      QStringLiteral("sudo systemctl enable --now avahi-daemon"));
    case SystemProbes::Daemon::notInstalled:
        return result(Kind::localNetwork, State::problem,
                      QCoreApplication::translate("SystemChecks",
                                                  "没有安装 avahi-daemon, 手机无法自动发现这台电脑 "
                                                  "(扫描配对二维码仍可连接)。"),
                      QStringLiteral("sudo apt install avahi-daemon"));
    }
    return {};
}

struct PortFindings {
    std::optional<bool> listening;
    bool ufw = false;
    bool firewalld = false;
};

SystemCheckResult transportPort(const std::optional<PortFindings>& findings, quint16 port,
                                bool phoneConnected = false) {
    const QString number = QString::number(port);
    if (phoneConnected && findings && findings->listening && !*findings->listening) {
        return result(Kind::transportPort, State::ok,
                      QCoreApplication::translate("SystemChecks",
                                                  "一部手机已连接。连接期间 TCP 端口 %1 暂不监听, "
                                                  "其他手机要等它断开后才能连接。")
                          .arg(number));
    }
    if (!findings || !findings->listening) {
        return result(Kind::transportPort, State::attention,
                      QCoreApplication::translate("SystemChecks",
                                                  "无法读取 /proc/net/tcp, 不知道 TCP 端口 %1 "
                                                  "是否在监听。")
                          .arg(number));
    }
    if (!*findings->listening) {
        return result(Kind::transportPort, State::problem,
                      QCoreApplication::translate("SystemChecks",
                                                  "TCP 端口 %1 上没有程序在监听: Quillo 的手机连接"
                                                  "没有启动, 手机无法连接。")
                          .arg(number),
                      QStringLiteral("ss -ltnp"));
    }
    std::optional<QString> command;
    if (findings->ufw) {
        command = QStringLiteral("sudo ufw allow %1/tcp").arg(number);
    } else if (findings->firewalld) {
        command =
            QStringLiteral(
                "sudo firewall-cmd --permanent --add-port=%1/tcp && sudo firewall-cmd --reload")
                .arg(number);
    }
    return result(Kind::transportPort, State::ok,
                  QCoreApplication::translate(
                      "SystemChecks", "Quillo 在 TCP 端口 %1 上等待手机连接。如果开启了防火墙, "
                                      "需要放行这个端口。")
                      .arg(number),
                  command);
}

SystemCheckResult windowActivation(const std::optional<SystemProbes::Display>& display) {
    if (!display) {
        return result(Kind::windowActivation, State::attention,
                      QCoreApplication::translate("SystemChecks",
                                                  "X11 显示没有及时回答, 无法确定能否激活窗口。"));
    }
    const QString x11 = QString::fromStdString(display->x11.value_or(""));
    if (display->x11 && !display->x11Reachable) {
        return result(Kind::windowActivation, State::problem,
                      QCoreApplication::translate(
                          "SystemChecks", "无法连接 X11 显示 %1, 切换时无法把终端窗口提到前面。")
                          .arg(x11));
    }
    if (display->x11 && display->wayland) {
        return result(Kind::windowActivation, State::attention,
                      QCoreApplication::translate(
                          "SystemChecks",
                          "Wayland 会话: Quillo 通过 XWayland (%1) 激活窗口, 只能把 X11 程序的窗口"
                          "提到前面; 原生 Wayland 终端的窗口不会被提前, 但支持的终端仍会选中对应的 "
                          "tab。")
                          .arg(x11));
    }
    if (display->x11) {
        return result(Kind::windowActivation, State::ok,
                      QCoreApplication::translate(
                          "SystemChecks", "X11 显示 %1 可用, 切换时可以把终端窗口提到前面。")
                          .arg(x11));
    }
    if (display->wayland) {
        return result(Kind::windowActivation, State::problem,
                      QCoreApplication::translate(
                          "SystemChecks",
                          "Wayland 不允许一个程序把另一个程序的窗口提到前面, 这里也没有 XWayland; "
                          "切换时只能在支持的终端里选中 tab, 窗口不会被提前。"));
    }
    return result(Kind::windowActivation, State::problem,
                  QCoreApplication::translate(
                      "SystemChecks", "没有图形显示 (DISPLAY 与 WAYLAND_DISPLAY 都没有设置), "
                                      "切换时无法激活窗口。"));
}

struct TerminalFindings {
    bool tmux = false;
    bool kitty = false;
    bool wezterm = false;
    std::optional<std::string> kittyConf;
};

SystemCheckResult terminalControl(const std::optional<TerminalFindings>& findings) {
    QString explanation = QCoreApplication::translate(
        "SystemChecks", "GNOME Terminal 和 Konsole 通过 D-Bus 选中 tab, 无需设置。");
    if (!findings) {
        return result(Kind::terminalControl, State::attention,
                      explanation + QLatin1Char(' ') +
                          QCoreApplication::translate("SystemChecks",
                                                      "查找 tmux、kitty 与 WezTerm 时超时。"));
    }
    QStringList found;
    if (findings->tmux) {
        found << QStringLiteral("tmux");
    }
    if (findings->kitty) {
        found << QStringLiteral("kitty");
    }
    if (findings->wezterm) {
        found << QStringLiteral("WezTerm");
    }
    if (!found.isEmpty()) {
        explanation += QLatin1Char(' ') +
                       QCoreApplication::translate("SystemChecks", "已找到的命令行控制: %1。")
                           .arg(found.join(QStringLiteral(", ")));
    }
    const bool kittyReady =
        findings->kittyConf && SystemChecks::kittyRemoteControlEnabled(*findings->kittyConf);
    if (findings->kitty && !kittyReady) {
        explanation += QLatin1Char(' ') +
                       QCoreApplication::translate("SystemChecks",
                                                   "kitty 需要在 kitty.conf 中开启远程控制 "
                                                   "(allow_remote_control 与 listen_on) 才能选中 "
                                                   "tab, 改完后重启 kitty。");
        return result(Kind::terminalControl, State::attention, explanation,
                      QStringLiteral("printf '\\nallow_remote_control socket-only\\nlisten_on "
                                     "unix:@kitty\\n' >> "
                                     "\"${XDG_CONFIG_HOME:-$HOME/.config}/kitty/kitty.conf\""));
    }
    return result(Kind::terminalControl, State::ok, explanation);
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

std::vector<SystemCheckResult> SystemChecks::run(const std::shared_ptr<SystemProbes>& probes,
                                                 quint16 port, std::chrono::milliseconds timeLimit,
                                                 bool phoneConnected) {
    // All at once, so that one slow probe does not hold up the others.
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    TimedProbe<std::optional<SystemProbes::Daemon>> daemon(
        [probes] { return probes->avahiDaemon(); });
    TimedProbe<PortFindings> ports([probes, port] {
        return PortFindings{probes->portListening(port), probes->commandFound("ufw"),
                            probes->commandFound("firewall-cmd")};
    });
    TimedProbe<SystemProbes::Display> display([probes] { return probes->display(); });
    TimedProbe<TerminalFindings> terminals([probes] {
        TerminalFindings findings;
        findings.tmux = probes->commandFound("tmux");
        findings.kitty = probes->commandFound("kitty");
        findings.wezterm = probes->commandFound("wezterm");
        if (findings.kitty) {
            findings.kittyConf = probes->kittyConfig();
        }
        return findings;
    });
    return {localNetwork(daemon.answer(deadline).value_or(std::nullopt)),
            transportPort(ports.answer(deadline), port, phoneConnected),
            windowActivation(display.answer(deadline)),
            terminalControl(terminals.answer(deadline))};
}

std::vector<SystemCheckResult> SystemChecks::pending() {
    std::vector<SystemCheckResult> results;
    for (Kind kind :
         {Kind::localNetwork, Kind::transportPort, Kind::windowActivation, Kind::terminalControl}) {
        results.push_back(result(kind, State::checking, QString()));
    }
    return results;
}

std::vector<SystemCheckResult> SystemChecks::samples() {
    SystemProbes::Display display;
    display.x11 = ":0";
    display.wayland = "wayland-0";
    display.x11Reachable = true;
    return {localNetwork(SystemProbes::Daemon::running),
            transportPort(PortFindings{true, true, false}, TransportPort::standard),
            windowActivation(display),
            terminalControl(TerminalFindings{true, true, false, std::nullopt})};
}

bool SystemChecks::listensOn(std::string_view table, quint16 port) {
    // "  0: 00000000:BAC2 00000000:0000 0A ...": the local address's port in
    // hex, and the state, 0A being LISTEN. The first line is the heading.
    while (!table.empty()) {
        const auto end = table.find('\n');
        std::string_view line = table.substr(0, end);
        table = end == std::string_view::npos ? std::string_view{} : table.substr(end + 1);
        std::string_view fields[4];
        std::size_t count = 0;
        while (count < 4) {
            line = trimmed(line);
            if (line.empty()) {
                break;
            }
            const auto space = line.find_first_of(" \t");
            fields[count++] = line.substr(0, space);
            line = space == std::string_view::npos ? std::string_view{} : line.substr(space);
        }
        if (count < 4 || fields[3] != "0A") {
            continue;
        }
        const std::string_view local = fields[1];
        const auto colon = local.rfind(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        unsigned value = 0;
        const std::string_view hex = local.substr(colon + 1);
        auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
        if (ec == std::errc{} && ptr == hex.data() + hex.size() && value == port) {
            return true;
        }
    }
    return false;
}

bool SystemChecks::kittyRemoteControlEnabled(std::string_view conf) {
    // kitty reads the file top to bottom, so the last setting of a key wins.
    bool allowed = false;
    bool listening = false;
    while (!conf.empty()) {
        const auto end = conf.find('\n');
        std::string_view line = trimmed(conf.substr(0, end));
        conf = end == std::string_view::npos ? std::string_view{} : conf.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto space = line.find_first_of(" \t");
        const std::string_view key = line.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view{} : trimmed(line.substr(space));
        if (key == "allow_remote_control") {
            allowed = value == "yes" || value == "y" || value == "true" || value == "socket-only" ||
                      value == "socket" || value == "password";
        } else if (key == "listen_on") {
            listening = !value.empty() && value != "none";
        }
    }
    return allowed && listening;
}

} // namespace quillo
