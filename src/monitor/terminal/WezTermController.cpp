// SPDX-License-Identifier: GPL-3.0-or-later
#include "WezTermController.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillo::WezTermController {

namespace {

constexpr std::string_view name = "WezTerm";

struct Pane {
    std::int64_t id = 0;
    std::string tty;
};

std::optional<std::vector<Pane>> parsePanes(const std::string& json) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    std::vector<Pane> panes;
    for (const QJsonValue& value : document.array()) {
        QJsonObject object = value.toObject();
        if (!object.value("pane_id").isDouble()) {
            continue;
        }
        panes.push_back({object.value("pane_id").toInteger(),
                         object.value("tty_name").toString().toStdString()});
    }
    return panes;
}

} // namespace

TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location) {
    // The GUI's socket, so that the command reaches the instance that shows the
    // session rather than whichever one it finds first.
    std::vector<std::string> environment;
    if (auto socket = SwitchSupport::claudeEnvironment(services, process, "WEZTERM_UNIX_SOCKET")) {
        environment.push_back("WEZTERM_UNIX_SOCKET=" + *socket);
    }

    std::optional<std::int64_t> paneId;
    if (location.tty) {
        std::vector<std::string> list{"wezterm", "cli", "list", "--format", "json"};
        ChildProcess::Result result = services.commands.run(list, environment);
        if (!result.succeeded()) {
            return SwitchSupport::commandFailure(name, list, result);
        }
        auto panes = parsePanes(result.standardOutput);
        if (!panes) {
            ChildProcess::Result unreadable = result;
            unreadable.exitCode = 0;
            unreadable.standardError = "wezterm cli list: invalid JSON";
            return SwitchSupport::commandFailure(name, list, unreadable);
        }
        std::string current;
        for (const Pane& pane : *panes) {
            if (pane.tty == *location.tty) {
                paneId = pane.id;
                break;
            }
            current += pane.tty + ",";
        }
        if (!paneId) {
            return SwitchSupport::tabNotFound(name, location.tty, std::nullopt, current);
        }
    } else {
        auto pane = SwitchSupport::claudeEnvironment(services, process, "WEZTERM_PANE");
        paneId = pane ? SwitchSupport::parseNumber<std::int64_t>(*pane) : std::nullopt;
        if (!paneId) {
            return SwitchSupport::missingVariable(name, "WEZTERM_PANE");
        }
    }

    std::vector<std::string> activate{"wezterm", "cli", "activate-pane", "--pane-id",
                                      std::to_string(*paneId)};
    ChildProcess::Result result = services.commands.run(activate, environment);
    if (!result.succeeded()) {
        return SwitchSupport::commandFailure(name, activate, result);
    }
    return SwitchSupport::logSelected(name, location.tty);
}

} // namespace quillo::WezTermController
