// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PairingCommands.h"

#include "networking/PairedClientStorage.h"

#include <QCoreApplication>

#include <algorithm>
#include <ostream>

namespace quillo {

namespace {

std::string say(const char* text) {
    return QCoreApplication::translate("PairingCommands", text).toStdString();
}

std::string say(const char* text, const std::string& argument) {
    return QCoreApplication::translate("PairingCommands", text)
        .arg(QString::fromStdString(argument))
        .toStdString();
}

} // namespace

bool isPairingCommand(const std::vector<std::string>& arguments) {
    return std::any_of(
        arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
        [](const std::string& a) { return a == "--list-pairings" || a == "--unpair"; });
}

std::optional<int> runPairingCommand(const std::vector<std::string>& arguments,
                                     SettingsStore& settings, std::ostream& out) {
    const auto begin = arguments.begin() + (arguments.empty() ? 0 : 1);
    if (auto flag = std::find(begin, arguments.end(), "--unpair"); flag != arguments.end()) {
        if (flag + 1 == arguments.end()) {
            out << say(QT_TRANSLATE_NOOP("PairingCommands", "[quillo] --unpair 需要手机的名称"))
                << "\n";
            return 2;
        }
        const std::string& name = *(flag + 1);
        const auto tokens = PairedClientStorage::tokensByDisplayName(settings);
        if (!tokens.contains(name)) {
            out << say(QT_TRANSLATE_NOOP("PairingCommands", "[quillo] 没有名为「%1」的已配对手机"),
                       name)
                << "\n";
            return 1;
        }
        PairedClientStorage::remove(settings, name);
        out << say(QT_TRANSLATE_NOOP("PairingCommands", "[quillo] 已取消配对: %1"), name) << "\n";
        return 0;
    }
    if (std::find(begin, arguments.end(), "--list-pairings") != arguments.end()) {
        const auto names = PairedClientStorage::listedDisplayNames(settings);
        if (names.empty()) {
            out << say(QT_TRANSLATE_NOOP("PairingCommands", "[quillo] 没有已配对的手机")) << "\n";
        }
        for (const auto& name : names) {
            out << say(QT_TRANSLATE_NOOP("PairingCommands", "[quillo] 已配对: %1"), name) << "\n";
        }
        return 0;
    }
    return std::nullopt;
}

} // namespace quillo
