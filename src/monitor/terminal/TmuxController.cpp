// SPDX-License-Identifier: GPL-3.0-or-later
#include "TmuxController.h"

#include "DiagnosticLogger.h"
#include "GnomeTerminalController.h"
#include "KittyController.h"
#include "KonsoleController.h"
#include "ProcessTreeResolver.h"
#include "SwitchMessages.h"
#include "TerminalKind.h"
#include "WezTermController.h"
#include "platform/ProcApplicationIdentifier.h"

#include <algorithm>
#include <sstream>

namespace quillo::TmuxController {

namespace {

constexpr std::string_view name = "tmux";
constexpr int maxAncestorSteps = 16;

std::vector<std::vector<std::string>> splitRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::string_view rest = text;
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> fields;
        while (true) {
            auto tab = line.find('\t');
            fields.emplace_back(line.substr(0, tab));
            if (tab == std::string_view::npos) {
                break;
            }
            line.remove_prefix(tab + 1);
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

struct Pane {
    std::string id;      // %N
    std::string tty;     // /dev/pts/N
    std::string session; // $N
    std::string window;  // @N
};

struct Client {
    std::string tty;
    std::int32_t pid = 0;
    std::string session;
    long long activity = 0;
};

// Brings forward the terminal window that shows the tmux client, walking up
// from the client: the first ancestor with a window is its terminal.
Activation activateAncestorWindow(const SwitchServices& services, std::int32_t clientPid) {
    std::optional<std::uint32_t> preferred;
    if (auto text = services.proc.environ(clientPid, "WINDOWID")) {
        preferred = SwitchSupport::parseNumber<std::uint32_t>(*text);
    }
    Activation activation = Activation::noWindow;
    std::int32_t pid = clientPid;
    for (int step = 0; step < maxAncestorSteps && pid > 1; ++step) {
        activation = services.windows.activate(pid, preferred);
        if (activation != Activation::noWindow) {
            break;
        }
        auto stat = services.proc.stat(pid);
        if (!stat) {
            break;
        }
        pid = stat->ppid;
    }
    if (activation != Activation::activated) {
        SwitchSupport::logNotActivated(name, clientPid, activation);
    }
    return activation;
}

// Brings the client's terminal forward: when the terminal it runs in is known,
// its window and, through the terminal's own interface, the tab the client runs
// in; else the nearest ancestor window. Failures here only cost the raising, so
// they are logged and the pane stays selected.
Activation showClient(const SwitchServices& services, const Client& client) {
    auto clientStat = services.proc.stat(client.pid);
    if (!clientStat) {
        return activateAncestorWindow(services, client.pid);
    }
    // From the client's parent, the shell of the tab: the client is a tmux
    // process itself.
    ProcApplicationIdentifier applications(services.proc);
    std::ostringstream trace;
    auto terminal =
        ProcessTreeResolver::resolve(std::nullopt, clientStat->ppid,
                                     client.tty.empty() ? std::nullopt : std::optional(client.tty),
                                     false, {services.proc, applications}, trace);
    if (!terminal || terminal->kind == TerminalKind::tmux) {
        return activateAncestorWindow(services, client.pid);
    }
    const std::string terminalName(displayName(terminal->kind));
    Activation activation =
        SwitchSupport::activateWindowOf(services, terminalName, terminal->appPID, client.pid);
    // The client's environment holds the tab's address, as a session's does.
    ClaudeProcess viewer;
    viewer.id = "tmux-client";
    viewer.claudePID = client.pid;
    switch (terminal->kind) {
    case TerminalKind::kitty:
        KittyController::selectTab(services, viewer, *terminal);
        break;
    case TerminalKind::wezterm:
        WezTermController::selectTab(services, viewer, *terminal);
        break;
    case TerminalKind::konsole:
        KonsoleController::selectTab(services, viewer, *terminal);
        break;
    case TerminalKind::gnomeTerminal:
        GnomeTerminalController::selectTab(services, viewer, *terminal);
        break;
    default:
        break;
    }
    return activation;
}

} // namespace

TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location) {
    return selectPane(services, process, location).selection;
}

PaneSelection selectPane(const SwitchServices& services, const ClaudeProcess& process,
                         const TerminalLocation& location) {
    PaneSelection outcome;
    // TMUX is "socket path,server pid,session index"; the socket path may not
    // hold a comma (tmux itself relies on that).
    auto tmuxVariable = SwitchSupport::claudeEnvironment(services, process, "TMUX");
    if (!tmuxVariable || tmuxVariable->find(',') == 0) {
        // Without the server's socket there is no pane to select, and the
        // server has no window: say what is missing.
        DiagnosticLogger::warn(SwitchSupport::category, "tmux: 缺少环境变量 TMUX, 无法定位 pane",
                               {{"terminal", std::string(name)}, {"variable", "TMUX"}});
        outcome.selection = TabSelection::failed(SwitchMessages::tmuxVariableMissing());
        return outcome;
    }
    std::string socket = tmuxVariable->substr(0, tmuxVariable->find(','));
    auto paneVariable = SwitchSupport::claudeEnvironment(services, process, "TMUX_PANE");
    // -u: without a UTF-8 locale (a minimal system sets no LANG) tmux prints
    // every control character of a format, the tab separators too, as "_".
    auto tmux = [&socket](std::vector<std::string> arguments) {
        std::vector<std::string> argv{"tmux", "-u", "-S", socket};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return argv;
    };

    std::vector<std::string> listPanes =
        tmux({"list-panes", "-a", "-F", "#{pane_id}\t#{pane_tty}\t#{session_id}\t#{window_id}"});
    ChildProcess::Result listed = services.commands.run(listPanes);
    if (!listed.succeeded()) {
        outcome.selection = SwitchSupport::commandFailure(name, listPanes, listed);
        return outcome;
    }
    std::vector<Pane> panes;
    for (const auto& row : splitRows(listed.standardOutput)) {
        if (row.size() == 4) {
            panes.push_back({row[0], row[1], row[2], row[3]});
        }
    }
    // The tty names the pane; without one the pane the process started in.
    auto match = std::find_if(panes.begin(), panes.end(), [&](const Pane& pane) {
        return location.tty ? pane.tty == *location.tty : paneVariable && pane.id == *paneVariable;
    });
    if (match == panes.end()) {
        if (!location.tty && !paneVariable) {
            outcome.selection = SwitchSupport::missingVariable(name, "TMUX_PANE");
            return outcome;
        }
        std::string current;
        for (const Pane& pane : panes) {
            current += pane.tty + ",";
        }
        outcome.selection = SwitchSupport::tabNotFound(name, location.tty, std::nullopt, current);
        return outcome;
    }
    const Pane pane = *match;

    for (auto arguments : {std::vector<std::string>{"select-window", "-t", pane.window},
                           std::vector<std::string>{"select-pane", "-t", pane.id}}) {
        std::vector<std::string> argv = tmux(arguments);
        ChildProcess::Result result = services.commands.run(argv);
        if (!result.succeeded()) {
            outcome.selection = SwitchSupport::commandFailure(name, argv, result);
            return outcome;
        }
    }

    // The client to show it on: one already on the pane's session, else the
    // one used last; each is switched to the session so it shows the pane.
    std::vector<std::string> listClients = tmux(
        {"list-clients", "-F", "#{client_tty}\t#{client_pid}\t#{session_id}\t#{client_activity}"});
    ChildProcess::Result clientsListed = services.commands.run(listClients);
    if (!clientsListed.succeeded()) {
        outcome.selection = SwitchSupport::commandFailure(name, listClients, clientsListed);
        return outcome;
    }
    std::optional<Client> chosen;
    for (const auto& row : splitRows(clientsListed.standardOutput)) {
        if (row.size() != 4) {
            continue;
        }
        Client client{row[0], SwitchSupport::parseNumber<std::int32_t>(row[1]).value_or(0), row[2],
                      SwitchSupport::parseNumber<long long>(row[3]).value_or(0)};
        auto rank = [&pane](const Client& c) {
            return std::pair{c.session == pane.session, c.activity};
        };
        if (!chosen || rank(client) > rank(*chosen)) {
            chosen = client;
        }
    }
    // A pane that no client shows is not in front of anybody.
    if (!chosen) {
        DiagnosticLogger::warn(SwitchSupport::category, "tmux: 没有连接的客户端, 无法显示 pane",
                               {{"pane", pane.id}, {"tty", pane.tty}});
        outcome.selection = TabSelection::failed(SwitchMessages::tmuxNoAttachedClient());
        return outcome;
    }
    if (chosen->session != pane.session) {
        std::vector<std::string> switchClient =
            tmux({"switch-client", "-c", chosen->tty, "-t", pane.session});
        ChildProcess::Result switched = services.commands.run(switchClient);
        if (!switched.succeeded()) {
            outcome.selection = SwitchSupport::commandFailure(name, switchClient, switched);
            return outcome;
        }
    }
    outcome.selection = SwitchSupport::logSelected(name, location.tty);
    if (chosen->pid > 0) {
        outcome.activation = showClient(services, *chosen);
    }
    return outcome;
}

} // namespace quillo::TmuxController
