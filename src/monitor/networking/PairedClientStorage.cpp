// SPDX-License-Identifier: GPL-3.0-or-later
#include "networking/PairedClientStorage.h"

#include <algorithm>
#include <set>

namespace quillo::PairedClientStorage {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::vector<std::string> storedNames(const SettingsStore& settings) {
    std::vector<std::string> names;
    for (const auto& name : settings.stringList(displayNamesKey).value_or(QStringList{})) {
        names.push_back(name.toStdString());
    }
    return names;
}

// De-duplicated and sorted by UTF-8 bytes, which is code-point order.
void writeNames(SettingsStore& settings, const std::vector<std::string>& names) {
    std::set<std::string> unique(names.begin(), names.end());
    QStringList list;
    for (const auto& name : unique) {
        list.append(q(name));
    }
    settings.setStringList(displayNamesKey, list);
}

void writeTokens(SettingsStore& settings, const std::map<std::string, std::string>& tokens) {
    QMap<QString, QString> map;
    for (const auto& [name, token] : tokens) {
        map.insert(q(name), q(token));
    }
    settings.setStringMap(tokensKey, map);
}

} // namespace

std::map<std::string, std::string> tokensByDisplayName(const SettingsStore& settings) {
    settings.reload();
    std::map<std::string, std::string> tokens;
    if (auto stored = settings.stringMap(tokensKey)) {
        for (auto it = stored->cbegin(); it != stored->cend(); ++it) {
            tokens[it.key().toStdString()] = it.value().toStdString();
        }
    }
    return tokens;
}

void add(SettingsStore& settings, const std::string& displayName, const std::string& token) {
    if (displayName.empty() || token.empty()) {
        return;
    }
    // Against the file as it is now: a phone another process forgot meanwhile
    // must not come back with this write.
    settings.update([&] {
        auto tokens = tokensByDisplayName(settings);
        tokens[displayName] = token;
        writeTokens(settings, tokens);
        auto names = storedNames(settings);
        names.push_back(displayName);
        writeNames(settings, names);
    });
}

void remove(SettingsStore& settings, const std::string& displayName) {
    settings.update([&] {
        auto names = storedNames(settings);
        std::erase(names, displayName);
        writeNames(settings, names);
        auto tokens = tokensByDisplayName(settings);
        tokens.erase(displayName);
        writeTokens(settings, tokens);
    });
}

bool contains(const SettingsStore& settings, const std::string& displayName,
              const std::optional<std::string>& token) {
    if (!token || token->empty()) {
        return false;
    }
    auto tokens = tokensByDisplayName(settings);
    auto it = tokens.find(displayName);
    if (it == tokens.end() || it->second.empty()) {
        return false;
    }
    return constantTimeEquals(it->second, *token);
}

std::vector<std::string> listedDisplayNames(const SettingsStore& settings) {
    auto names = storedNames(settings);
    std::vector<std::string> listed;
    for (const auto& [name, token] : tokensByDisplayName(settings)) {
        if (names.empty() || std::find(names.begin(), names.end(), name) != names.end()) {
            listed.push_back(name);
        }
    }
    return listed; // the map keeps them sorted
}

bool constantTimeEquals(const std::string& a, const std::string& b) {
    // Every byte of the longer string is looked at whatever the contents, so
    // the time says nothing about where a guess went wrong.
    const std::size_t length = std::max(a.size(), b.size());
    volatile unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < length; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        difference = difference | static_cast<unsigned char>(x ^ y);
    }
    return difference == 0;
}

} // namespace quillo::PairedClientStorage
