#pragma once

#include "TempDir.h"
#include "installer/HookInstaller.h"

#include <nlohmann/json.hpp>

#include <string>

namespace quillo::test {

inline constexpr const char* fixtureRecorder = "/opt/quillo/bin/QuilloHook";

// A settings file in a private folder, and the recorder path the fixtures use.
struct SettingsFixture {
    TempDir dir;
    HookInstaller::Setup setup{dir / ".claude/settings.json", fixtureRecorder};

    std::filesystem::path path() const { return setup.settingsPath; }

    void put(const std::string& text) const {
        std::filesystem::create_directories(path().parent_path());
        writeFile(path(), text);
    }
    void putFixture(const std::string& name) const { put(testData(name)); }

    std::string text() const { return readFile(path()); }
    nlohmann::json json() const { return nlohmann::json::parse(text()); }
};

// The own groups of one event in a parsed settings file.
inline int ownGroupCount(const nlohmann::json& root, const std::string& event) {
    int count = 0;
    for (const auto& group : root["hooks"][event]) {
        count += HookInstaller::groupContainsOurMarker(group) ? 1 : 0;
    }
    return count;
}

inline std::string commandOf(const nlohmann::json& group) {
    return group["hooks"][0]["command"].get<std::string>();
}

} // namespace quillo::test
